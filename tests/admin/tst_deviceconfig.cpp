// The device configuration dialog on the virtual camera: what it shows, the
// round trip of every field through its controls, the camera's refusals and
// how they are explained, the record that was never read, and the host's UART
// settings following the camera's.

#include "admin/DeviceConfig.h"
#include "admin/DeviceConfigRecord.h"
#include "admin/UartCarryOver.h"
#include "core/AppContext.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

const QString kTitle = QStringLiteral("Device Configuration");
const QString kSuccess = QStringLiteral("Configuration was changed successfully!");

template <class T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// A click as the operator makes it: the button's own key, which runs the
// same clicked() signal as the mouse (a group box's title check included).
void press(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Space);
}

// The camera's record with reserved bytes of its own, so that a dialog that
// zeroed or lost them is caught.
ZephDeviceConfig startRecord()
{
    ZephDeviceConfig c{};
    c.forceEncryption = 0;
    c.enableDedup = 1;
    c.dedupThreshold = 0.95f;
    c.authThreshold = 1.0f;
    c.enableStream = 1;
    c.streamScale = 4;
    c.streamFormat = ZEPH_FORMAT_MONO_RAW;
    c.compressionQuality = 80;
    c.uartBaudrate = 115200;
    c.sleepMode = ZEPH_SLEEP_SLEEP;
    c.reserved2[0] = 0x12;
    c.reserved2[1] = 0x34;
    c.reserved18[1] = 0x56;
    for (std::size_t i = 0; i < sizeof c.reserved25; ++i)
        c.reserved25[i] = static_cast<uint8_t>(0x60 + i);
    for (std::size_t i = 0; i < sizeof c.reserved40; ++i)
        c.reserved40[i] = static_cast<uint8_t>(0xF0 - i);
    return c;
}

struct Screen {
    explicit Screen(const ZephDeviceConfig &onCamera = startRecord()) : ctx(camera.context())
    {
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        if (ctx.openDevice() != 0)
            qFatal("device did not open");
        if (Zeph_SetDeviceConfig(ctx.deviceHandle, &onCamera) != 0)
            qFatal("camera refused the start record");
        Zvc_ResetCallCounts();
    }
    ZephDeviceConfig cameraRecord() const
    {
        ZephDeviceConfig c{};
        Zeph_GetDeviceConfig(ctx.deviceHandle, &c);
        return c;
    }
    QString describeBoxes() const { return boxes.describe(); }

    VirtualCameraFixture camera;
    AppContext &ctx;
    MessageBoxScript boxes;
};

QString differences(const ZephDeviceConfig &a, const ZephDeviceConfig &b)
{
    const auto x = DeviceConfigRecord::encode(a), y = DeviceConfigRecord::encode(b);
    QStringList out;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] != y[i])
            out << QStringLiteral("byte %1: %2 != %3").arg(i).arg(x[i]).arg(y[i]);
    }
    return out.join(QStringLiteral("; "));
}

} // namespace

class TestDeviceConfig : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Every control shows the record the camera holds now, read at opening;
    // loading "Force" and data closure shows none of their warnings.
    void showsTheRecordRead()
    {
        ZephDeviceConfig c = startRecord();
        c.forceEncryption = 1;
        c.dataClosure = 1;
        c.supervisedEnrollment = 1;
        c.enableDedup = 0;
        c.dedupThreshold = 1.05f;
        c.authThreshold = 0.85f;
        c.enableStream = 0;
        c.streamScale = 8;
        c.uartBaudrate = 57600;
        c.uartFlowControl = 1;
        c.sleepMode = ZEPH_SLEEP_DEEP;
        c.sleepTimeout = 300;
        c.deepSleepInterrupt = 1;
        Screen screen(c);
        // What the context held before says standby; the dialog must show
        // the camera's deep sleep.
        screen.ctx.deviceConfig.sleepMode = ZEPH_SLEEP_STANDBY;

        DeviceConfig dialog;
        QVERIFY(dialog.readSucceeded());
        QCOMPARE(dialog.windowTitle(), kTitle);
        QCOMPARE(child<QComboBox>(&dialog, "m_cbEncryptionMode")->currentText(), QStringLiteral("Force"));
        QVERIFY(!child<QGroupBox>(&dialog, "m_chkEnableDedup")->isChecked());
        QVERIFY(!child<QDoubleSpinBox>(&dialog, "m_edtDedupThreshold")->isEnabled());
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "m_edtDedupThreshold")->value(), 1.05);
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "m_AuthThreshold")->value(), 0.85);
        QVERIFY(child<QCheckBox>(&dialog, "m_chkDataClosure")->isChecked());
        QVERIFY(child<QCheckBox>(&dialog, "m_chkSupervisedEnrollment")->isChecked());
        QVERIFY(!child<QGroupBox>(&dialog, "m_chkEnableStreaming")->isChecked());
        QVERIFY(!child<QComboBox>(&dialog, "m_cbStreamingScale")->isEnabled());
        QVERIFY(!child<QComboBox>(&dialog, "m_cbStreamingFormat")->isEnabled());
        QCOMPARE(child<QComboBox>(&dialog, "m_cbStreamingScale")->currentText(), QStringLiteral("1/8"));
        QCOMPARE(child<QComboBox>(&dialog, "m_cbStreamingFormat")->currentText(), QStringLiteral("MONO_RAW"));
        QCOMPARE(child<QSpinBox>(&dialog, "m_edtBaudrate")->value(), 57600);
        QVERIFY(child<QRadioButton>(&dialog, "m_rdHardware")->isChecked());
        QVERIFY(child<QGroupBox>(&dialog, "grbPowerManagement")->isChecked());
        QCOMPARE(child<QComboBox>(&dialog, "m_cbSleepMode")->currentText(), QStringLiteral("Deep sleep"));
        QCOMPARE(child<QSpinBox>(&dialog, "m_edTimeoutToSleep")->value(), 300);
        QVERIFY(child<QCheckBox>(&dialog, "m_chkDeepSleepInterrupt")->isChecked());
        QVERIFY(child<QSpinBox>(&dialog, "m_edtCompressionQuality")->isHidden());
        QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, c));
        QVERIFY2(screen.boxes.shown().isEmpty(), qPrintable(screen.describeBoxes()));

        // Automatic sleep off shows the 60 s default.
        c.sleepTimeout = 0;
        QCOMPARE(Zeph_SetDeviceConfig(screen.ctx.deviceHandle, &c), 0);
        DeviceConfig again;
        QVERIFY(!child<QGroupBox>(&again, "grbPowerManagement")->isChecked());
        QCOMPARE(child<QSpinBox>(&again, "m_edTimeoutToSleep")->value(), 60);
    }

    // Each control, changed as the operator changes it, reaches the camera
    // in its own field and nowhere else; reserved bytes come back as read.
    void everyFieldRoundTrips()
    {
        struct Row {
            const char *name;
            std::function<void(DeviceConfig &)> edit;
            std::function<void(ZephDeviceConfig &)> expect;
            QStringList warnings; // Information / Warning boxes on the way
            QString answer = QStringLiteral("OK");
        };
        const QString forceText = QStringLiteral(
            "This option will disable all functions that get images and templates in "
            "non-encrypted format. Thus, some functions might result in \"(Dev) Function "
            "Disabled\" because this application supports only non-encrypted images and templates.");
        const QString closureText = QStringLiteral(
            "This option, when on, disallows the application to access iris images and templates "
            "in the device, leading to \"(Dev) Function Disabled\" error message in some function "
            "execution.");
        const QList<Row> rows = {
            {"nothing changed", [](DeviceConfig &) {}, [](ZephDeviceConfig &) {}, {}},
            {"force encryption",
             [](DeviceConfig &d) { child<QComboBox>(&d, "m_cbEncryptionMode")->setCurrentIndex(1); },
             [](ZephDeviceConfig &c) { c.forceEncryption = 1; }, {forceText}},
            {"dedup off keeps its threshold",
             [](DeviceConfig &d) {
                 press(child<QGroupBox>(&d, "m_chkEnableDedup"));
                 child<QDoubleSpinBox>(&d, "m_edtDedupThreshold")->setValue(2.5);
             },
             [](ZephDeviceConfig &c) { c.enableDedup = 0; }, {}},
            {"dedup threshold",
             [](DeviceConfig &d) { child<QDoubleSpinBox>(&d, "m_edtDedupThreshold")->setValue(1.05); },
             [](ZephDeviceConfig &c) { c.dedupThreshold = 1.05f; }, {}},
            {"auth threshold",
             [](DeviceConfig &d) { child<QDoubleSpinBox>(&d, "m_AuthThreshold")->setValue(0.85); },
             [](ZephDeviceConfig &c) { c.authThreshold = 0.85f; }, {}},
            {"supervised enrollment",
             [](DeviceConfig &d) { press(child<QCheckBox>(&d, "m_chkSupervisedEnrollment")); },
             [](ZephDeviceConfig &c) { c.supervisedEnrollment = 1; }, {}},
            {"data closure",
             [](DeviceConfig &d) { press(child<QCheckBox>(&d, "m_chkDataClosure")); },
             [](ZephDeviceConfig &c) { c.dataClosure = 1; }, {closureText}},
            {"stream off",
             [](DeviceConfig &d) {
                 press(child<QGroupBox>(&d, "m_chkEnableStreaming"));
                 QVERIFY(!child<QComboBox>(&d, "m_cbStreamingScale")->isEnabled());
             },
             [](ZephDeviceConfig &c) { c.enableStream = 0; }, {}},
            {"stream scale 1/16",
             [](DeviceConfig &d) { child<QComboBox>(&d, "m_cbStreamingScale")->setCurrentIndex(4); },
             [](ZephDeviceConfig &c) { c.streamScale = 16; }, {}},
            {"stream scale 1",
             [](DeviceConfig &d) { child<QComboBox>(&d, "m_cbStreamingScale")->setCurrentIndex(0); },
             [](ZephDeviceConfig &c) { c.streamScale = 1; }, {}},
            {"baud rate",
             [](DeviceConfig &d) { child<QSpinBox>(&d, "m_edtBaudrate")->setValue(9600); },
             [](ZephDeviceConfig &c) { c.uartBaudrate = 9600; }, {}},
            {"hardware flow control",
             [](DeviceConfig &d) { press(child<QRadioButton>(&d, "m_rdHardware")); },
             [](ZephDeviceConfig &c) { c.uartFlowControl = 1; }, {}},
            {"automatic standby after 120 s",
             [](DeviceConfig &d) {
                 press(child<QGroupBox>(&d, "grbPowerManagement"));
                 child<QComboBox>(&d, "m_cbSleepMode")->setCurrentIndex(0);
                 child<QSpinBox>(&d, "m_edTimeoutToSleep")->setValue(120);
             },
             [](ZephDeviceConfig &c) { c.sleepMode = ZEPH_SLEEP_STANDBY; c.sleepTimeout = 120; }, {}},
            {"automatic deep sleep, confirmed",
             [](DeviceConfig &d) {
                 press(child<QGroupBox>(&d, "grbPowerManagement"));
                 child<QComboBox>(&d, "m_cbSleepMode")->setCurrentIndex(2);
                 child<QSpinBox>(&d, "m_edTimeoutToSleep")->setValue(65535);
             },
             [](ZephDeviceConfig &c) { c.sleepMode = ZEPH_SLEEP_DEEP; c.sleepTimeout = 65535; },
             {QStringLiteral("WARNING: Deep sleep device only wakes up by hardware signal. USB "
                             "Device needs to be opened again after wake-up.\nDo you want to put "
                             "device into deep sleep?")},
             QStringLiteral("Yes")},
            {"deep sleep interrupt",
             [](DeviceConfig &d) { press(child<QCheckBox>(&d, "m_chkDeepSleepInterrupt")); },
             [](ZephDeviceConfig &c) { c.deepSleepInterrupt = 1; }, {}},
        };

        for (const Row &row : rows) {
            Screen screen;
            const ZephDeviceConfig before = screen.cameraRecord();
            for (const QString &text : row.warnings)
                screen.boxes.expect(text.startsWith(QStringLiteral("WARNING")) ? QStringLiteral("Warning")
                                                                                : QStringLiteral("Information"),
                                    row.answer, text);
            screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
            {
                DeviceConfig dialog;
                dialog.show();
                row.edit(dialog);
                QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
                QVERIFY2(dialog.isHidden(), row.name); // a success closes it
            }
            QVERIFY2(screen.boxes.satisfied(), qPrintable(QString::fromLatin1(row.name) + QLatin1Char('\n')
                                                           + screen.describeBoxes()));
            ZephDeviceConfig expected = before;
            row.expect(expected);
            const ZephDeviceConfig after = screen.cameraRecord();
            QVERIFY2(DeviceConfigRecord::same(after, expected),
                     qPrintable(QString::fromLatin1(row.name) + QStringLiteral(": ") + differences(after, expected)));
            QVERIFY2(DeviceConfigRecord::same(screen.ctx.deviceConfig, expected), row.name);
        }
    }

    // Refused before anything is sent, or refused by the camera: the box
    // that explains it, no success box, the dialog still open, the held
    // record as read.
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("injected");    // 0: the camera judges
        QTest::addColumn<double>("auth");
        QTest::addColumn<int>("timeout");     // -1: automatic sleep left off
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("sent");        // Zeph_SetDeviceConfig calls
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        const QString range = QStringLiteral("The timeout to sleep must be in range [10-65535]");
        const QString thresholds = QStringLiteral("Authentication and deduplication thresholds must be in range [0.8-1.1]");
        const QString invalid = QStringLiteral("Failed to update device configuration. Parameter is invalid.");
        const int warning = QMessageBox::Warning, critical = QMessageBox::Critical;
        QTest::newRow("timeout 9") << "" << 0 << 1.0 << 9 << 115200 << 0 << warning << range;
        QTest::newRow("timeout 0") << "" << 0 << 1.0 << 0 << 115200 << 0 << warning << range;
        QTest::newRow("timeout 65536") << "" << 0 << 1.0 << 65536 << 115200 << 0 << warning << range;
        QTest::newRow("invalid, auth 1.2") << "" << 15 << 1.2 << -1 << 115200 << 1 << warning << thresholds;
        QTest::newRow("camera refuses auth 1.2") << "" << 0 << 1.2 << -1 << 115200 << 1 << warning << thresholds;
        QTest::newRow("camera refuses auth 0.79") << "" << 0 << 0.79 << -1 << 115200 << 1 << warning << thresholds;
        QTest::newRow("invalid, thresholds fine") << "" << 15 << 1.0 << -1 << 115200 << 1 << critical << invalid;
        QTest::newRow("camera refuses baud 12345") << "" << 0 << 1.0 << -1 << 12345 << 1 << critical << invalid;
        QTest::newRow("permission") << "" << 0x2010 << 1.0 << -1 << 115200 << 1 << warning
                                    << QStringLiteral("Permission denied. You must login as Administrator to do this function.");
        QTest::newRow("io failed") << "" << 8 << 1.0 << -1 << 115200 << 1 << warning
                                   << QStringLiteral("Failed to update the device configuration. Device IO failed");
        QTest::newRow("unknown code") << "" << 0x7777 << 1.0 << -1 << 115200 << 1 << warning
                                      << QStringLiteral("Failed to update the device configuration. Error Code 0x7777");
    }

    void refusals()
    {
        QFETCH(int, injected);
        QFETCH(double, auth);
        QFETCH(int, timeout);
        QFETCH(int, baud);
        QFETCH(int, sent);
        QFETCH(int, icon);
        QFETCH(QString, text);

        Screen screen;
        const ZephDeviceConfig before = screen.cameraRecord();
        DeviceConfig dialog;
        dialog.show();
        child<QDoubleSpinBox>(&dialog, "m_AuthThreshold")->setValue(auth);
        child<QSpinBox>(&dialog, "m_edtBaudrate")->setValue(baud);
        if (timeout >= 0) {
            press(child<QGroupBox>(&dialog, "grbPowerManagement"));
            child<QSpinBox>(&dialog, "m_edTimeoutToSleep")->setValue(timeout);
        }
        if (injected)
            Zvc_FailNext("Zeph_SetDeviceConfig", 1, injected);
        Zvc_ResetCallCounts();
        screen.boxes.expect(kTitle, QStringLiteral("OK"), text);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);

        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(int(screen.boxes.shown().last().icon), icon);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), sent);
        QVERIFY(dialog.isVisible());
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "m_AuthThreshold")->value(), auth);
        QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, before));
        QVERIFY(DeviceConfigRecord::same(screen.cameraRecord(), before));
    }

    // With automatic sleep unchecked the record gets timeout 0 whatever the
    // spin box shows; deep sleep answered No writes nothing.
    void automaticSleepOffAndDeepSleepDeclined()
    {
        ZephDeviceConfig c = startRecord();
        c.sleepTimeout = 200;
        c.sleepMode = ZEPH_SLEEP_STANDBY;
        Screen screen(c);
        {
            DeviceConfig dialog;
            child<QComboBox>(&dialog, "m_cbSleepMode")->setCurrentIndex(2);
            press(child<QGroupBox>(&dialog, "grbPowerManagement")); // off
            child<QSpinBox>(&dialog, "m_edTimeoutToSleep")->setValue(5);
            screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
            QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        }
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(screen.cameraRecord().sleepTimeout, 0);
        QCOMPARE(screen.cameraRecord().sleepMode, ZEPH_SLEEP_STANDBY);

        DeviceConfig dialog;
        press(child<QGroupBox>(&dialog, "grbPowerManagement"));
        child<QComboBox>(&dialog, "m_cbSleepMode")->setCurrentIndex(2);
        Zvc_ResetCallCounts();
        screen.boxes.expect(QStringLiteral("Warning"), QStringLiteral("No"));
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), 0);
    }

    // A decimal comma in the spin box's text must not turn 0.95 into 0.
    void thresholdFromTheValueNotTheText()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Screen screen;
        DeviceConfig dialog;
        auto *auth = child<QDoubleSpinBox>(&dialog, "m_AuthThreshold");
        auth->setValue(0.95);
        QCOMPARE(auth->text(), QStringLiteral("0,95"));
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(screen.cameraRecord().authThreshold, 0.95f);
    }

    // The dialog's own read fails but the context holds the record read at
    // opening: that one is shown and may be sent.
    void failedReadShowsTheHeldRecord()
    {
        Screen screen;
        screen.ctx.deviceConfig = screen.cameraRecord();
        Zvc_FailNext("Zeph_GetDeviceConfig", 1, 0x1008);
        DeviceConfig dialog;
        QVERIFY(!dialog.readSucceeded());
        QVERIFY(screen.ctx.deviceConfigRead);
        QCOMPARE(child<QComboBox>(&dialog, "m_cbStreamingScale")->currentText(), QStringLiteral("1/4"));
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
    }

    // No record was ever read from this device: Update and the UART
    // carry-over refuse, and a baud rate of 0 never reaches the SDK.
    void neverReadRecordIsNotWrittenBack()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        Zvc_FailNext("Zeph_GetDeviceConfig", 2, 0x1008); // opening, then the dialog
        QCOMPARE(ctx.openDevice(), 0);
        QVERIFY(!ctx.deviceConfigRead);
        QCOMPARE(ctx.deviceConfig.uartBaudrate, 0u);
        Zvc_ResetCallCounts();

        DeviceConfig dialog;
        QVERIFY(!dialog.readSucceeded());
        boxes.expect(kTitle, QStringLiteral("OK"),
                     QStringLiteral("The device configuration has not been read from the device, "
                                    "so it cannot be changed. Open the device again and retry."));
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), 0);

        QCOMPARE(UartCarryOver::carry(ctx), UartCarryOver::Outcome::Refused);
        QCOMPARE(ctx.sdkConfig.uartBaudrate, 115200u);
        QCOMPARE(Zvc_CallCount("Zeph_SetSdkConfig"), 0);
        QVERIFY(ctx.statusMessage().contains(QStringLiteral("not read")));

        // A later successful read makes the record real again.
        DeviceConfig reread;
        QVERIFY(reread.readSucceeded());
        QVERIFY(ctx.deviceConfigRead);
        QCOMPARE(ctx.deviceConfig.uartBaudrate, 115200u);
    }

    // The Configuration action as system management runs it: the dialog,
    // then the host's UART settings following a changed camera, once.
    void uartSettingsCarriedToTheHost()
    {
        Screen screen;
        QCOMPARE(screen.ctx.sdkConfig.uartBaudrate, 115200u);
        const auto operate = [&](std::function<void(DeviceConfig &)> edit) {
            QTimer::singleShot(0, [edit] {
                auto *dialog = qobject_cast<DeviceConfig *>(QApplication::activeModalWidget());
                if (!dialog)
                    qFatal("the dialog is not up");
                edit(*dialog);
                QTest::mouseClick(child<QPushButton>(dialog, "m_btnOK"), Qt::LeftButton);
                if (dialog->isVisible())
                    dialog->reject();
            });
        };

        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        operate([](DeviceConfig &d) {
            child<QSpinBox>(&d, "m_edtBaudrate")->setValue(57600);
            press(child<QRadioButton>(&d, "m_rdHardware"));
        });
        QVERIFY(!DeviceConfig::runAndCarryOver(nullptr));
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(Zvc_CallCount("Zeph_SetSdkConfig"), 1);
        ZephSdkConfig host{};
        QCOMPARE(Zeph_GetSdkConfig(&host), 0);
        QCOMPARE(host.uartBaudrate, 57600u);
        QCOMPARE(host.uartFlowControl, 1u);
        QCOMPARE(screen.ctx.sdkConfig.uartBaudrate, 57600u);

        // Unchanged UART settings send nothing; a changed encryption says so.
        Zvc_ResetCallCounts();
        screen.boxes.expect(QStringLiteral("Information"), QStringLiteral("OK"));
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        operate([](DeviceConfig &d) { child<QComboBox>(&d, "m_cbEncryptionMode")->setCurrentIndex(1); });
        QVERIFY(DeviceConfig::runAndCarryOver(nullptr));
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(Zvc_CallCount("Zeph_SetSdkConfig"), 0);

        // The SDK refusing the settings leaves the host's record as it was.
        ZephDeviceConfig c = screen.cameraRecord();
        c.uartBaudrate = 9600;
        screen.ctx.deviceConfig = c;
        Zvc_FailNext("Zeph_SetSdkConfig", 1, 15);
        QCOMPARE(UartCarryOver::carry(screen.ctx), UartCarryOver::Outcome::Failed);
        QCOMPARE(screen.ctx.sdkConfig.uartBaudrate, 57600u);
        QCOMPARE(screen.ctx.statusMessage(), QStringLiteral("Invalid parameter"));
    }

    void cancelWritesNothing()
    {
        Screen screen;
        DeviceConfig dialog;
        dialog.show();
        child<QSpinBox>(&dialog, "m_edtBaudrate")->setValue(9600);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnCancel"), Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), 0);
        QVERIFY(screen.boxes.shown().isEmpty());
    }

    // A scale the list has no item for shows the first item; no item
    // selected at all keeps the byte the camera holds.
    void streamScaleWithoutItem()
    {
        Screen screen;
        screen.ctx.deviceConfig.streamScale = 3;
        Zvc_FailNext("Zeph_GetDeviceConfig", 1, 0x1008); // the dialog shows the held record
        {
            DeviceConfig dialog;
            QCOMPARE(child<QComboBox>(&dialog, "m_cbStreamingScale")->currentIndex(), 0);
        }
        DeviceConfig dialog; // reads the camera's 4 again
        auto *scale = child<QComboBox>(&dialog, "m_cbStreamingScale");
        QCOMPARE(scale->currentText(), QStringLiteral("1/4"));
        scale->setCurrentIndex(-1);
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.describeBoxes()));
        QCOMPARE(screen.cameraRecord().streamScale, 4);
    }

    // On a UART link the one stream format offered is MONO_JPEG.
    void uartStreamsJpeg()
    {
        Screen screen;
        screen.ctx.sdkConfig.commStd = ZEPH_COMM_UART;
        DeviceConfig dialog;
        auto *format = child<QComboBox>(&dialog, "m_cbStreamingFormat");
        QCOMPARE(format->count(), 1);
        QCOMPARE(format->currentText(), QStringLiteral("MONO_JPEG"));
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        QCOMPARE(screen.cameraRecord().streamFormat, ZEPH_FORMAT_MONO_JPEG);
    }
};

QTEST_MAIN(TestDeviceConfig)
#include "tst_deviceconfig.moc"

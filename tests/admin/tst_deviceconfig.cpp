// The device configuration: the camera's 52-byte record byte by byte, the
// rules of the dialog no control can reach, and the dialog on the virtual
// camera: what it shows, the round trip of every field through its controls,
// the refusals and how they are explained, the record that was never read,
// and the host's UART settings following the camera's.

#include "support/AdminScreen.h"
#include "admin/DeviceConfig.h"
#include "admin/DeviceConfigEdit.h"
#include "admin/DeviceConfigRecord.h"
#include "admin/UartCarryOver.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <cmath>
#include <functional>

namespace {

using Bytes = DeviceConfigRecord::Bytes;
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

// The record as its bytes, so that a failed comparison shows them.
QByteArray bytes(const ZephDeviceConfig &c)
{
    const Bytes b = DeviceConfigRecord::encode(c);
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size()));
}

// The open camera holding its factory record with reserved bytes of its own,
// so that a dialog that zeroed or lost them is caught.
struct Screen : AdminScreen {
    Screen()
    {
        put([](ZephDeviceConfig &c) {
            c.reserved2[0] = 0x12;
            c.reserved2[1] = 0x34;
            c.reserved18[1] = 0x56;
            for (std::size_t i = 0; i < sizeof c.reserved25; ++i)
                c.reserved25[i] = static_cast<uint8_t>(0x60 + i);
            for (std::size_t i = 0; i < sizeof c.reserved40; ++i)
                c.reserved40[i] = static_cast<uint8_t>(0xF0 - i);
        });
    }
    // Changes the camera's record behind the program's back.
    void put(const std::function<void(ZephDeviceConfig &)> &change)
    {
        ZephDeviceConfig c = cameraRecord();
        change(c);
        if (Zeph_SetDeviceConfig(ctx.deviceHandle, &c) != 0)
            qFatal("camera refused the record");
        Zvc_ResetCallCounts();
    }
};

// One step of the operator's in the dialog, or a look at it on the way.
using Step = std::function<void(DeviceConfig &)>;

Step pick(const char *combo, int item)
{
    return [=](DeviceConfig &d) { child<QComboBox>(&d, combo)->setCurrentIndex(item); };
}
Step enter(const char *spinBox, double value)
{
    return [=](DeviceConfig &d) {
        if (auto *whole = qobject_cast<QSpinBox *>(child<QWidget>(&d, spinBox)))
            whole->setValue(int(value));
        else
            child<QDoubleSpinBox>(&d, spinBox)->setValue(value);
    };
}
Step toggle(const char *checkable)
{
    return [=](DeviceConfig &d) { pressKey(child<QWidget>(&d, checkable)); };
}

// The operator's steps and what they do to the camera's record.
struct Edit {
    QList<Step> steps;
    std::function<void(ZephDeviceConfig &)> expect; // on the record before; none: unchanged
    QStringList boxes {};                           // Information / Warning boxes on the way
    QString answer = QStringLiteral("OK");          // to each of them
    bool sent = true;                               // false: nothing written, the dialog stays up
    std::function<void(Screen &)> before {};        // before the dialog opens
};

struct Refusal {
    int injected; // 0: the camera judges
    double auth;
    int timeout; // -1: automatic sleep left off
    int baud;
    int sent; // Zeph_SetDeviceConfig calls
    int icon;
    QString text;
};

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Refusal)

class TestDeviceConfig : public QObject
{
    Q_OBJECT
private slots:
    // Each field at its offset, little-endian; reserved bytes come back out
    // exactly as they went in; nothing but 52 bytes decodes.
    void recordLayout()
    {
        const Bytes record = {
            1,    1,    0xA2, 0xA3, 0x33, 0x33, 0x73, 0x3F, 0x00, 0x00, 0x80, 0x3F, // 0..11
            0,    1,    1,    8,    6,    80,   0xB2, 0xB3, 0x00, 0xE1, 0x00, 0x00, // 12..23
            1,    0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, // 24..35
            1,    4,    0x2C, 0x01, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, // 36..47
            0xD0, 0xD1, 0xD2, 0xD3};
        const auto c = DeviceConfigRecord::decode(record.data(), record.size());
        QVERIFY(c);
        // The multi-byte fields and one byte on each side of a reserved run;
        // encoding it again gives every byte back.
        QCOMPARE(c->dedupThreshold, 0.95f);
        QCOMPARE(c->authThreshold, 1.0f);
        QCOMPARE(c->compressionQuality, 80);
        QCOMPARE(c->uartBaudrate, 57600u);
        QCOMPARE(c->uartFlowControl, 1);
        QCOMPARE(c->deepSleepInterrupt, 1);
        QCOMPARE(c->sleepTimeout, 300);
        QVERIFY(DeviceConfigRecord::encode(*c) == record);
        // A NaN threshold goes out as the bytes it came in as.
        Bytes nan = record;
        nan[6] = 0xC1;
        nan[7] = 0x7F;
        QVERIFY(DeviceConfigRecord::encode(*DeviceConfigRecord::decode(nan.data(), nan.size())) == nan);

        QVERIFY(!DeviceConfigRecord::decode(nullptr, 52));
        QVERIFY(!DeviceConfigRecord::decode(record.data(), 51));
        const std::array<uint8_t, 53> longer{};
        QVERIFY(!DeviceConfigRecord::decode(longer.data(), longer.size()));
    }

    // What no control of the dialog can produce: a quality the byte cannot
    // hold, thresholds the camera refused for being out of range (the texts
    // they choose are refusals_data()'s).
    void editRules()
    {
        DeviceConfigEdit::Entries e;
        e.compressionQuality = 356; // would land as 100 in the byte
        QCOMPARE(DeviceConfigEdit::check(e), DeviceConfigEdit::Problem::CompressionQuality);
        ZephDeviceConfig c{};
        c.enableDedup = 1;
        c.dedupThreshold = 1.15f;
        c.authThreshold = 1.0f;
        QVERIFY(DeviceConfigEdit::thresholdsOutOfRange(c));
        c.enableDedup = 0; // its threshold ignored
        QVERIFY(!DeviceConfigEdit::thresholdsOutOfRange(c));
        c.authThreshold = std::nanf("");
        QVERIFY(DeviceConfigEdit::thresholdsOutOfRange(c));
    }

    // Each control, changed as the operator changes it, reaches the camera
    // in its own field and nowhere else; reserved bytes come back as read.
    void everyFieldRoundTrips_data()
    {
        QTest::addColumn<Edit>("e");
        const Step autoSleep = toggle("grbPowerManagement");
        QTest::newRow("nothing changed") << Edit{};
        // A record unlike the factory's goes back as it was: every control
        // showed its field, read at opening (the context's stale standby
        // aside), and loading "Force" and data closure warned of nothing.
        QTest::newRow("every field shown as read")
            << Edit{{}, {}, {kUsbDeepSleep}, QStringLiteral("Yes"), true, [](Screen &s) {
                        s.put([](ZephDeviceConfig &c) {
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
                        });
                        s.ctx.deviceConfig.sleepMode = ZEPH_SLEEP_STANDBY;
                    }};
        QTest::newRow("force encryption") << Edit{
            {pick("m_cbEncryptionMode", 1)}, [](ZephDeviceConfig &c) { c.forceEncryption = 1; },
            {QStringLiteral("This option will disable all functions that get images and templates in "
                            "non-encrypted format. Thus, some functions might result in \"(Dev) Function "
                            "Disabled\" because this application supports only non-encrypted images and "
                            "templates.")}};
        QTest::newRow("dedup threshold")
            << Edit{{enter("m_edtDedupThreshold", 1.05)}, [](ZephDeviceConfig &c) { c.dedupThreshold = 1.05f; }};
        // A decimal comma in the spin box's text must not turn 0.85 into 0.
        const Step comma = [](DeviceConfig &d) {
            child<QWidget>(&d, "m_AuthThreshold")->setLocale(QLocale(QLocale::German, QLocale::Germany));
        };
        const Step shown = [](DeviceConfig &d) {
            QCOMPARE(child<QDoubleSpinBox>(&d, "m_AuthThreshold")->text(), QStringLiteral("0,85"));
        };
        QTest::newRow("auth threshold, decimal comma")
            << Edit{{comma, enter("m_AuthThreshold", 0.85), shown},
                    [](ZephDeviceConfig &c) { c.authThreshold = 0.85f; }};
        QTest::newRow("data closure") << Edit{
            {toggle("m_chkDataClosure")}, [](ZephDeviceConfig &c) { c.dataClosure = 1; },
            {QStringLiteral("This option, when on, disallows the application to access iris images and "
                            "templates in the device, leading to \"(Dev) Function Disabled\" error message "
                            "in some function execution.")}};
        QTest::newRow("stream off")
            << Edit{{toggle("m_chkEnableStreaming")}, [](ZephDeviceConfig &c) { c.enableStream = 0; }};
        QTest::newRow("stream scale 1/16")
            << Edit{{pick("m_cbStreamingScale", 4)}, [](ZephDeviceConfig &c) { c.streamScale = 16; }};
        // On a UART link the one stream format offered is MONO_JPEG.
        const Step jpegOnly = [](DeviceConfig &d) {
            auto *format = child<QComboBox>(&d, "m_cbStreamingFormat");
            QCOMPARE(format->count(), 1);
            QCOMPARE(format->currentText(), QStringLiteral("MONO_JPEG"));
        };
        QTest::newRow("uart streams jpeg")
            << Edit{{jpegOnly}, [](ZephDeviceConfig &c) { c.streamFormat = ZEPH_FORMAT_MONO_JPEG; }, {},
                    QStringLiteral("OK"), true, [](Screen &s) { s.ctx.sdkConfig.commStd = ZEPH_COMM_UART; }};
        // Baud rate and flow control are configurationButton's.
        QTest::newRow("automatic standby after 10 s")
            << Edit{{autoSleep, pick("m_cbSleepMode", 0), enter("m_edTimeoutToSleep", 10)},
                    [](ZephDeviceConfig &c) {
                        c.sleepMode = ZEPH_SLEEP_STANDBY;
                        c.sleepTimeout = 10;
                    }};
        QTest::newRow("automatic deep sleep, confirmed")
            << Edit{{autoSleep, pick("m_cbSleepMode", 2), enter("m_edTimeoutToSleep", 65535)},
                    [](ZephDeviceConfig &c) {
                        c.sleepMode = ZEPH_SLEEP_DEEP;
                        c.sleepTimeout = 65535;
                    },
                    {kUsbDeepSleep}, QStringLiteral("Yes")};
        QTest::newRow("automatic deep sleep, declined")
            << Edit{{autoSleep, pick("m_cbSleepMode", 2)}, {}, {kUsbDeepSleep}, QStringLiteral("No"), false};
        // Unchecked, the record gets timeout 0 whatever the spin box shows,
        // and keeps the camera's mode whatever the list shows.
        QTest::newRow("automatic sleep off")
            << Edit{{pick("m_cbSleepMode", 2), autoSleep, enter("m_edTimeoutToSleep", 5)},
                    [](ZephDeviceConfig &c) { c.sleepTimeout = 0; }, {}, QStringLiteral("OK"), true,
                    [](Screen &s) {
                        s.put([](ZephDeviceConfig &c) {
                            c.sleepTimeout = 200;
                            c.sleepMode = ZEPH_SLEEP_STANDBY;
                        });
                    }};
    }

    void everyFieldRoundTrips()
    {
        QFETCH(Edit, e);
        Screen screen;
        if (e.before)
            e.before(screen);
        const ZephDeviceConfig before = screen.cameraRecord();
        for (const QString &text : e.boxes)
            screen.boxes.expect(text.startsWith("WARNING") ? "Warning" : "Information", e.answer, text);
        if (e.sent)
            screen.boxes.expect(kTitle, "OK", kSuccess);
        DeviceConfig dialog;
        dialog.show();
        for (const Step &step : e.steps)
            step(dialog);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        SCRIPT_DONE(screen);
        QCOMPARE(dialog.isHidden(), e.sent); // a success closes it
        ZephDeviceConfig expected = before;
        if (e.expect)
            e.expect(expected);
        QCOMPARE(bytes(screen.cameraRecord()), bytes(expected));
        QCOMPARE(bytes(screen.ctx.deviceConfig), bytes(expected));
    }

    // Refused before anything is sent, or refused by the camera: the box
    // that explains it, no success box, the dialog still open, the held
    // record as read; Cancel then leaves, writing nothing.
    void refusals_data()
    {
        QTest::addColumn<Refusal>("r");
        const QString range = QStringLiteral("The timeout to sleep must be in range [10-65535]");
        const QString thresholds =
            QStringLiteral("Authentication and deduplication thresholds must be in range [0.8-1.1]");
        const QString invalid = QStringLiteral("Failed to update device configuration. Parameter is invalid.");
        const int warning = QMessageBox::Warning, critical = QMessageBox::Critical;
        QTest::newRow("timeout 9") << Refusal{0, 1.0, 9, 115200, 0, warning, range};
        QTest::newRow("camera refuses auth 1.2") << Refusal{0, 1.2, -1, 115200, 1, warning, thresholds};
        QTest::newRow("camera refuses baud 12345") << Refusal{0, 1.0, -1, 12345, 1, critical, invalid};
        QTest::newRow("permission") << Refusal{0x2010, 1.0, -1, 115200, 1, warning, kAdminOnly};
        QTest::newRow("io failed") << Refusal{
            8, 1.0, -1, 115200, 1, warning,
            QStringLiteral("Failed to update the device configuration. Device IO failed")};
    }

    void refusals()
    {
        QFETCH(Refusal, r);
        Screen screen;
        const ZephDeviceConfig before = screen.cameraRecord();
        DeviceConfig dialog;
        dialog.show();
        child<QDoubleSpinBox>(&dialog, "m_AuthThreshold")->setValue(r.auth);
        child<QSpinBox>(&dialog, "m_edtBaudrate")->setValue(r.baud);
        if (r.timeout >= 0) {
            pressKey(child<QGroupBox>(&dialog, "grbPowerManagement"));
            child<QSpinBox>(&dialog, "m_edTimeoutToSleep")->setValue(r.timeout);
        }
        if (r.injected)
            Zvc_FailNext("Zeph_SetDeviceConfig", 1, r.injected);
        Zvc_ResetCallCounts();
        screen.boxes.expect(kTitle, QStringLiteral("OK"), r.text);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        SCRIPT_DONE(screen);
        QCOMPARE(int(screen.boxes.shown().last().icon), r.icon);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), r.sent);
        QVERIFY(dialog.isVisible());
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "m_AuthThreshold")->value(), r.auth);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnCancel"), Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), r.sent);
        QCOMPARE(bytes(screen.ctx.deviceConfig), bytes(before));
        QCOMPARE(bytes(screen.cameraRecord()), bytes(before));
    }

    // No record was ever read from this device: Update and the UART
    // carry-over refuse, and a baud rate of 0 never reaches the SDK.
    void neverReadRecordIsNotWrittenBack()
    {
        AdminScreen s(false);
        AppContext &ctx = s.ctx;
        s.camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        Zvc_FailNext("Zeph_GetDeviceConfig", 2, 0x1008); // opening, then the dialog
        QCOMPARE(ctx.openDevice(), 0);
        QVERIFY(!ctx.deviceConfigRead);
        QCOMPARE(ctx.deviceConfig.uartBaudrate, 0u);
        Zvc_ResetCallCounts();

        DeviceConfig dialog;
        QVERIFY(!dialog.readSucceeded());
        s.boxes.expect(kTitle, QStringLiteral("OK"), kNotRead);
        QTest::mouseClick(child<QPushButton>(&dialog, "m_btnOK"), Qt::LeftButton);
        SCRIPT_DONE(s);
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

    // The Configuration button of system management: the dialog, then the
    // host's UART settings following a changed camera, once; a changed
    // encryption fetches the capture again (the camera now withholds its
    // images), on a UART session as JPEG 2000 at quality 3.
    void configurationButton()
    {
        Screen screen;
        screen.capture(7);
        screen.show(WorkAreaSysManagement);
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
            screen.click("m_btnSetDevConfig");
        };
        Zvc_ResetCallCounts();
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        operate([](DeviceConfig &d) {
            child<QSpinBox>(&d, "m_edtBaudrate")->setValue(57600);
            pressKey(child<QRadioButton>(&d, "m_rdHardware"));
        });
        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SetSdkConfig"), 1);
        ZephSdkConfig host{};
        QCOMPARE(Zeph_GetSdkConfig(&host), 0);
        QCOMPARE(host.uartBaudrate, 57600u);
        QCOMPARE(host.uartFlowControl, 1u);
        QCOMPARE(screen.ctx.sdkConfig.uartBaudrate, 57600u);
        QCOMPARE(Zvc_CallCount("Zeph_GetResultImage"), 0); // nothing changed that the images depend on

        // Unchanged UART settings send nothing; a changed encryption says so.
        Zvc_ResetCallCounts();
        screen.ctx.pendingCommStd = ZEPH_COMM_UART;
        screen.boxes.expect(QStringLiteral("Information"), QStringLiteral("OK"));
        screen.boxes.expect(kTitle, QStringLiteral("OK"), kSuccess);
        operate([](DeviceConfig &d) { child<QComboBox>(&d, "m_cbEncryptionMode")->setCurrentIndex(1); });
        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SetSdkConfig"), 0);
        QCOMPARE(screen.ctx.resultFormat, 10);
        QCOMPARE(int(screen.ctx.j2kQuality), 3);
        QCOMPARE(Zvc_CallCount("Zeph_GetResultImage"), 1);
    }
};

QTEST_MAIN(TestDeviceConfig)
#include "tst_deviceconfig.moc"

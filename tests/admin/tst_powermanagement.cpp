// The power management work area on the virtual camera: what it shows of the
// automatic sleep, when Apply is offered, what Apply writes and how its
// failures show, and the three sleep commands.

#include "admin/DeviceConfigRecord.h"
#include "admin/PowerManagement.h"
#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "core/AppContext.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <functional>

namespace {

const QString kApplyTitle = QStringLiteral("Auto Power");
const QString kUsbDeepSleep = QStringLiteral(
    "WARNING: Deep sleep device only wakes up by hardware signal. USB Device needs to be opened "
    "again after wake-up.\nDo you want to put device into deep sleep?");

template <class T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void press(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Space);
}

int32_t sleepState(const char *device = ZVC_DEFAULT_USB_BINOCULAR)
{
    int32_t state = -1;
    Zvc_SleepState(device, &state);
    return state;
}

// Lets the camera's notifications reach the main window.
void deliverNotifications()
{
    Zvc_FlushNotifications();
    QCoreApplication::processEvents();
}

// An open camera whose automatic sleep is as given, and the work area on it.
struct Screen {
    Screen(uint16_t timeout = 0, uint8_t mode = ZEPH_SLEEP_SLEEP,
           const std::function<void(AppContext &)> &beforeCreating = {})
        : ctx(camera.context())
    {
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        if (ctx.openDevice() != 0)
            qFatal("device did not open");
        ZephDeviceConfig c = ctx.deviceConfig;
        c.sleepTimeout = timeout;
        c.sleepMode = mode;
        if (Zeph_SetDeviceConfig(ctx.deviceHandle, &c) != 0)
            qFatal("camera refused the record");
        ctx.deviceConfig = c;
        if (beforeCreating)
            beforeCreating(ctx);
        area = std::make_unique<PowerManagement>();
        area->show();
        Zvc_ResetCallCounts();
    }
    QGroupBox *automatic() const { return child<QGroupBox>(area.get(), "grbAutoPower"); }
    QGroupBox *manual() const { return child<QGroupBox>(area.get(), "grbManualPower"); }
    QComboBox *mode() const { return child<QComboBox>(area.get(), "cbSleepMode"); }
    QSpinBox *after() const { return child<QSpinBox>(area.get(), "edSleepAfter"); }
    QPushButton *apply() const { return child<QPushButton>(area.get(), "btApply"); }
    void click(const char *name) { QTest::mouseClick(child<QPushButton>(area.get(), name), Qt::LeftButton); }
    ZephDeviceConfig cameraRecord() const
    {
        ZephDeviceConfig c{};
        Zeph_GetDeviceConfig(ctx.deviceHandle, &c);
        return c;
    }

    VirtualCameraFixture camera;
    AppContext &ctx;
    MessageBoxScript boxes;
    std::unique_ptr<PowerManagement> area;
};

} // namespace

class TestPowerManagement : public QObject
{
    Q_OBJECT
private slots:
    // With no device everything is greyed out and nothing can be sent.
    void noDeviceDisablesEverything()
    {
        VirtualCameraFixture camera;
        MessageBoxScript boxes;
        PowerManagement area;
        QCOMPARE(area.windowTitle(), QStringLiteral("Power Management"));
        QVERIFY(!child<QGroupBox>(&area, "grbAutoPower")->isEnabled());
        QVERIFY(!child<QGroupBox>(&area, "grbAutoPower")->isChecked());
        QVERIFY(!child<QGroupBox>(&area, "grbManualPower")->isEnabled());
        QCOMPARE(child<QComboBox>(&area, "cbSleepMode")->count(), 0);
        QVERIFY(child<QCheckBox>(&area, "chkDeepSleepInterrupt")->isHidden());
        QVERIFY(boxes.shown().isEmpty()); // the quiet open asks nothing
    }

    void showsTheAutomaticSleep_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("item");
        QTest::newRow("off") << 0 << 2 << false << 60 << "Sleep";
        QTest::newRow("standby after 300 s") << 300 << 1 << true << 300 << "Standby";
        QTest::newRow("deep sleep after 45 s") << 45 << 4 << true << 45 << "Deep Sleep";
        QTest::newRow("mode the list lacks") << 30 << 3 << true << 30 << "Sleep";
    }

    void showsTheAutomaticSleep()
    {
        QFETCH(int, timeout);
        QFETCH(int, mode);
        QFETCH(bool, checked);
        QFETCH(int, after);
        QFETCH(QString, item);
        // The camera takes no mode 3; the context may still hold one.
        Screen screen(static_cast<uint16_t>(timeout), mode == 3 ? 2 : static_cast<uint8_t>(mode),
                      [mode](AppContext &ctx) { ctx.deviceConfig.sleepMode = static_cast<uint8_t>(mode); });
        QVERIFY(screen.automatic()->isEnabled());
        QVERIFY(screen.manual()->isEnabled());
        QCOMPARE(screen.automatic()->isChecked(), checked);
        QCOMPARE(screen.after()->value(), after);
        QCOMPARE(screen.mode()->currentText(), item);
        QStringList items;
        for (int i = 0; i < screen.mode()->count(); ++i)
            items << screen.mode()->itemText(i);
        QCOMPARE(items, (QStringList{"Standby", "Sleep", "Deep Sleep"}));
        QVERIFY(!screen.apply()->isEnabled());
    }

    // Apply is offered exactly while the screen differs from the record.
    void applyFollowsChanges()
    {
        Screen on(120, ZEPH_SLEEP_STANDBY);
        on.mode()->setCurrentIndex(2);
        QVERIFY(on.apply()->isEnabled());
        on.mode()->setCurrentIndex(0);
        QVERIFY(!on.apply()->isEnabled());
        on.after()->setValue(121);
        QVERIFY(on.apply()->isEnabled());
        on.after()->setValue(120);
        QVERIFY(!on.apply()->isEnabled());
        press(on.automatic()); // off: a change
        QVERIFY(!on.automatic()->isChecked());
        QVERIFY(on.apply()->isEnabled());
        press(on.automatic());
        QVERIFY(!on.apply()->isEnabled());

        // Off on the camera: checking is a change, unchecking again is not,
        // even on a camera whose deep sleep interrupt is on.
        Screen off(0, ZEPH_SLEEP_SLEEP, [](AppContext &ctx) { ctx.deviceConfig.deepSleepInterrupt = 1; });
        press(off.automatic());
        QVERIFY(off.apply()->isEnabled());
        press(off.automatic());
        QVERIFY(!off.apply()->isEnabled());
    }

    void apply_data()
    {
        QTest::addColumn<int>("startTimeout");
        QTest::addColumn<bool>("check");     // automatic on when applying
        QTest::addColumn<int>("modeItem");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("answer"); // to the deep sleep question, empty: none
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("timeout");    // on the camera afterwards
        QTest::addColumn<int>("mode");
        QTest::newRow("10 s accepted") << 0 << true << 0 << 10 << "" << 1 << 10 << 1;
        QTest::newRow("65535 s accepted") << 0 << true << 1 << 65535 << "" << 1 << 65535 << 2;
        QTest::newRow("off writes 0, keeps the mode") << 200 << false << 0 << 200 << "" << 1 << 0 << 4;
        QTest::newRow("deep sleep confirmed") << 0 << true << 2 << 30 << "Yes" << 1 << 30 << 4;
        QTest::newRow("deep sleep declined") << 0 << true << 2 << 30 << "No" << 0 << 0 << 4;
    }

    void apply()
    {
        QFETCH(int, startTimeout);
        QFETCH(bool, check);
        QFETCH(int, modeItem);
        QFETCH(int, after);
        QFETCH(QString, answer);
        QFETCH(int, sent);
        QFETCH(int, timeout);
        QFETCH(int, mode);

        Screen screen(static_cast<uint16_t>(startTimeout), ZEPH_SLEEP_DEEP);
        const ZephDeviceConfig before = screen.cameraRecord();
        if (screen.automatic()->isChecked() != check)
            press(screen.automatic());
        if (check) {
            screen.mode()->setCurrentIndex(modeItem);
            screen.after()->setValue(after);
        }
        if (!answer.isEmpty())
            screen.boxes.expect(QStringLiteral("Warning"), answer, kUsbDeepSleep);
        screen.click("btApply");

        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), sent);
        const ZephDeviceConfig now = screen.cameraRecord();
        QCOMPARE(int(now.sleepTimeout), sent ? timeout : startTimeout);
        QCOMPARE(int(now.sleepMode), mode);
        // Nothing but the two fields moved.
        ZephDeviceConfig expected = before;
        expected.sleepTimeout = now.sleepTimeout;
        expected.sleepMode = now.sleepMode;
        QVERIFY(DeviceConfigRecord::same(now, expected));
        if (sent) {
            QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, now));
            QVERIFY(!screen.apply()->isEnabled());
        }
    }

    // A timeout outside [10, 65535] never reaches the camera.
    void timeoutOutOfRangeRefused()
    {
        for (int t : {0, 5, 9, 65536, 100000}) {
            Screen screen;
            press(screen.automatic());
            screen.after()->setValue(t);
            screen.boxes.expect(kApplyTitle, QStringLiteral("OK"),
                                QStringLiteral("The timeout to sleep must be in range [10-65535]"));
            screen.click("btApply");
            QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
            QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), 0);
        }
    }

    // Every failure is seen: the permission text for 0x2010, the result's
    // text in a box and the status bar for anything else, I/O errors on a
    // link without recovery included. Apply stays offered.
    void applyFailures_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("status");
        QTest::newRow("permission") << 0x2010 << 1
            << QStringLiteral("Permission denied. You must login as Administrator to do this function.") << "";
        QTest::newRow("bad data") << 0x1008 << 1
            << QStringLiteral("Failed to change the automatic sleep settings. (Device) Bad data")
            << QStringLiteral("(Device) Bad data");
        QTest::newRow("invalid parameter") << 15 << 1
            << QStringLiteral("Failed to change the automatic sleep settings. Invalid parameter")
            << QStringLiteral("Invalid parameter");
        QTest::newRow("io timeout on uart") << 9 << 2
            << QStringLiteral("Failed to change the automatic sleep settings. Device IO timeout")
            << QStringLiteral("Device IO timeout");
    }

    void applyFailures()
    {
        QFETCH(int, result);
        QFETCH(int, link);
        QFETCH(QString, text);
        QFETCH(QString, status);
        Screen screen(0, ZEPH_SLEEP_SLEEP, [link](AppContext &ctx) { ctx.sdkConfig.commStd = link; });
        const ZephDeviceConfig held = screen.ctx.deviceConfig;
        press(screen.automatic());
        Zvc_FailNext("Zeph_SetDeviceConfig", 1, result);
        screen.boxes.expect(kApplyTitle, QStringLiteral("OK"), text);
        screen.click("btApply");
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(screen.ctx.lastResult, result);
        if (!status.isEmpty())
            QCOMPARE(screen.ctx.statusMessage(), status);
        QVERIFY(screen.apply()->isEnabled());
        QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, held));
    }

    // A record never read from this device is not written back.
    void neverReadRecordRefused()
    {
        Screen screen(0, ZEPH_SLEEP_SLEEP, [](AppContext &ctx) { ctx.deviceConfigRead = false; });
        press(screen.automatic());
        screen.boxes.expect(kApplyTitle, QStringLiteral("OK"),
                            QStringLiteral("The device configuration has not been read from the device, "
                                           "so it cannot be changed. Open the device again and retry."));
        screen.click("btApply");
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), 0);
    }

    // The manual deep sleep asks every time; No sends nothing.
    void deepSleepDeclined()
    {
        Screen screen;
        for (int i = 0; i < 2; ++i)
            screen.boxes.expect(QStringLiteral("Warning"), QStringLiteral("No"), kUsbDeepSleep);
        screen.click("btDeepSleep");
        screen.click("btDeepSleep");
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(Zvc_CallCount("Zeph_SleepDevice"), 0);
        QVERIFY(screen.manual()->isEnabled());
    }

    // A failed sleep command shows its result in the status bar; a failed
    // deep sleep leaves the work area usable and the next unplug announced.
    void failedSleepCommands_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("standby") << QByteArray("btStandby");
        QTest::newRow("sleep") << QByteArray("btSleep");
        QTest::newRow("deep sleep") << QByteArray("btDeepSleep");
    }

    void failedSleepCommands()
    {
        QFETCH(QByteArray, button);
        Screen screen;
        if (button == "btDeepSleep")
            screen.boxes.expect(QStringLiteral("Warning"), QStringLiteral("Yes"), kUsbDeepSleep);
        Zvc_FailNext("Zeph_SleepDevice", 1, 0x1008);
        screen.click(button.constData());
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(Zvc_CallCount("Zeph_SleepDevice"), 1);
        QCOMPARE(screen.ctx.statusMessage(), QStringLiteral("(Device) Bad data"));
        QVERIFY(screen.manual()->isEnabled());
        QVERIFY(screen.automatic()->isEnabled());
        QCOMPARE(int(screen.ctx.suppressUnplugNotice), 0);
    }

    void sleepCommands_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("standby") << QByteArray("btStandby") << int(ZEPH_SLEEP_STANDBY);
        QTest::newRow("sleep") << QByteArray("btSleep") << int(ZEPH_SLEEP_SLEEP);
    }

    // Standby and sleep put the camera to sleep without a word; it stays
    // usable, and the next call wakes it.
    void sleepCommands()
    {
        QFETCH(QByteArray, button);
        QFETCH(int, mode);
        Screen screen;
        screen.click(button.constData());
        QVERIFY2(screen.boxes.shown().isEmpty(), qPrintable(screen.boxes.describe()));
        QCOMPARE(screen.ctx.lastResult, 0);
        QCOMPARE(sleepState(), mode);
        QVERIFY(screen.manual()->isEnabled());
        int32_t status = -1;
        QCOMPARE(Zeph_GetCaptureStatus(screen.ctx.deviceHandle, &status), 0);
        QCOMPARE(sleepState(), 0);
    }

    // Applied automatic sleep is what the camera does: standby after the
    // chosen idle seconds of its own time.
    void appliedAutomaticSleepTakesEffect()
    {
        Screen screen;
        press(screen.automatic());
        screen.mode()->setCurrentIndex(0);
        screen.after()->setValue(10);
        screen.click("btApply");
        QVERIFY2(screen.boxes.shown().isEmpty(), qPrintable(screen.boxes.describe()));
        Zvc_AdvanceTime(9999);
        QCOMPARE(sleepState(), 0);
        Zvc_AdvanceTime(1);
        QCOMPARE(sleepState(), int(ZEPH_SLEEP_STANDBY));
    }

    // Deep sleep on USB in the main window: the camera leaves the bus, the
    // window closes the device without the unplug box, the work area greys
    // out; once woken by hardware the camera opens again.
    void usbDeepSleepInTheMainWindow()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        QCoreApplication::processEvents(); // the start-up scan
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        window.switchWorkArea(WorkAreaPowerManagement);
        QWidget *area = window.centralWidget();
        QVERIFY(ctx.deviceHandle != 0);

        boxes.expect(QStringLiteral("Warning"), QStringLiteral("Yes"), kUsbDeepSleep);
        QTest::mouseClick(child<QPushButton>(area, "btDeepSleep"), Qt::LeftButton);
        deliverNotifications();
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe())); // no "unplugged" box
        QCOMPARE(ctx.deviceHandle, 0u);
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
        QVERIFY(!child<QGroupBox>(area, "grbManualPower")->isEnabled());
        QVERIFY(!child<QGroupBox>(area, "grbAutoPower")->isEnabled());
        QCOMPARE(sleepState(), int(ZEPH_SLEEP_DEEP));

        QCOMPARE(Zvc_WakeDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        deliverNotifications();
        window.switchWorkArea(WorkAreaRecovery);
        window.switchWorkArea(WorkAreaPowerManagement);
        QVERIFY(ctx.deviceHandle != 0);
        QVERIFY(child<QGroupBox>(window.centralWidget(), "grbManualPower")->isEnabled());

        // A later real unplug is announced again.
        boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"),
                     QStringLiteral("The device was unplugged."));
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        deliverNotifications();
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    // The device went away under the work area: the commands say so.
    void deviceClosedMeanwhile()
    {
        Screen screen;
        screen.ctx.closeDevice();
        Zvc_ResetCallCounts();
        for (const char *name : {"btStandby", "btSleep", "btDeepSleep", "btApply"}) {
            screen.boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"),
                                QStringLiteral("No device is opened."));
            child<QPushButton>(screen.area.get(), name)->setEnabled(true);
            screen.click(name);
        }
        QVERIFY2(screen.boxes.satisfied(), qPrintable(screen.boxes.describe()));
        QCOMPARE(Zvc_CallCount("*"), 0);
    }
};

QTEST_MAIN(TestPowerManagement)
#include "tst_powermanagement.moc"

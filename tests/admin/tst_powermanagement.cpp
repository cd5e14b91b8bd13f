// The power management work area on the virtual camera: what it shows of the
// automatic sleep, when Apply is offered, what Apply writes and how its
// refusals show, and the three sleep commands.

#include "support/AdminScreen.h"
#include "admin/DeviceConfigRecord.h"
#include "admin/PowerManagement.h"

#include <QGroupBox>
#include <QSpinBox>
#include <functional>

namespace {

const QString kApplyTitle = QStringLiteral("Auto Power");

int32_t sleepState()
{
    int32_t state = -1;
    Zvc_SleepState(ZVC_DEFAULT_USB_BINOCULAR, &state);
    return state;
}

// The main window on an open camera whose automatic sleep is as given,
// showing the work area.
struct Screen : AdminScreen {
    Screen(uint16_t timeout = 0, uint8_t mode = ZEPH_SLEEP_SLEEP,
           const std::function<void(AppContext &)> &beforeCreating = {})
    {
        ZephDeviceConfig c = ctx.deviceConfig;
        c.sleepTimeout = timeout;
        c.sleepMode = mode;
        if (Zeph_SetDeviceConfig(ctx.deviceHandle, &c) != 0)
            qFatal("camera refused the record");
        ctx.deviceConfig = c;
        if (beforeCreating)
            beforeCreating(ctx);
        show(WorkAreaPowerManagement);
        Zvc_ResetCallCounts();
    }
    QGroupBox *automatic() { return find<QGroupBox>("grbAutoPower"); }
    QGroupBox *manual() { return find<QGroupBox>("grbManualPower"); }
    QComboBox *mode() { return find<QComboBox>("cbSleepMode"); }
    QSpinBox *after() { return find<QSpinBox>("edSleepAfter"); }
    QPushButton *apply() { return find<QPushButton>("btApply"); }
};

struct Shown {
    int timeout, mode; // on the camera
    bool checked;
    int after;
    QString item;
};

struct Applied {
    int startTimeout;
    bool check; // automatic on when applying
    int modeItem, after;
    QString answer; // to the deep sleep question, empty: none
    int sent;
    int timeout, mode; // on the camera afterwards
};

struct Refused {
    int result; // of the camera, 0: never asked
    int link, after;
    bool read; // a record was read from the device
    QString text, status;
};

struct Command {
    const char *button;
    int mode;
    int failure;
};

} // namespace

Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(Applied)
Q_DECLARE_METATYPE(Refused)
Q_DECLARE_METATYPE(Command)

class TestPowerManagement : public QObject
{
    Q_OBJECT
private slots:
    void showsTheAutomaticSleep_data()
    {
        QTest::addColumn<Shown>("s");
        QTest::newRow("off") << Shown{0, 2, false, 60, "Sleep"};
        QTest::newRow("standby after 300 s") << Shown{300, 1, true, 300, "Standby"};
        QTest::newRow("deep sleep after 45 s") << Shown{45, 4, true, 45, "Deep Sleep"};
    }

    void showsTheAutomaticSleep()
    {
        QFETCH(Shown, s);
        Screen screen(static_cast<uint16_t>(s.timeout), static_cast<uint8_t>(s.mode));
        QVERIFY(screen.automatic()->isEnabled());
        QVERIFY(screen.manual()->isEnabled());
        QCOMPARE(screen.automatic()->isChecked(), s.checked);
        QCOMPARE(screen.after()->value(), s.after);
        QCOMPARE(screen.mode()->currentText(), s.item);
        QCOMPARE(screen.items("cbSleepMode"), (QStringList{"Standby", "Sleep", "Deep Sleep"}));
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
        pressKey(on.automatic()); // off: a change
        QVERIFY(!on.automatic()->isChecked());
        QVERIFY(on.apply()->isEnabled());

        // Off on the camera: checking is a change, unchecking again is not,
        // even on a camera whose deep sleep interrupt is on.
        Screen off(0, ZEPH_SLEEP_SLEEP, [](AppContext &ctx) { ctx.deviceConfig.deepSleepInterrupt = 1; });
        pressKey(off.automatic());
        QVERIFY(off.apply()->isEnabled());
        pressKey(off.automatic());
        QVERIFY(!off.apply()->isEnabled());
    }

    void apply_data()
    {
        QTest::addColumn<Applied>("a");
        QTest::newRow("10 s accepted") << Applied{0, true, 0, 10, "", 1, 10, 1};
        QTest::newRow("sleep after 65535 s") << Applied{0, true, 1, 65535, "", 1, 65535, 2};
        QTest::newRow("off writes 0, keeps the mode") << Applied{200, false, 0, 200, "", 1, 0, 4};
        QTest::newRow("deep sleep confirmed") << Applied{0, true, 2, 30, "Yes", 1, 30, 4};
        QTest::newRow("deep sleep declined") << Applied{0, true, 2, 30, "No", 0, 0, 4};
    }

    void apply()
    {
        QFETCH(Applied, a);
        Screen screen(static_cast<uint16_t>(a.startTimeout), ZEPH_SLEEP_DEEP);
        const ZephDeviceConfig before = screen.cameraRecord();
        if (screen.automatic()->isChecked() != a.check)
            pressKey(screen.automatic());
        if (a.check) {
            screen.mode()->setCurrentIndex(a.modeItem);
            screen.after()->setValue(a.after);
        }
        if (!a.answer.isEmpty())
            screen.boxes.expect(QStringLiteral("Warning"), a.answer, kUsbDeepSleep);
        screen.click("btApply");

        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), a.sent);
        const ZephDeviceConfig now = screen.cameraRecord();
        QCOMPARE(int(now.sleepTimeout), a.sent ? a.timeout : a.startTimeout);
        QCOMPARE(int(now.sleepMode), a.mode);
        // Nothing but the two fields moved.
        ZephDeviceConfig expected = before;
        expected.sleepTimeout = now.sleepTimeout;
        expected.sleepMode = now.sleepMode;
        QVERIFY(DeviceConfigRecord::same(now, expected));
        if (a.sent) {
            QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, now));
            QVERIFY(!screen.apply()->isEnabled());
        }
    }

    // Refused before anything is sent, or refused by the camera: the
    // permission text for 0x2010, the result's text in a box and the status
    // bar for anything else, I/O errors on a link without recovery included.
    // Apply stays offered, the held record as it was.
    void refused_data()
    {
        QTest::addColumn<Refused>("r");
        const QString range = QStringLiteral("The timeout to sleep must be in range [10-65535]");
        const QString failed = QStringLiteral("Failed to change the automatic sleep settings. ");
        const int usb = ZEPH_COMM_USB;
        QTest::newRow("timeout 65536") << Refused{0, usb, 65536, true, range, ""};
        QTest::newRow("never read") << Refused{0, usb, 60, false, kNotRead, ""};
        QTest::newRow("permission") << Refused{0x2010, usb, 60, true, kAdminOnly, ""};
        QTest::newRow("io timeout on uart")
            << Refused{9, ZEPH_COMM_UART, 60, true, failed + "Device IO timeout", "Device IO timeout"};
    }

    void refused()
    {
        QFETCH(Refused, r);
        Screen screen(0, ZEPH_SLEEP_SLEEP, [&](AppContext &ctx) {
            ctx.sdkConfig.commStd = r.link;
            ctx.deviceConfigRead = r.read;
        });
        const ZephDeviceConfig held = screen.ctx.deviceConfig;
        pressKey(screen.automatic());
        screen.after()->setValue(r.after);
        if (r.result)
            Zvc_FailNext("Zeph_SetDeviceConfig", 1, r.result);
        screen.boxes.expect(kApplyTitle, QStringLiteral("OK"), r.text);
        screen.click("btApply");
        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SetDeviceConfig"), r.result ? 1 : 0);
        if (r.result)
            QCOMPARE(screen.ctx.lastResult, r.result);
        if (!r.status.isEmpty())
            QCOMPARE(screen.ctx.statusMessage(), r.status);
        QVERIFY(screen.apply()->isEnabled());
        QVERIFY(DeviceConfigRecord::same(screen.ctx.deviceConfig, held));
    }

    // Standby and sleep put the camera to sleep without a word and leave
    // the work area usable; a failed command shows its result in the status
    // bar, and a failed deep sleep leaves the next unplug announced.
    void sleepCommands_data()
    {
        QTest::addColumn<Command>("c");
        QTest::newRow("standby") << Command{"btStandby", ZEPH_SLEEP_STANDBY, 0};
        QTest::newRow("deep sleep fails") << Command{"btDeepSleep", ZEPH_SLEEP_DEEP, 0x1008};
    }

    void sleepCommands()
    {
        QFETCH(Command, c);
        Screen screen;
        if (c.mode == ZEPH_SLEEP_DEEP)
            screen.boxes.expect(QStringLiteral("Warning"), QStringLiteral("Yes"), kUsbDeepSleep);
        if (c.failure)
            Zvc_FailNext("Zeph_SleepDevice", 1, c.failure);
        screen.click(c.button);
        SCRIPT_DONE(screen);
        QCOMPARE(Zvc_CallCount("Zeph_SleepDevice"), 1);
        QCOMPARE(screen.ctx.lastResult, c.failure);
        QCOMPARE(sleepState(), c.failure ? 0 : c.mode);
        QVERIFY(screen.manual()->isEnabled());
        QVERIFY(screen.automatic()->isEnabled());
        if (c.failure)
            QCOMPARE(screen.ctx.statusMessage(), QStringLiteral("(Device) Bad data"));
        QCOMPARE(int(screen.ctx.suppressUnplugNotice), 0);
    }

    // The manual deep sleep asks first; No sends nothing. Yes on USB in
    // the main window: the camera leaves the bus, the window closes the
    // device without the unplug box (and will announce the next one), the
    // work area greys out. Waking is zeph/test_power's.
    void usbDeepSleepInTheMainWindow()
    {
        Screen s;
        s.boxes.expect(QStringLiteral("Warning"), QStringLiteral("No"), kUsbDeepSleep);
        s.click("btDeepSleep");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_SleepDevice"), 0);
        QVERIFY(s.manual()->isEnabled());
        s.boxes.expect(QStringLiteral("Warning"), QStringLiteral("Yes"), kUsbDeepSleep);
        s.click("btDeepSleep");
        s.deliverNotifications();
        SCRIPT_DONE(s); // no "unplugged" box
        QCOMPARE(s.ctx.deviceHandle, 0u);
        QCOMPARE(int(s.ctx.suppressUnplugNotice), 0);
        QVERIFY(!s.find<QGroupBox>("grbManualPower")->isEnabled());
        QVERIFY(!s.find<QGroupBox>("grbAutoPower")->isEnabled());
        QCOMPARE(sleepState(), int(ZEPH_SLEEP_DEEP));
    }
};

QTEST_MAIN(TestPowerManagement)
#include "tst_powermanagement.moc"

// Recovery on the virtual camera: the automatic procedure without its dialog
// (offers; the walk through the steps with the texts, pauses, calls and
// device fields each path leaves), the dialog with the main window's unplug
// handling, and the work area's steps run by hand.

#include "support/AdminScreen.h"
#include "admin/AutoRecoveryDlg.h"
#include "admin/RecoveryProcedure.h"
#include "platform/DeviceNotifier.h"

#include <QDeadlineTimer>
#include <atomic>
#include <cstring>
#include <functional>
#include <utility>

namespace {

QString failed(const char *resultText)
{
    return QStringLiteral("Failed to perform recovery function. %1. Please check the device is "
                          "being connected.")
        .arg(QLatin1String(resultText));
}

// What the automatic recovery says, by the codes the tables use.
const QHash<QString, QString> kTexts = {
    {"D", "Device IO error detected. Please wait for auto-recovery completed."},
    {"S", "Recovery done successfully!"},
    {"U", "Recovery is unsuccessful. Please disconnect the device then connect it again."},
    {"V", "Verifying IO requests to device..."},
    {"R", "Re-connecting device..."},
    {"C0", "Cancelling USB IO requests..."},
    {"P1", "Resetting USB pipes..."},
    {"P2", "Resetting USB ports..."},
    {"P3", "Power-cycling USB port..."},
    {"P4", "Soft-resetting device..."},
    {"Q", "You are suggested to soft-reset the device. This will reset the device's firmware to "
          "initial state and any uncommitted data will be lost.\nDo you want to soft-reset the "
          "device?"},
    {"F2", failed("Device not found")},
    {"F14", failed("Invalid handle")},
};

// "D P1* <yes>" as the texts shown: a star marks a text shown while the
// unplug notice is suppressed, and the UI's other <events> stand as written.
QStringList texts(const QString &codes)
{
    QStringList out;
    for (QString code : codes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool star = code.endsWith(QLatin1Char('*'));
        if (star)
            code.chop(1);
        out << kTexts.value(code, code) + (star ? QStringLiteral("*") : QString());
    }
    return out;
}

// A FakeClock that can act at a given pause and yields on every pause, so
// that a worker polling an answer lets the GUI thread get on with giving it.
class SleepHookClock : public FakeClock
{
public:
    // Called after the pause is recorded, with the number of pauses so far.
    std::function<void(int milliseconds, int count)> onSleep;
    // When set, the first pause waits for its wake-up as the real clock does,
    // a second at most; wokenByCancel tells whether one came.
    bool waitFirstPause = false;
    std::atomic<bool> wokenByCancel{false};

    void sleepMs(int milliseconds) override
    {
        FakeClock::sleepMs(milliseconds);
        if (onSleep)
            onSleep(milliseconds, static_cast<int>(sleeps().size()));
        QThread::yieldCurrentThread();
    }
    void sleepMs(int milliseconds, Wakeup &wakeup) override
    {
        sleepMs(milliseconds);
        if (waitFirstPause && milliseconds == RecoveryProcedure::kFirstPauseMs)
            wokenByCancel = wakeup.waitMs(1000);
    }
};

// Records what the operator would see and answers Yes to the soft reset
// (Cancel there is the dialog's test).
class ScriptedUi : public RecoveryUi
{
public:
    explicit ScriptedUi(AppContext &ctx) : m_ctx(ctx) {}
    RecoveryProcedure *procedure = nullptr;
    QStringList events;

    void showStatus(const QString &text) override
    {
        events << text + (m_ctx.suppressUnplugNotice ? QStringLiteral("*") : QString());
    }
    void alignStatus(Qt::Alignment a) override
    {
        events << (a == Qt::AlignCenter ? "<centre>" : (a & Qt::AlignLeft) ? "<left>" : "<other>");
    }
    void offerYes() override
    {
        events << QStringLiteral("<yes>");
        procedure->answerYes();
    }
    void workerEnded() override { events << QStringLiteral("<ended>"); }

private:
    AppContext &m_ctx;
};

// The context's recovery dialog, watched from a timer with its buttons
// pressed as an operator would, on its own clock. A dialog still up after
// three seconds is stuck: the test fails and Cancel unwinds it, never hangs.
class DialogDriver : public QObject
{
public:
    explicit DialogDriver(AppContext &ctx) : dialog(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer()))
    {
        dialog->setProperty("drivenByTest", true);
        status = dialog->findChild<QLabel *>(QStringLiteral("m_Status"));
        yes = dialog->findChild<QPushButton *>(QStringLiteral("m_btnYes"));
        cancel = dialog->findChild<QPushButton *>(QStringLiteral("m_btnCancel"));
        connect(dialog, &AutoRecoveryDlg::statusShown, this,
                [this](const QString &text) { statuses << text; });
        connect(&m_timer, &QTimer::timeout, this, &DialogDriver::tick);
        m_timer.start(1);
    }

    bool pressYes = true;
    std::function<void()> beforeClose; // runs once, when Close is offered
    std::function<bool()> cancelWhen; // Cancel is pressed, once, when this holds

    SleepHookClock clock;
    AutoRecoveryDlg *dialog;
    QLabel *status = nullptr;
    QPushButton *yes = nullptr;
    QPushButton *cancel = nullptr;

    struct Shown {
        QString text;
        Qt::Alignment alignment;
        bool yesDefault = false;
    };
    Shown question; // when it was answered
    Shown last; // when Close was pressed
    QStringList statuses;
    QStringList cancelLabels; // the label each time a button was pressed

private:
    Shown shown() const { return {status->text(), status->alignment(), yes->isDefault()}; }
    void press(QPushButton *button)
    {
        cancelLabels << cancel->text();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void tick()
    {
        if (!dialog->isVisible())
            return;
        if (m_stuckAt.hasExpired() && !std::exchange(m_stuck, true)) {
            press(cancel);
            QFAIL("the recovery dialog is stuck");
        } else if (yes->isVisible()) {
            // Let the worker poll for the answer at least once first.
            if (!clock.sleeps().contains(100))
                return;
            question = shown();
            press(pressYes ? yes : cancel);
        } else if (cancel->text() == QLatin1String("Close")) {
            if (auto hook = std::exchange(beforeClose, nullptr)) {
                // Close is up: the worker is on its way out.
                QDeadlineTimer guard(1000);
                while (dialog->isRecoveryRunning() && !guard.hasExpired())
                    QThread::yieldCurrentThread();
                hook();
            }
            last = shown();
            press(cancel);
        } else if (cancelWhen && cancelWhen()) {
            cancelWhen = nullptr;
            press(cancel);
        }
    }

    QTimer m_timer;
    QDeadlineTimer m_stuckAt{3000};
    bool m_stuck = false;
};

// Opens the binocular camera, its link stuck on `result` (if any) until `step`.
int openStuck(VirtualCameraFixture &camera, int result = 0, int step = 0)
{
    camera.select(ZVC_DEFAULT_USB_BINOCULAR);
    const int opened = camera.context().openDevice();
    if (result)
        Zvc_SetStuckLink(ZVC_DEFAULT_USB_BINOCULAR, result, step);
    Zvc_ResetCallCounts();
    return opened;
}

struct Offer {
    int commStd;
    bool deviceOpen;
    int result;
    int stateBefore;
    RecoveryProcedure::Offer expected;
    int stateAfter;
};

struct Walk {
    int fault;        // the link answers this...
    int clearingStep; // ...until a step this heavy ran
    const char *failFunction; // then its next failCount calls answer failResult
    int failCount;
    int failResult;
    int cancelAt; // Cancel pressed at this pause
    QString events; // codes of texts(), "<ended>" left out
    QList<int> pauses;
    int recoveryCalls;
    int reopens; // successful ones
};

const QStringList kStepNames = {"CANCEL_IO", "RESET_PIPES", "RESET_PORT", "CYCLE_PORT", "SOFT_RESET"};

// The recovery work area's step `step`, run by hand.
void runStep(AdminScreen &s, int step)
{
    s.find<QComboBox>("m_cbRecoveryCodes")->setCurrentIndex(step);
    s.click("BtnRecovery");
}

} // namespace

Q_DECLARE_METATYPE(Offer)
Q_DECLARE_METATYPE(Walk)

class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void offer_data()
    {
        QTest::addColumn<Offer>("c");
        const auto accepted = RecoveryProcedure::Offer::Accepted;
        const auto declined = RecoveryProcedure::Offer::Declined;
        // link, device open, result, state before, offer, state after
        QTest::newRow("UART I/O error") << Offer{2, true, 9, 1, accepted, 1};
        // A run, the state a failure leaves and a good call clearing it are
        // the walk's and the dialog's.
        QTest::newRow("result 11 is no I/O error") << Offer{1, true, 11, 1, declined, 0};
        QTest::newRow("no device, I/O error") << Offer{1, false, 9, 1, declined, 1};
    }
    void offer()
    {
        QFETCH(Offer, c);
        VirtualCameraFixture camera;
        ScriptedUi ui(camera.context());
        RecoveryProcedure procedure(ui);
        procedure.recoveryState = c.stateBefore;
        procedure.recoverySucceeded = true;

        QCOMPARE(procedure.offer(c.result, c.commStd, c.deviceOpen), c.expected);
        QCOMPARE(int(procedure.recoveryState), c.stateAfter);
        // Only the UART answer leaves the previous outcome alone.
        QCOMPARE(bool(procedure.recoverySucceeded), c.commStd == 2);
        QVERIFY(ui.events.isEmpty());
    }

    void walk_data()
    {
        QTest::addColumn<Walk>("w");
        const QString toCycle = "D P1 V P2 V P3* R* V ";
        const QString question = "<left> Q* <yes> <centre> ";
        const QList<int> toCyclePauses = {3000, 1000, 1000, 1000, 1000, 1000, 2000, 1000};
        const QList<int> softReset = toCyclePauses + QList<int>{1000, 3000, 1000};
        QTest::newRow("soft reset answered Yes")
            << Walk{8, 4, "", 0, 0, 0, toCycle + question + "P4* R* V S", softReset, 4, 2};
        // Steps are not used up: after two passes the third is cancelled.
        QTest::newRow("invalid data until Cancel")
            << Walk{10, 4, "", 0, 0, 8, "D C0 P1 V C0 P1 V C0 P1 U",
                    {3000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}, 6, 0};
        // The CANCEL_IO result is ignored, the RESET_PIPES one is not.
        QTest::newRow("invalid data, failing reset")
            << Walk{10, 4, "Zeph_Recovery", 2, 14, 0, "D C0 P1 F14 F14", {3000, 1000, 1000}, 2, 0};
        QTest::newRow("re-open after cycling fails")
            << Walk{8, 3, "Zeph_OpenDevice", 1, 2, 0, "D P1 V P2 V P3* R* F2 F2", toCyclePauses.mid(0, 7),
                    3, 0};
        // The link never answers: every step is tried once, then the operator
        // is told to replug.
        QTest::newRow("out of steps")
            << Walk{9, 4, "Zeph_GetCaptureStatus", 100, 9, 0, toCycle + question + "P4* R* V U", softReset,
                    4, 2};
    }
    void walk()
    {
        QFETCH(Walk, w);
        const QStringList events = texts(w.events + " <ended>");
        const bool succeeded = w.events.endsWith(QLatin1String(" S"));

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        QCOMPARE(openStuck(camera, w.fault, w.clearingStep), 0);
        if (w.failCount)
            Zvc_FailNext(w.failFunction, w.failCount, w.failResult);
        // What a re-open must renew.
        ctx.cameraInitialized = 1;
        ctx.deviceInfo = ZephDeviceInfo{};
        std::memset(&ctx.deviceConfig, 0, sizeof ctx.deviceConfig);
        ctx.loginId = std::make_unique<LoginSession>();
        const ZephHandle firstHandle = ctx.deviceHandle;

        SleepHookClock clock;
        ScriptedUi ui(ctx);
        RecoveryProcedure procedure(ui);
        ui.procedure = &procedure;
        // A walk that never ends is cancelled, and fails on its pauses.
        clock.onSleep = [&](int, int count) {
            if (count == w.cancelAt || count == 50)
                QVERIFY(!procedure.cancel());
        };

        QCOMPARE(procedure.offer(w.fault, ZEPH_COMM_USB, true), RecoveryProcedure::Offer::Run);
        procedure.begin();
        procedure.run(ctx);

        QCOMPARE(ui.events, events);
        QCOMPARE(clock.sleeps(), w.pauses);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), w.recoveryCalls);
        QCOMPARE(bool(procedure.recoverySucceeded), succeeded);
        QCOMPARE(int(procedure.recoveryState), succeeded ? 0 : 2);
        QVERIFY(!procedure.questionOpen());
        // Whatever happened, a later real unplug is announced again.
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);

        // Information and configuration are read again after each re-open.
        QCOMPARE(Zvc_CallCount("Zeph_GetDeviceInfo"), w.reopens);
        QCOMPARE(Zvc_CallCount("Zeph_GetDeviceConfig"), w.reopens);
        if (w.reopens > 0) {
            QCOMPARE(int(ctx.cameraInitialized), 0);
            QVERIFY(!ctx.loginId);
            QVERIFY(ctx.deviceHandle != firstHandle);
        } else if (Zvc_CallCount("Zeph_OpenDevice") > 0) {
            // The re-open failed: no device is left open.
            QCOMPARE(ctx.deviceHandle, 0u);
            QCOMPARE(int(ctx.cameraInitialized), 0);
        } else {
            QCOMPARE(ctx.deviceHandle, firstHandle);
        }
        if (succeeded && w.reopens > 0) {
            QCOMPARE(ctx.deviceInfo.productId, 0x0B21u);
            ZephDeviceConfig fresh;
            QCOMPARE(Zeph_GetDeviceConfig(ctx.deviceHandle, &fresh), 0);
            QCOMPARE(std::memcmp(&fresh, &ctx.deviceConfig, sizeof fresh), 0);
        }
    }

    // The dialog's part of the walk: its worker on the pool thread, the texts
    // as shown, its buttons, and its state for the next offer. Cancel in the
    // first pause wakes it at once (the window is not frozen for the rest of
    // it); Cancel at the question keeps the dialog up; Close ends it; the
    // failure sticks until a good call. (Yes is removalDuringRecovery's.)
    void dialog()
    {
        const QStringList statuses = texts("D U D P1 V P2 V P3 R V Q U");
        VirtualCameraFixture camera;
        QCOMPARE(openStuck(camera, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET), 0);
        DialogDriver driver(camera.context());
        AutoRecoveryDlg *dialog = driver.dialog;
        driver.pressYes = false;
        // The operator cannot dismiss it behind the worker's back.
        QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));

        driver.clock.waitFirstPause = true;
        driver.cancelWhen = [&] { return driver.clock.sleeps().contains(RecoveryProcedure::kFirstPauseMs); };
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QVERIFY(driver.clock.wokenByCancel);
        QCOMPARE(driver.cancelLabels, QStringList{"Cancel"});
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 0);
        driver.clock.waitFirstPause = false;
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_FAILED)); // told to replug: no offer
        QVERIFY(!dialog->offerRecovery(ZEPH_OK));            // until the link answers

        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_FAILED));
        QCOMPARE(dialog->recoveryState(), 2);
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QCOMPARE(driver.statuses.count(kTexts["D"]), 2);
        QCOMPARE(driver.cancelLabels, QStringList({"Cancel", "Cancel", "Close"}));
        QCOMPARE(driver.statuses, statuses);
        QCOMPARE(driver.last.text, statuses.last());
        QCOMPARE(driver.last.alignment, Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(driver.question.text, kTexts["Q"]);
        QCOMPARE(driver.question.alignment & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignLeft));
        QVERIFY(driver.question.yesDefault);
        // Ready for the next offer: nothing the worker queued leaks into it.
        const int shownBefore = driver.statuses.size();
        QCoreApplication::processEvents();
        QCOMPARE(driver.statuses.size(), shownBefore);
        QVERIFY(!dialog->isRecoveryRunning());
        QCOMPARE(driver.cancel->text(), QStringLiteral("Cancel"));
        QVERIFY(driver.yes->isHidden());
    }

    // The way the program meets it: opening a device whose link is stuck.
    void openingAStuckDeviceRecoversIt()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        camera.select(ZVC_DEFAULT_USB_MONOCULAR);
        Zvc_SetStuckLink(ZVC_DEFAULT_USB_MONOCULAR, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_RESET_PORT);
        DialogDriver driver(ctx);

        QCOMPARE(ctx.openDevice(), 0);
        QCOMPARE(driver.statuses, texts("D P1 V P2 V S"));
        QCOMPARE(ctx.deviceInfo.productId, 0x0A12u);
        QCOMPARE(ctx.lastResult, 0);
    }

    // The removals CYCLE_PORT and SOFT_RESET cause reach the main window while
    // the worker runs: each is taken for the recovery's, the worker alone
    // closes and re-opens, and no "unplugged" box appears. A real unplug
    // afterwards is announced.
    void removalDuringRecovery()
    {
        AdminScreen s;
        std::atomic<int> removalsHandled{0};
        auto *notifier = s.window.findChild<DeviceNotifier *>();
        QVERIFY(notifier);
        // Connected after the window's own handler, so it runs once that is done.
        connect(notifier, &DeviceNotifier::deviceChanged, this, [&](int event, const QString &) {
            if (event == DeviceNotifier::RemovalComplete)
                ++removalsHandled;
        });
        Zvc_SetStuckLink(AdminScreen::kDevice, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET);
        Zvc_ResetCallCounts();

        // Deliver each removal after the worker has re-opened the device, in
        // the pause before it verifies the link: the most awkward moment.
        DialogDriver driver(s.ctx);
        int last = 0;
        int reopens = 0;
        driver.clock.onSleep = [&](int ms, int count) {
            // The pause after a re-open (the first 3000 ms one is no re-open).
            if (last == 2000 || (last == 3000 && count > 2)) {
                ++reopens;
                Zvc_FlushNotifications();
                QDeadlineTimer guard(5000);
                while (removalsHandled < reopens && !guard.hasExpired())
                    QThread::yieldCurrentThread();
            }
            last = ms;
        };
        QVERIFY(driver.dialog->offerRecovery(ZEPH_ERR_IO_FAILED));
        QCOMPARE(int(removalsHandled), 2);
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 2);
        QCOMPARE(int(s.ctx.suppressUnplugNotice), 0);
        QCOMPARE(int(s.ctx.cameraInitialized), 0);
        int32_t status = 0;
        QCOMPARE(Zeph_GetCaptureStatus(s.ctx.deviceHandle, &status), 0);
        s.unplugIsAnnounced();
    }

    // Cancel at the soft-reset question ends in "disconnect the device then
    // connect it again"; the operator does so before pressing Close. That
    // unplug is announced, and so is the next one.
    void unplugBeforeCloseIsAnnounced()
    {
        AdminScreen s;
        Zvc_SetStuckLink(AdminScreen::kDevice, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET);
        DialogDriver driver(s.ctx);
        driver.pressYes = false;
        // The steps' own removals reach the window while the worker runs,
        // as a real bus delivers them, not after it has ended.
        driver.clock.onSleep = [](int, int) { Zvc_FlushNotifications(); };
        driver.beforeClose = [&] {
            AdminScreen::deliverNotifications(); // what the earlier steps caused
            s.unplugIsAnnounced();
        };
        QVERIFY(!driver.dialog->offerRecovery(ZEPH_ERR_IO_FAILED));
        QVERIFY(!driver.beforeClose);
        SCRIPT_DONE(s);
        QCOMPARE(s.ctx.deviceHandle, 0u);
        QCOMPARE(int(s.ctx.suppressUnplugNotice), 0);

        QCOMPARE(Zvc_PlugDevice(AdminScreen::kDevice), 0);
        QCOMPARE(s.ctx.openDevice(), 0);
        s.unplugIsAnnounced();
    }

    void stepByHand_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text"); // of a failure
        for (int step = 0; step < 5; ++step)
            QTest::newRow(qPrintable(kStepNames[step])) << step << 0 << QString();
        QTest::newRow("cycle, io failed") << 3 << 8 << QStringLiteral("Device IO failed");
    }
    // Every step runs on the open device; only a working CYCLE_PORT or
    // SOFT_RESET takes it off the bus, and the removal that follows shows no
    // box (that the next one does is tst_mainwindow's). A link stuck beyond
    // the step's weight does not stop it.
    void stepByHand()
    {
        QFETCH(int, step);
        QFETCH(int, result);
        QFETCH(QString, text);
        const bool leavesTheBus = result == 0 && step >= ZEPH_RECOVERY_CYCLE_PORT;
        AdminScreen s;
        const ZephHandle handle = s.ctx.deviceHandle;
        if (result)
            Zvc_FailNext("Zeph_Recovery", 1, result);
        else
            Zvc_SetStuckLink(AdminScreen::kDevice, ZEPH_ERR_IO_TIMEOUT, step);
        Zvc_ResetCallCounts();

        s.boxes.expect("Recovery", "OK", result ? "Failed to recovery. " + text : "Recovery successfully!");
        runStep(s, step);
        SCRIPT_DONE(s);
        QCOMPARE(s.ctx.statusMessage(), result ? text : QStringLiteral("Recovery successfully!"));
        QCOMPARE(s.ctx.lastResult, result);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 1);
        QCOMPARE(int(s.ctx.suppressUnplugNotice), leavesTheBus ? 1 : 0);

        AdminScreen::deliverNotifications();
        SCRIPT_DONE(s); // no "unplugged" box
        QCOMPARE(int(s.ctx.suppressUnplugNotice), 0);
        if (leavesTheBus) {
            QCOMPARE(s.ctx.deviceHandle, 0u); // the window closed the dropped handle
        } else {
            QCOMPARE(s.ctx.deviceHandle, handle);
            int32_t status = 0;
            QCOMPARE(Zeph_GetCaptureStatus(handle, &status), 0);
        }
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"

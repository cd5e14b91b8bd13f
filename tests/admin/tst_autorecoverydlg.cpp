// The automatic recovery dialog on the virtual camera: the worker on the
// pool thread, the texts as the operator sees them, the buttons answered
// from a timer, and the main window's unplug handling while it runs.

#include "RecoveryTexts.h"
#include "SleepHookClock.h"
#include "admin/AutoRecoveryDlg.h"
#include "app/KeldTerminal.h"
#include "core/AppContext.h"
#include "platform/DeviceNotifier.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <functional>
#include <utility>

namespace {

using namespace RecoveryTexts;

// Watches the dialog from a timer and presses its buttons as an operator would.
class DialogDriver : public QObject
{
public:
    enum Answer { PressYes, PressCancel };

    DialogDriver(AutoRecoveryDlg *dialog, SleepHookClock &clock) : m_dialog(dialog), m_clock(clock)
    {
        status = dialog->findChild<QLabel *>(QStringLiteral("m_Status"));
        yes = dialog->findChild<QPushButton *>(QStringLiteral("m_btnYes"));
        cancel = dialog->findChild<QPushButton *>(QStringLiteral("m_btnCancel"));
        connect(dialog, &AutoRecoveryDlg::statusShown, this,
                [this](const QString &text) { statuses << text; });
        dialog->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, &DialogDriver::tick);
        m_timer.start(1);
    }

    Answer answer = PressYes;
    std::function<void()> beforeClose; // runs once, when Close is offered
    int cancelAfterPasses = 0; // press Cancel once this many "Cancelling" texts were shown

    QLabel *status = nullptr;
    QPushButton *yes = nullptr;
    QPushButton *cancel = nullptr;

    QStringList statuses;
    int shows = 0;
    bool yesWasDefault = false;
    Qt::Alignment questionAlignment;
    QString questionText;
    QString finalText;
    Qt::Alignment finalAlignment;
    QStringList cancelLabels; // the label each time a button was pressed

private:
    void press(QPushButton *button)
    {
        cancelLabels << cancel->text();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_dialog && event->type() == QEvent::Show)
            ++shows;
        return false;
    }

    void tick()
    {
        if (!m_dialog->isVisible())
            return;
        if (yes->isVisible()) {
            // Let the worker poll for the answer at least once first.
            if (!m_clock.sleeps().contains(100))
                return;
            yesWasDefault = yes->isDefault();
            questionAlignment = status->alignment();
            questionText = status->text();
            press(answer == PressYes ? yes : cancel);
        } else if (cancel->text() == QLatin1String("Close")) {
            if (auto hook = std::exchange(beforeClose, nullptr)) {
                // Close is up: the worker is on its way out.
                QDeadlineTimer guard(1000);
                while (m_dialog->isRecoveryRunning() && !guard.hasExpired())
                    QThread::yieldCurrentThread();
                hook();
            }
            finalText = status->text();
            finalAlignment = status->alignment();
            press(cancel);
        } else if (cancelAfterPasses > 0 && statuses.count(C0) >= cancelAfterPasses) {
            cancelAfterPasses = 0;
            press(cancel);
        }
    }

    AutoRecoveryDlg *m_dialog;
    SleepHookClock &m_clock;
    QTimer m_timer;
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

} // namespace

class TestAutoRecoveryDlg : public QObject
{
    Q_OBJECT
private slots:
    void recover_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<int>("clearingStep");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("cancelAfterPasses"); // 0: never
        QTest::addColumn<bool>("recovered");
        QTest::addColumn<QStringList>("statuses"); // only the first ones when cancelled
        QTest::addColumn<QStringList>("cancelLabels");
        QTest::addColumn<QList<int>>("pauses"); // polls collapsed; empty: not checked

        const QStringList toQuestion = {D, P1, V, P2, V, P3, R, V, Q};
        const QList<int> toQuestionPauses = {3000, 1000, 1000, 1000, 1000, 1000, 2000, 1000, 100};
        QTest::newRow("timeout cleared by pipes")
            << int(ZEPH_ERR_IO_TIMEOUT) << int(ZEPH_RECOVERY_RESET_PIPES) << int(DialogDriver::PressYes)
            << 0 << true << QStringList{D, P1, V, S} << QStringList{"Close"}
            << QList<int>{3000, 1000, 1000};
        QTest::newRow("soft reset, Yes")
            << int(ZEPH_ERR_IO_FAILED) << int(ZEPH_RECOVERY_SOFT_RESET) << int(DialogDriver::PressYes)
            << 0 << true << (toQuestion + QStringList{P4, R, V, S}) << QStringList{"Cancel", "Close"}
            << (toQuestionPauses + QList<int>{1000, 3000, 1000});
        // Cancel at the question keeps the dialog up; Close ends it.
        QTest::newRow("soft reset, Cancel")
            << int(ZEPH_ERR_IO_FAILED) << int(ZEPH_RECOVERY_SOFT_RESET)
            << int(DialogDriver::PressCancel) << 0 << false << (toQuestion + QStringList{U})
            << QStringList{"Cancel", "Close"} << toQuestionPauses;
        // Invalid data: CANCEL_IO then RESET_PIPES on every pass, never a
        // heavier step, until the operator cancels; one press closes it.
        QTest::newRow("invalid data until Cancel")
            << int(ZEPH_ERR_IO_INVALID) << int(ZEPH_RECOVERY_SOFT_RESET)
            << int(DialogDriver::PressYes) << 3 << false << QStringList{D, C0, P1, V}
            << QStringList{"Cancel"} << QList<int>{};
    }

    void recover()
    {
        QFETCH(int, trigger);
        QFETCH(int, clearingStep);
        QFETCH(int, answer);
        QFETCH(int, cancelAfterPasses);
        QFETCH(bool, recovered);
        QFETCH(QStringList, statuses);
        QFETCH(QStringList, cancelLabels);
        QFETCH(QList<int>, pauses);

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        AutoRecoveryDlg *dialog = static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer());
        QCOMPARE(openStuck(camera, trigger, clearingStep), 0);
        SleepHookClock clock;
        DialogDriver driver(dialog, clock);
        driver.answer = DialogDriver::Answer(answer);
        driver.cancelAfterPasses = cancelAfterPasses;
        // The operator cannot dismiss it behind the worker's back.
        QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));

        QCOMPARE(dialog->offerRecovery(ZephResult(trigger)), recovered);

        QCOMPARE(driver.shows, 1);
        QCOMPARE(driver.cancelLabels, cancelLabels);
        QCOMPARE(dialog->recoveryState(), recovered ? 0 : 2);
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
        if (cancelAfterPasses) {
            QCOMPARE(driver.statuses.mid(0, statuses.size()), statuses);
            for (const QString &s : driver.statuses)
                QVERIFY2(QStringList({D, C0, P1, V, U}).contains(s), qPrintable(s));
            QVERIFY(driver.statuses.count(C0) >= cancelAfterPasses);
            QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 0);
            QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 0);
        } else {
            QCOMPARE(driver.statuses, statuses);
            QCOMPARE(clock.pausesWithPollsCollapsed(), pauses);
            QCOMPARE(driver.finalText, statuses.last());
            QCOMPARE(driver.finalAlignment, Qt::Alignment(Qt::AlignCenter));
        }
        if (statuses.contains(Q)) {
            QCOMPARE(driver.questionText, Q);
            QCOMPARE(driver.questionAlignment & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignLeft));
            QVERIFY(driver.yesWasDefault);
        }
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
        SleepHookClock clock;
        DialogDriver driver(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer()), clock);

        QCOMPARE(ctx.openDevice(), 0);
        QCOMPARE(driver.shows, 1);
        QCOMPARE(driver.statuses.last(), S);
        QCOMPARE(ctx.deviceInfo.productId, 0x0A12u);
        QCOMPARE(ctx.lastResult, 0);
    }

    void noDialogOnUart()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        QCOMPARE(openStuck(camera), 0);
        ctx.sdkConfig.commStd = ZEPH_COMM_UART;
        SleepHookClock clock;
        DialogDriver driver(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer()), clock);
        for (ZephResult r : {ZEPH_ERR_IO_FAILED, ZEPH_ERR_IO_TIMEOUT, ZEPH_ERR_IO_INVALID})
            QVERIFY(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer())->offerRecovery(r));
        QCOMPARE(driver.shows, 0);
        QVERIFY(clock.sleeps().isEmpty());
        QCOMPARE(Zvc_CallCount("*"), 0);
    }

    // After a failure the operator has been told to replug: no more offers
    // until some call works again.
    void noSecondOfferAfterFailure()
    {
        VirtualCameraFixture camera;
        AutoRecoveryDlg *dialog = static_cast<AutoRecoveryDlg *>(camera.context().recoveryOffer());
        QCOMPARE(openStuck(camera, ZEPH_ERR_IO_TIMEOUT, ZEPH_RECOVERY_RESET_PIPES), 0);
        Zvc_FailNext("Zeph_Recovery", 1, ZEPH_ERR_UNSUPPORTED);
        SleepHookClock clock;
        DialogDriver driver(dialog, clock);

        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QCOMPARE(driver.finalText, failed("Command unsupported"));
        QCOMPARE(dialog->recoveryState(), 2);
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_FAILED));
        QCOMPARE(driver.shows, 1);

        QVERIFY(!dialog->offerRecovery(0)); // a good call
        QCOMPARE(dialog->recoveryState(), 0);
        driver.statuses.clear();
        QVERIFY(dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QCOMPARE(driver.shows, 2);
        QCOMPARE(driver.statuses, QStringList({D, P1, V, S}));
    }

    void removalDuringRecovery_data()
    {
        QTest::addColumn<int>("clearingStep");
        QTest::addColumn<int>("workerCloses");
        QTest::newRow("cycle port") << int(ZEPH_RECOVERY_CYCLE_PORT) << 1;
        QTest::newRow("soft reset") << int(ZEPH_RECOVERY_SOFT_RESET) << 2;
    }

    // The removal a step causes reaches the main window while the worker runs:
    // it is taken for the recovery's, the worker alone closes and re-opens, and
    // no "unplugged" box appears. A real unplug afterwards is announced.
    void removalDuringRecovery()
    {
        QFETCH(int, clearingStep);
        QFETCH(int, workerCloses);

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        QCoreApplication::processEvents(); // the start-up scan
        // Whatever the start-up scan had to say is not this test's business.
        const int startupBoxes = boxes.unexpected().size();
        std::atomic<int> removalsHandled{0};
        auto *notifier = window.findChild<DeviceNotifier *>();
        QVERIFY(notifier);
        // Connected after the window's own handler, so it runs once that is done.
        connect(notifier, &DeviceNotifier::deviceChanged, this, [&](int event, const QString &) {
            if (event == DeviceNotifier::RemovalComplete)
                ++removalsHandled;
        });
        QCOMPARE(openStuck(camera, ZEPH_ERR_IO_FAILED, clearingStep), 0);

        // Deliver each removal after the worker has re-opened the device, in
        // the pause before it verifies the link: the most awkward moment.
        SleepHookClock clock;
        int last = 0;
        int reopens = 0;
        clock.onSleep = [&](int ms, int count) {
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
        DialogDriver driver(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer()), clock);

        QVERIFY(static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer())->offerRecovery(ZEPH_ERR_IO_FAILED));
        QCOMPARE(int(removalsHandled), workerCloses);
        QCOMPARE(boxes.unexpected().size(), startupBoxes);
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), workerCloses);
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
        QCOMPARE(int(ctx.cameraInitialized), 0);
        int32_t status = 0;
        QCOMPARE(Zeph_GetCaptureStatus(ctx.deviceHandle, &status), 0);

        boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"),
                     QStringLiteral("The device was unplugged."));
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.unexpected().size(), startupBoxes);
        QCOMPARE(ctx.deviceHandle, 0u);
    }

    // Cancel at the soft-reset question ends in "disconnect the device then
    // connect it again"; the operator does so before pressing Close. That
    // unplug is announced, and so is the next one.
    void unplugBeforeCloseIsAnnounced()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        QCoreApplication::processEvents(); // the start-up scan
        const int startupBoxes = boxes.unexpected().size();
        QCOMPARE(openStuck(camera, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET), 0);
        SleepHookClock clock;
        auto *dialog = static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer());
        DialogDriver driver(dialog, clock);
        driver.answer = DialogDriver::PressCancel;
        const QString unplugged = QStringLiteral("The device was unplugged.");
        driver.beforeClose = [&] {
            Zvc_FlushNotifications();
            QCoreApplication::processEvents(); // what the earlier steps caused
            boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"), unplugged);
            QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
            Zvc_FlushNotifications();
            QCoreApplication::processEvents();
        };
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_FAILED));
        QVERIFY(!driver.beforeClose);
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(ctx.deviceHandle, 0u);
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);

        QCOMPARE(Zvc_PlugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        QCOMPARE(ctx.openDevice(), 0);
        boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"), unplugged);
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.unexpected().size(), startupBoxes);
    }

    // Cancel during the first pause wakes it at once: the window is not
    // frozen for the rest of it. The clock here waits as the real one does,
    // for a wake-up, with a short guard so that a broken wake fails quickly.
    void cancelWakesThePause()
    {
        struct WaitingClock : FakeClock {
            using FakeClock::sleepMs;
            std::atomic<bool> wokenByCancel{false};
            void sleepMs(int ms, Wakeup &wakeup) override
            {
                FakeClock::sleepMs(ms);
                if (ms == RecoveryProcedure::kFirstPauseMs)
                    wokenByCancel = wakeup.waitMs(1000);
            }
        } clock;
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        QCOMPARE(openStuck(camera, ZEPH_ERR_IO_TIMEOUT, ZEPH_RECOVERY_SOFT_RESET), 0);
        auto *dialog = static_cast<AutoRecoveryDlg *>(ctx.recoveryOffer());
        auto *cancel = dialog->findChild<QPushButton *>(QStringLiteral("m_btnCancel"));
        QTimer press;
        connect(&press, &QTimer::timeout, this, [&] {
            if (dialog->isVisible() && clock.sleeps().contains(RecoveryProcedure::kFirstPauseMs)) {
                press.stop();
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        press.start(1);
        QVERIFY(!dialog->offerRecovery(ZEPH_ERR_IO_TIMEOUT));
        QVERIFY(clock.wokenByCancel);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 0);
    }
};

QTEST_MAIN(TestAutoRecoveryDlg)
#include "tst_autorecoverydlg.moc"

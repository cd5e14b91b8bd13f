// The recovery procedure without its dialog: which results are offered, and
// the walk through the steps on the virtual camera, with the texts, pauses,
// SDK calls and device fields each path leaves behind.

#include "RecoveryTexts.h"
#include "SleepHookClock.h"
#include "admin/RecoveryProcedure.h"
#include "core/AppContext.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QtTest>
#include <cstring>

namespace {

using namespace RecoveryTexts;

// A status shown while the unplug notice is suppressed carries a star.
QString suppressed(const QString &s) { return s + QLatin1Char('*'); }

enum Answer { AnswerYes, AnswerCancel };

// Records what the operator would see and answers the soft-reset question.
class ScriptedUi : public RecoveryUi
{
public:
    explicit ScriptedUi(AppContext &ctx) : m_ctx(ctx) {}
    RecoveryProcedure *procedure = nullptr;
    Answer answer = AnswerYes;
    QStringList events;

    void showStatus(const QString &text) override
    {
        events << (m_ctx.suppressUnplugNotice ? suppressed(text) : text);
    }
    void alignStatus(Qt::Alignment a) override
    {
        events << ((a & Qt::AlignLeft) ? QStringLiteral("<left>") : QStringLiteral("<centre>"));
        if (!(a & Qt::AlignLeft))
            QCOMPARE(a, Qt::Alignment(Qt::AlignCenter));
    }
    void offerYes() override
    {
        events << QStringLiteral("<yes>");
        if (answer == AnswerYes)
            procedure->answerYes();
        else
            QVERIFY(procedure->cancel());
    }
    void workerEnded() override { events << QStringLiteral("<ended>"); }

private:
    AppContext &m_ctx;
};

} // namespace

class TestRecoveryProcedure : public QObject
{
    Q_OBJECT
private slots:
    void offer_data()
    {
        QTest::addColumn<int>("commStd");
        QTest::addColumn<bool>("deviceOpen");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("stateBefore");
        QTest::addColumn<int>("expected"); // RecoveryProcedure::Offer
        QTest::addColumn<int>("stateAfter");

        const int accepted = int(RecoveryProcedure::Offer::Accepted);
        const int run = int(RecoveryProcedure::Offer::Run);
        const int declined = int(RecoveryProcedure::Offer::Declined);
        QTest::newRow("UART I/O error") << 2 << true << 9 << 1 << accepted << 1;
        QTest::newRow("UART after a failure") << 2 << true << 8 << 2 << accepted << 2;
        QTest::newRow("USB timeout") << 1 << true << 9 << 1 << run << 1;
        QTest::newRow("USB io failed") << 1 << true << 8 << 0 << run << 0;
        QTest::newRow("USB invalid data") << 1 << true << 10 << 1 << run << 1;
        QTest::newRow("after a failure") << 1 << true << 10 << 2 << declined << 2;
        QTest::newRow("good call clears failure") << 1 << true << 0 << 2 << declined << 0;
        QTest::newRow("other error clears failure") << 1 << true << 15 << 2 << declined << 0;
        QTest::newRow("result 11 is no I/O error") << 1 << true << 11 << 1 << declined << 0;
        QTest::newRow("result 7 is no I/O error") << 1 << true << 7 << 1 << declined << 0;
        QTest::newRow("no device, I/O error") << 1 << false << 9 << 1 << declined << 1;
        QTest::newRow("no device, good call") << 1 << false << 0 << 2 << declined << 2;
    }

    void offer()
    {
        QFETCH(int, commStd);
        QFETCH(bool, deviceOpen);
        QFETCH(int, result);
        QFETCH(int, stateBefore);
        QFETCH(int, expected);
        QFETCH(int, stateAfter);

        VirtualCameraFixture camera;
        ScriptedUi ui(camera.context());
        RecoveryProcedure procedure(ui);
        procedure.recoveryState = stateBefore;
        procedure.recoverySucceeded = true;
        procedure.triggerResult = 0;

        QCOMPARE(int(procedure.offer(result, commStd, deviceOpen)), expected);
        QCOMPARE(int(procedure.recoveryState), stateAfter);
        QCOMPARE(int(procedure.triggerResult), expected == int(RecoveryProcedure::Offer::Run) ? result : 0);
        // Only the UART answer leaves the previous outcome alone.
        QCOMPARE(bool(procedure.recoverySucceeded), commStd == 2);
        QVERIFY(ui.events.isEmpty());
    }

    void walk_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<int>("stuckResult");
        QTest::addColumn<int>("clearingStep");
        QTest::addColumn<QString>("faultFunction");
        QTest::addColumn<int>("faultCount");
        QTest::addColumn<int>("faultResult");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("cancelAtPause"); // 0: never
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QList<int>>("pauses");
        QTest::addColumn<int>("recoveryCalls");
        QTest::addColumn<int>("successfulReopens");
        QTest::addColumn<bool>("succeeded");

        const QString none;
        const QString ended = QStringLiteral("<ended>");
        const QString left = QStringLiteral("<left>");
        const QString centre = QStringLiteral("<centre>");
        const QString yes = QStringLiteral("<yes>");
        const QStringList toCycle = {D, P1, V, P2, V, suppressed(P3), suppressed(R), V};
        const QList<int> toCyclePauses = {3000, 1000, 1000, 1000, 1000, 1000, 2000, 1000};

        QTest::newRow("timeout cleared by pipes")
            << 9 << 9 << 1 << none << 0 << 0 << int(AnswerYes) << 0
            << QStringList{D, P1, V, S, ended} << QList<int>{3000, 1000, 1000} << 1 << 0 << true;
        QTest::newRow("io failed cleared by port reset")
            << 8 << 8 << 2 << none << 0 << 0 << int(AnswerYes) << 0
            << QStringList{D, P1, V, P2, V, S, ended}
            << QList<int>{3000, 1000, 1000, 1000, 1000} << 2 << 0 << true;
        QTest::newRow("cleared by cycling the port")
            << 8 << 8 << 3 << none << 0 << 0 << int(AnswerYes) << 0
            << (toCycle + QStringList{S, ended}) << toCyclePauses << 3 << 1 << true;
        QTest::newRow("soft reset answered Yes")
            << 8 << 8 << 4 << none << 0 << 0 << int(AnswerYes) << 0
            << (toCycle + QStringList{left, suppressed(Q), yes, centre, suppressed(P4),
                                      suppressed(R), V, S, ended})
            << (toCyclePauses + QList<int>{1000, 3000, 1000}) << 4 << 2 << true;
        QTest::newRow("soft reset cancelled")
            << 9 << 9 << 4 << none << 0 << 0 << int(AnswerCancel) << 0
            << (toCycle + QStringList{left, suppressed(Q), yes, centre, U, ended})
            << toCyclePauses << 3 << 1 << false;
        QTest::newRow("invalid data cleared by pipes")
            << 10 << 10 << 1 << none << 0 << 0 << int(AnswerYes) << 0
            << QStringList{D, C0, P1, V, S, ended} << QList<int>{3000, 1000, 1000, 1000} << 2
            << 0 << true;
        // Steps are not used up: after two passes the third is cancelled.
        QTest::newRow("invalid data until Cancel")
            << 10 << 10 << 4 << none << 0 << 0 << int(AnswerYes) << 8
            << QStringList{D, C0, P1, V, C0, P1, V, C0, P1, U, ended}
            << QList<int>{3000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000} << 6 << 0
            << false;
        // The CANCEL_IO result is ignored, the RESET_PIPES one is not.
        QTest::newRow("invalid data, failing reset")
            << 10 << 10 << 4 << QStringLiteral("Zeph_Recovery") << 2 << 14 << int(AnswerYes) << 0
            << QStringList{D, C0, P1, failed("Invalid handle"), failed("Invalid handle"), ended}
            << QList<int>{3000, 1000, 1000} << 2 << 0 << false;
        QTest::newRow("failing first step")
            << 9 << 9 << 2 << QStringLiteral("Zeph_Recovery") << 1 << 20 << int(AnswerYes) << 0
            << QStringList{D, P1, failed("Command unsupported"),
                           failed("Command unsupported"), ended}
            << QList<int>{3000, 1000} << 1 << 0 << false;
        QTest::newRow("re-open after cycling fails")
            << 8 << 8 << 3 << QStringLiteral("Zeph_OpenDevice") << 1 << 2 << int(AnswerYes) << 0
            << QStringList{D, P1, V, P2, V, suppressed(P3), suppressed(R),
                           failed("Device not found"), failed("Device not found"), ended}
            << QList<int>{3000, 1000, 1000, 1000, 1000, 1000, 2000} << 3 << 0 << false;
        // The link never answers: every step is tried once, then the operator is
        // told to replug.
        QTest::newRow("out of steps")
            << 9 << 0 << 0 << QStringLiteral("Zeph_GetCaptureStatus") << 100 << 9 << int(AnswerYes)
            << 0
            << (toCycle + QStringList{left, suppressed(Q), yes, centre, suppressed(P4),
                                      suppressed(R), V, U, ended})
            << (toCyclePauses + QList<int>{1000, 3000, 1000}) << 4 << 2 << false;
        QTest::newRow("cancelled in the first pause")
            << 9 << 9 << 1 << none << 0 << 0 << int(AnswerYes) << 1 << QStringList{D, U, ended}
            << QList<int>{3000} << 0 << 0 << false;
    }

    void walk()
    {
        QFETCH(int, trigger);
        QFETCH(int, stuckResult);
        QFETCH(int, clearingStep);
        QFETCH(QString, faultFunction);
        QFETCH(int, faultCount);
        QFETCH(int, faultResult);
        QFETCH(int, answer);
        QFETCH(int, cancelAtPause);
        QFETCH(QStringList, events);
        QFETCH(QList<int>, pauses);
        QFETCH(int, recoveryCalls);
        QFETCH(int, successfulReopens);
        QFETCH(bool, succeeded);

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(), 0);
        if (stuckResult)
            QCOMPARE(Zvc_SetStuckLink(ZVC_DEFAULT_USB_BINOCULAR, stuckResult, clearingStep), 0);
        if (faultCount)
            Zvc_FailNext(faultFunction.toLatin1().constData(), faultCount, faultResult);
        // What a re-open must renew.
        ctx.cameraInitialized = 1;
        ctx.deviceInfo = ZephDeviceInfo{};
        std::memset(&ctx.deviceConfig, 0, sizeof ctx.deviceConfig);
        ctx.loginId = std::make_unique<LoginSession>();
        const ZephHandle firstHandle = ctx.deviceHandle;
        Zvc_ResetCallCounts();

        SleepHookClock clock;
        ScriptedUi ui(ctx);
        RecoveryProcedure procedure(ui);
        ui.procedure = &procedure;
        ui.answer = Answer(answer);
        clock.onSleep = [&](int, int count) {
            if (count == cancelAtPause)
                QVERIFY(!procedure.cancel());
        };

        QCOMPARE(int(procedure.offer(trigger, ZEPH_COMM_USB, true)), int(RecoveryProcedure::Offer::Run));
        procedure.begin();
        procedure.run(ctx);

        QCOMPARE(ui.events, events);
        QCOMPARE(clock.sleeps(), pauses);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), recoveryCalls);
        QCOMPARE(bool(procedure.recoverySucceeded), succeeded);
        QCOMPARE(int(procedure.recoveryState), succeeded ? 0 : 2);
        QVERIFY(!procedure.questionOpen());
        // Whatever happened, a later real unplug is announced again.
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);

        // Information and configuration are read again after each re-open.
        QCOMPARE(Zvc_CallCount("Zeph_GetDeviceInfo"), successfulReopens);
        QCOMPARE(Zvc_CallCount("Zeph_GetDeviceConfig"), successfulReopens);
        if (successfulReopens > 0) {
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
        if (succeeded) {
            int32_t status = -1;
            QVERIFY(ctx.deviceHandle != 0);
            QCOMPARE(Zeph_GetCaptureStatus(ctx.deviceHandle, &status), 0);
            if (successfulReopens > 0) {
                QCOMPARE(ctx.deviceInfo.productId, 0x0B21u);
                ZephDeviceConfig fresh;
                QCOMPARE(Zeph_GetDeviceConfig(ctx.deviceHandle, &fresh), 0);
                QCOMPARE(std::memcmp(&fresh, &ctx.deviceConfig, sizeof fresh), 0);
            }
        }
    }
};

QTEST_MAIN(TestRecoveryProcedure)
#include "tst_recoveryprocedure.moc"

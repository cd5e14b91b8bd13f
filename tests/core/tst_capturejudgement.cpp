// The quality judgement, the age check and the capture prompt: the plain
// rules by table, the boxes through the message-box script.

#include "core/AppContext.h"
#include "core/CaptureJudgement.h"
#include "core/CapturePrompt.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"

#include <QLabel>
#include <QtTest>

namespace {

// Stands in for the main window: counts the capture requests it is sent.
class Navigator : public QObject
{
    Q_OBJECT
public:
    int requests = 0;
public slots:
    void OnActionAutoCapture() { ++requests; }
};

ZephQuality q(int score, int area)
{
    return ZephQuality{uint8_t(score), uint8_t(area)};
}

const QString kRecapture = QStringLiteral("Re-capture");
const QString kProceed = QStringLiteral("Proceed Anyway");
const QString kCancel = QStringLiteral("Cancel");

} // namespace

Q_DECLARE_METATYPE(ZephQuality)

class TestCaptureJudgement : public QObject
{
    Q_OBJECT
private slots:
    void verdicts_data()
    {
        QTest::addColumn<int>("purpose");
        QTest::addColumn<ZephQuality>("right");
        QTest::addColumn<ZephQuality>("left");
        QTest::addColumn<int>("scored");
        QTest::addColumn<bool>("rightRejected");
        QTest::addColumn<bool>("leftRejected");
        QTest::addColumn<bool>("below");
        // Defaults: matching reject 30/30, recommended 50/50; enrollment
        // reject 50/50, recommended 70/70.
        QTest::newRow("nothing scored") << 1 << q(0, 0) << q(0, 0) << 0 << false << false << false;
        QTest::newRow("score at reject limit") << 1 << q(30, 90) << q(0, 0) << 0 << true << false << false;
        QTest::newRow("area at reject limit") << 2 << q(90, 30) << q(0, 0) << 0 << true << false << false;
        QTest::newRow("just above reject") << 1 << q(31, 31) << q(0, 0) << 1 << false << false << true;
        QTest::newRow("at recommendation") << 1 << q(50, 80) << q(0, 0) << 1 << false << false << true;
        QTest::newRow("above recommendation") << 1 << q(51, 51) << q(51, 51) << 2 << false << false << false;
        QTest::newRow("right rejected, left kept") << 0 << q(50, 90) << q(90, 90) << 1 << true << false << false;
        QTest::newRow("left rejected, right below") << 0 << q(70, 90) << q(40, 90) << 1 << false << true << true;
        QTest::newRow("both rejected") << 0 << q(20, 20) << q(50, 50) << 0 << true << true << false;
        QTest::newRow("unscored eye ignored") << 2 << q(0, 99) << q(80, 80) << 1 << false << false << false;
    }
    void verdicts()
    {
        QFETCH(int, purpose);
        QFETCH(ZephQuality, right);
        QFETCH(ZephQuality, left);
        AppSettings settings;
        QualityThresholds t;
        QVERIFY(CaptureJudgement::thresholdsFor(purpose, settings, &t));
        const QualityVerdict v = CaptureJudgement::judge(right, left, t);
        QTEST(v.scoredEyes, "scored");
        QTEST(v.rightRejected, "rightRejected");
        QTEST(v.leftRejected, "leftRejected");
        QTEST(v.belowRecommendation, "below");
    }

    void unknownPurposeRefusedWithoutBox()
    {
        VirtualCameraFixture camera;
        MessageBoxScript boxes;
        QualityThresholds t;
        QVERIFY(!CaptureJudgement::thresholdsFor(3, camera.context(), &t));
        QVERIFY(!CaptureJudgement::thresholdsFor(-1, camera.context(), &t));
        QVERIFY(!CapturePrompt::judgeCaptureQuality(nullptr, nullptr, 3, nullptr, nullptr));
        QVERIFY(boxes.shown().isEmpty());
    }

    void age_data()
    {
        QTest::addColumn<qint64>("captureTime");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("tooOld");
        const qint64 t = 5'000'000'000'000; // far past 32 bits
        QTest::newRow("unknown time") << qint64(0) << t << 30 << false;
        QTest::newRow("30 s") << t << t + 30'000 << 30 << false;
        QTest::newRow("30.999 s") << t << t + 30'999 << 30 << false;
        QTest::newRow("31 s") << t << t + 31'000 << 30 << true;
        QTest::newRow("limit 0, under a second") << t << t + 999 << 0 << false;
        QTest::newRow("limit 0, one second") << t << t + 1000 << 0 << true;
        QTest::newRow("days later") << t << t + 86'400'000 << 30 << true;
    }
    void age()
    {
        QFETCH(qint64, captureTime);
        QFETCH(qint64, now);
        QFETCH(int, limit);
        QTEST(CaptureJudgement::isTooOld(now, captureTime, limit), "tooOld");
    }

    void texts()
    {
        QCOMPARE(CaptureJudgement::rejectionTitle(2), QStringLiteral("Identification Rejected"));
        QCOMPARE(CaptureJudgement::rejectionText(0),
                 QStringLiteral("The captured image's quality is not sufficient for enrollment.\n"
                                "Please capture another image with subject's eye opened widely "
                                "and moved slowly towards the camera"));
        QCOMPARE(CaptureJudgement::clearedText(false, 1),
                 QStringLiteral("The right captured image's quality is not sufficient for "
                                "verification. It was cleared successfully."));
    }

    // Rejection for every purpose: Re-capture asks the main window for a
    // capture, Cancel does not; both refuse.
    void rejection_data()
    {
        QTest::addColumn<int>("purpose");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::newRow("enrollment, re-capture") << 0 << kRecapture << "Enrollment Rejected";
        QTest::newRow("verification, cancel") << 1 << kCancel << "Verification Rejected";
        QTest::newRow("identification, re-capture") << 2 << kRecapture << "Identification Rejected";
    }
    void rejection()
    {
        QFETCH(int, purpose);
        QFETCH(QString, answer);
        QFETCH(QString, title);
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.lastCapture.rightQuality = q(10, 90);
        ctx.lastCapture.leftQuality = q(0, 0);
        Navigator nav;
        MessageBoxScript boxes;
        boxes.expect(title, answer, CaptureJudgement::rejectionText(purpose));
        QVERIFY(!CapturePrompt::judgeCaptureQuality(nullptr, &nav, purpose, nullptr, nullptr));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(boxes.shown().first().icon, QMessageBox::Critical);
        QCOMPARE(boxes.shown().first().buttons, QStringList({kRecapture, kCancel}));
        QCOMPARE(boxes.shown().first().defaultButton, kRecapture);
        QCoreApplication::processEvents();
        QCOMPARE(nav.requests, answer == kRecapture ? 1 : 0);
    }

    void enrollmentBelowRecommendation_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("requests");
        QTest::newRow("re-capture") << kRecapture << false << 1;
        QTest::newRow("proceed") << kProceed << true << 0;
        QTest::newRow("cancel") << kCancel << false << 0;
        QTest::newRow("closed") << QString() << false << 0;
    }
    void enrollmentBelowRecommendation()
    {
        QFETCH(QString, answer);
        VirtualCameraFixture camera;
        camera.context().lastCapture.rightQuality = q(70, 95); // at the recommended score
        Navigator nav;
        MessageBoxScript boxes;
        boxes.expect(QStringLiteral("Confirmation"), answer,
                     CaptureJudgement::enrollmentRecommendationText());
        QTEST(CapturePrompt::judgeCaptureQuality(nullptr, &nav, PurposeEnrollment, nullptr, nullptr),
              "accepted");
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(boxes.shown().first().buttons, QStringList({kRecapture, kProceed, kCancel}));
        QCoreApplication::processEvents();
        QTEST(nav.requests, "requests");

        // Matching takes the same eye without asking.
        MessageBoxScript quiet;
        QVERIFY(CapturePrompt::judgeCaptureQuality(nullptr, &nav, PurposeVerification, nullptr, nullptr));
        QVERIFY(quiet.shown().isEmpty());
    }

    // An eye the device would not clear is still there: no success text,
    // the failure instead, and the capture is not used.
    void failedClearRefuses()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.lastCapture.rightQuality = q(90, 90);
        ctx.lastCapture.leftQuality = q(10, 90);
        QLabel left(QStringLiteral("left picture"));
        MessageBoxScript boxes;
        boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"));
        QVERIFY(!CapturePrompt::judgeCaptureQuality(nullptr, nullptr, PurposeIdentification, &left,
                                                    nullptr));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(ctx.lastResult, ZEPH_ERR_INVALID_HANDLE); // no device open
        QCOMPARE(left.text(), QStringLiteral("left picture"));
    }

    void ageConfirmation_data()
    {
        QTest::addColumn<qint64>("ageMs");
        QTest::addColumn<QString>("answer"); // empty: no box expected
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("requests");
        QTest::newRow("at the limit") << qint64(30'999) << QString() << true << 0;
        QTest::newRow("beyond, proceed") << qint64(31'000) << kProceed << true << 0;
        QTest::newRow("beyond, re-capture") << qint64(45'000) << kRecapture << false << 1;
        QTest::newRow("beyond, cancel") << qint64(31'000) << kCancel << false << 0;
    }
    void ageConfirmation()
    {
        QFETCH(qint64, ageMs);
        QFETCH(QString, answer);
        VirtualCameraFixture camera;
        FakeClock clock;
        clock.advance(10'000'000'000);
        camera.context().lastCapture.captureTime = clock.monotonicMs() - ageMs;
        Navigator nav;
        MessageBoxScript boxes;
        if (!answer.isEmpty())
            boxes.expect(QStringLiteral("Confirmation"), answer, CaptureJudgement::ageQuestionText());
        QTEST(CapturePrompt::confirmCaptureAge(nullptr, &nav), "accepted");
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCoreApplication::processEvents();
        QTEST(nav.requests, "requests");
    }

    void captureFirstPrompt()
    {
        Navigator nav;
        MessageBoxScript boxes;
        boxes.expect(QStringLiteral("Login"), QStringLiteral("Capture"),
                     QStringLiteral("Please capture your iris image first."));
        boxes.expect(QStringLiteral("Matching"), kCancel);
        QVERIFY(CapturePrompt::askForCapture(nullptr, QStringLiteral("Login"), &nav));
        QVERIFY(!CapturePrompt::askForCapture(nullptr, QStringLiteral("Matching"), &nav));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(boxes.shown().first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.shown().first().buttons, QStringList({QStringLiteral("Capture"), kCancel}));
        QCOMPARE(nav.requests, 0); // queued, not called inside the box
        QCoreApplication::processEvents();
        QCOMPARE(nav.requests, 1);
        QVERIFY(!CapturePrompt::requestCapture(nullptr));
    }
};

QTEST_MAIN(TestCaptureJudgement)
#include "tst_capturejudgement.moc"

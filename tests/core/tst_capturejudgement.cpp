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
const QStringList kRejectButtons = {kRecapture, kCancel};
const QStringList kProceedButtons = {kRecapture, kProceed, kCancel};

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
        QTest::newRow("at recommendation") << 1 << q(50, 80) << q(0, 0) << 1 << false << false << true;
        QTest::newRow("above recommendation") << 1 << q(51, 51) << q(51, 51) << 2 << false << false << false;
        QTest::newRow("right rejected, left kept") << 0 << q(50, 90) << q(90, 90) << 1 << true << false << false;
        QTest::newRow("left rejected, right below") << 0 << q(70, 90) << q(40, 90) << 1 << false << true << true;
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

    void age_data()
    {
        QTest::addColumn<qint64>("captureTime");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("tooOld");
        const qint64 t = 5'000'000'000'000; // far past 32 bits
        QTest::newRow("unknown time") << qint64(0) << t << 30 << false;
        QTest::newRow("31 s") << t << t + 31'000 << 30 << true;
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
        QCOMPARE(CaptureJudgement::rejectionText(0),
                 QStringLiteral("The captured image's quality is not sufficient for enrollment.\n"
                                "Please capture another image with subject's eye opened widely "
                                "and moved slowly towards the camera"));
    }

    // The boxes before a capture is used: a rejection for every purpose, the
    // enrollment recommendation, and the age question. Re-capture asks the
    // main window for a capture, after the box; only Proceed Anyway accepts.
    void prompts_data()
    {
        QTest::addColumn<int>("purpose");
        QTest::addColumn<ZephQuality>("right");
        QTest::addColumn<qint64>("ageMs"); // -1: the quality is judged, else the age
        QTest::addColumn<QString>("title"); // empty: no box
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("requests");
        const ZephQuality bad = q(10, 90), fair = q(70, 95); // fair: at the recommended enrollment score
        const qint64 judged = -1;
        QTest::newRow("enrollment rejected, re-capture")
            << 0 << bad << judged << "Enrollment Rejected" << kRecapture << false << 1;
        QTest::newRow("below, proceed") << 0 << fair << judged << "Confirmation" << kProceed << true << 0;
        QTest::newRow("matching takes it unasked") << 1 << fair << judged << QString() << QString() << true << 0;
        QTest::newRow("age at the limit") << 0 << fair << qint64(30'999) << QString() << QString() << true << 0;
        QTest::newRow("too old, re-capture")
            << 0 << fair << qint64(45'000) << "Confirmation" << kRecapture << false << 1;
    }
    void prompts()
    {
        QFETCH(int, purpose);
        QFETCH(ZephQuality, right);
        QFETCH(qint64, ageMs);
        QFETCH(QString, title);
        QFETCH(QString, answer);
        VirtualCameraFixture camera;
        FakeClock clock;
        clock.advance(10'000'000'000);
        AppContext &ctx = camera.context();
        ctx.lastCapture.rightQuality = right;
        ctx.lastCapture.leftQuality = q(0, 0);
        ctx.lastCapture.captureTime = clock.monotonicMs() - qMax<qint64>(ageMs, 0);
        const bool rejection = title.endsWith(QStringLiteral("Rejected"));
        const QString text = rejection ? CaptureJudgement::rejectionText(purpose)
                             : ageMs < 0 ? CaptureJudgement::enrollmentRecommendationText()
                                         : CaptureJudgement::ageQuestionText();
        Navigator nav;
        MessageBoxScript boxes;
        if (!title.isEmpty())
            boxes.expect(title, answer, text);
        QTEST(ageMs < 0 ? CapturePrompt::judgeCaptureQuality(nullptr, &nav, purpose, nullptr, nullptr)
                        : CapturePrompt::confirmCaptureAge(nullptr, &nav),
              "accepted");
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        if (!title.isEmpty()) {
            const MessageBoxRequest &box = boxes.shown().first();
            QCOMPARE(box.icon, rejection ? QMessageBox::Critical : QMessageBox::Warning);
            QCOMPARE(box.buttons, rejection ? kRejectButtons : kProceedButtons);
            QCOMPARE(box.defaultButton, kRecapture);
        }
        QCOMPARE(nav.requests, 0); // queued, not called inside the box
        QCoreApplication::processEvents();
        QTEST(nav.requests, "requests");
    }

    // An eye the device would not clear is still there: no success text, the
    // failure instead, and the capture is not used.
    void refusalWhenTheEyeIsNotCleared()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        ctx.lastCapture.rightQuality = q(90, 90);
        ctx.lastCapture.leftQuality = q(10, 90);
        QLabel left(QStringLiteral("left picture"));
        boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"));
        QVERIFY(!CapturePrompt::judgeCaptureQuality(nullptr, nullptr, PurposeIdentification, &left, nullptr));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(ctx.lastResult, ZEPH_ERR_INVALID_HANDLE); // no device open
        QCOMPARE(left.text(), QStringLiteral("left picture"));
    }

    // The capture-first box as the operator sees it; what its answers do is
    // the login and matching work areas' (Capture sends the operator to the
    // capture work area, Cancel stays), through requestCapture as above.
    void captureFirstPrompt()
    {
        MessageBoxScript boxes;
        boxes.expect(QStringLiteral("Login"), kCancel, QStringLiteral("Please capture your iris image first."));
        QVERIFY(!CapturePrompt::askForCapture(nullptr, QStringLiteral("Login"), nullptr));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(boxes.shown().first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.shown().first().buttons, QStringList({QStringLiteral("Capture"), kCancel}));
    }
};

QTEST_MAIN(TestCaptureJudgement)
#include "tst_capturejudgement.moc"

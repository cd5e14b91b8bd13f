#include "core/CaptureJudgement.h"

#include "core/AppSettings.h"

bool CaptureJudgement::thresholdsFor(int purpose, const AppSettings &s, QualityThresholds *out)
{
    if (!out)
        return false;
    switch (purpose) {
    case PurposeEnrollment:
        *out = {s.rejectedScoreForEnrollment, s.rejectedUsableAreaForEnrollment,
                s.qualifiedScoreForEnrollment, s.qualifiedUsableAreaForEnrollment};
        return true;
    case PurposeVerification:
    case PurposeIdentification:
        *out = {s.badScoreForMatching, s.badUsableAreaForMatching, s.qualifiedScoreForMatching,
                s.qualifiedUsableAreaForMatching};
        return true;
    default:
        return false;
    }
}

QualityVerdict CaptureJudgement::judge(ZephQuality right, ZephQuality left,
                                       const QualityThresholds &t)
{
    QualityVerdict v;
    v.scoredEyes = (right.totalScore != 0) + (left.totalScore != 0);
    auto weigh = [&](const ZephQuality &q, bool *rejected) {
        if (q.totalScore == 0)
            return;
        if (q.totalScore <= t.rejectScore || q.usableArea <= t.rejectArea) {
            *rejected = true;
            --v.scoredEyes;
        } else if (q.totalScore <= t.recommendedScore || q.usableArea <= t.recommendedArea) {
            v.belowRecommendation = true;
        }
    };
    weigh(right, &v.rightRejected);
    weigh(left, &v.leftRejected);
    return v;
}

bool CaptureJudgement::isTooOld(int64_t nowMs, int64_t captureTimeMs, int32_t limitSeconds)
{
    if (captureTimeMs == 0)
        return false;
    const int64_t ageSeconds = (nowMs - captureTimeMs) / 1000;
    return ageSeconds > limitSeconds;
}

QString CaptureJudgement::purposeName(int purpose)
{
    switch (purpose) {
    case PurposeEnrollment: return QStringLiteral("enrollment");
    case PurposeVerification: return QStringLiteral("verification");
    case PurposeIdentification: return QStringLiteral("identification");
    default: return QString();
    }
}

QString CaptureJudgement::rejectionTitle(int purpose)
{
    switch (purpose) {
    case PurposeEnrollment: return QStringLiteral("Enrollment Rejected");
    case PurposeVerification: return QStringLiteral("Verification Rejected");
    case PurposeIdentification: return QStringLiteral("Identification Rejected");
    default: return QString();
    }
}

QString CaptureJudgement::rejectionText(int purpose)
{
    return QStringLiteral("The captured image's quality is not sufficient for %1.\n"
                          "Please capture another image with subject's eye opened widely and "
                          "moved slowly towards the camera")
        .arg(purposeName(purpose));
}

QString CaptureJudgement::clearedText(bool leftEye, int purpose)
{
    return QStringLiteral("The %1 captured image's quality is not sufficient for %2. "
                          "It was cleared successfully.")
        .arg(leftEye ? QStringLiteral("left") : QStringLiteral("right"), purposeName(purpose));
}

QString CaptureJudgement::enrollmentRecommendationText()
{
    return QStringLiteral(
        "The captured image is enrollable but not in sufficient quality to warrant the best "
        "accuracy.\nThe subject is recommended to have his/her iris image recaptured with the "
        "eye opened widely and moved slowly towards the camera.");
}

QString CaptureJudgement::ageQuestionText()
{
    // The wording keeps its 30 whatever limit is configured.
    return QStringLiteral("The captured iris image was captured more than 30 seconds ago, "
                          "would you like to use it anyway?");
}

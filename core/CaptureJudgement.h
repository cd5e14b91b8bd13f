#ifndef GLINTVIEW_CAPTUREJUDGEMENT_H
#define GLINTVIEW_CAPTUREJUDGEMENT_H

// Whether a capture is good enough, and fresh enough, for what the operator
// is about to do with it: the plain rules behind the boxes of CapturePrompt.

#include "zeph/zeph.h"

#include <QString>
#include <cstdint>

struct AppSettings;

enum CapturePurpose {
    PurposeEnrollment = 0,
    PurposeVerification = 1,
    PurposeIdentification = 2
};

struct QualityThresholds {
    int32_t rejectScore = 0;
    int32_t rejectArea = 0;
    int32_t recommendedScore = 0;
    int32_t recommendedArea = 0;
};

struct QualityVerdict {
    int scoredEyes = 0;        // eyes with a score that were not rejected
    bool rightRejected = false;
    bool leftRejected = false;
    bool belowRecommendation = false; // an eye kept is at or under the recommendation
};

class CaptureJudgement
{
public:
    // False for a purpose that is none of the three.
    static bool thresholdsFor(int purpose, const AppSettings &settings, QualityThresholds *out);

    // An eye with a total score of 0 has no score. Every comparison is
    // "at or below": a score equal to a limit is on the bad side of it.
    static QualityVerdict judge(ZephQuality right, ZephQuality left, const QualityThresholds &t);

    // True when the capture is older than the limit in whole seconds; a
    // capture of unknown time (0) is never too old.
    static bool isTooOld(int64_t nowMs, int64_t captureTimeMs, int32_t limitSeconds);

    // "enrollment", "verification", "identification".
    static QString purposeName(int purpose);
    static QString rejectionTitle(int purpose);
    static QString rejectionText(int purpose);
    static QString clearedText(bool leftEye, int purpose);
    static QString enrollmentRecommendationText();
    static QString ageQuestionText();
};

#endif

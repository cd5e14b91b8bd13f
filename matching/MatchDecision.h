#ifndef GLINTVIEW_MATCHDECISION_H
#define GLINTVIEW_MATCHDECISION_H

// Turning what the camera answered into the matching work area's outcome:
// the distance thresholds, the best of the 1:N candidates, and the codes
// that the LED signal and the result panel act on.

#include "zeph/zeph.h"

#include <QByteArray>
#include <cstdint>

enum MatchOutcome {
    OutcomeDone = 0,            // enrolment, unenrolment
    OutcomeIdentifiedExact = 1, // below the fixed limit
    OutcomeIdentified = 2,
    OutcomeIdentifyUnsure = 3,  // not matchable
    OutcomeNotIdentified = 4,
    OutcomeVerifiedExact = 9,
    OutcomeVerified = 10,
    OutcomeVerifyUnsure = 11,
    OutcomeNotVerified = 12,
    OutcomeWrongEye = 16,
    OutcomeDuplicate = 18,
    OutcomeFailed = 31
};

struct MatchThresholds {
    float genuine = 1.0f;
    float imposter = 1.1f;
};

struct BestCandidate {
    bool found = false;
    QByteArray id;           // read no further than its 32-byte field
    float distance = 100.0f; // 100.0: none, and not shown
};

class MatchDecision
{
public:
    // Below it a distance is accepted whatever the thresholds say.
    static constexpr float kExactLimit = 0.016f;
    // Distances from here on are not shown.
    static constexpr float kNoDistance = 100.0f;

    // Outcome of Zeph_Compare11's result and distance.
    static MatchOutcome verification(ZephResult result, float distance, const MatchThresholds &t);

    // Outcome of Zeph_Compare1N's result and the best candidate's distance.
    static MatchOutcome identification(ZephResult result, float bestDistance,
                                       const MatchThresholds &t);

    // The candidate with the smallest distance; of equal ones the first. A
    // null array or a count of 0 or less gives none.
    static BestCandidate best(const ZephMatchCandidate *candidates, int32_t count);

    // Outcome of Zeph_EnrollCapture's result (0 before the commit is known).
    static MatchOutcome enrolment(ZephResult result);

    // Whether the distance line is shown for this distance.
    static bool showsDistance(float distance) { return distance < kNoDistance; }
};

#endif

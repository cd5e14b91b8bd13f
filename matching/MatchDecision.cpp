#include "matching/MatchDecision.h"

#include <cstring>

namespace {

// 0 accepted below the limit, 1 accepted, 2 not matchable, 3 no match.
int band(float distance, const MatchThresholds &t)
{
    if (distance < MatchDecision::kExactLimit)
        return 0;
    if (distance <= t.genuine)
        return 1;
    if (distance <= t.imposter)
        return 2;
    return 3;
}

} // namespace

MatchOutcome MatchDecision::verification(ZephResult result, float distance,
                                         const MatchThresholds &t)
{
    if (result == ZEPH_ERR_WRONG_EYE_SUBTYPE)
        return OutcomeWrongEye;
    if (result != ZEPH_OK)
        return OutcomeFailed;
    static const MatchOutcome kByBand[] = {OutcomeVerifiedExact, OutcomeVerified,
                                           OutcomeVerifyUnsure, OutcomeNotVerified};
    return kByBand[band(distance, t)];
}

MatchOutcome MatchDecision::identification(ZephResult result, float bestDistance,
                                           const MatchThresholds &t)
{
    if (result != ZEPH_OK)
        return OutcomeFailed;
    static const MatchOutcome kByBand[] = {OutcomeIdentifiedExact, OutcomeIdentified,
                                           OutcomeIdentifyUnsure, OutcomeNotIdentified};
    return kByBand[band(bestDistance, t)];
}

BestCandidate MatchDecision::best(const ZephMatchCandidate *candidates, int32_t count)
{
    BestCandidate b;
    if (!candidates || count <= 0)
        return b;
    for (int32_t i = 0; i < count; ++i) {
        const ZephMatchCandidate &c = candidates[i];
        if (c.distance < b.distance) {
            const void *nul = std::memchr(c.id, 0, sizeof c.id);
            const qsizetype n = nul ? static_cast<const char *>(nul) - c.id : qsizetype(sizeof c.id);
            b.found = true;
            b.distance = c.distance;
            b.id = QByteArray(c.id, n);
        }
    }
    return b;
}

MatchOutcome MatchDecision::enrolment(ZephResult result)
{
    if (result == ZEPH_OK)
        return OutcomeDone;
    if (result == ZEPH_ERR_DUPLICATE_IRIS)
        return OutcomeDuplicate;
    return OutcomeFailed;
}

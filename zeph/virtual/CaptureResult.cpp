#include "CaptureResult.h"

#include "zeph/virtual_camera.h"

#include <algorithm>

namespace zvc {
namespace {

uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x45d9f3bU;
    x ^= x >> 16;
    x *= 0x45d9f3bU;
    x ^= x >> 16;
    return x;
}

struct Range {
    int total;
    int totalSpan;
    int area;
    int areaSpan;
};

// Ranges keep two noise steps away from the quality-mode limits, so that a
// presentation always lands on the same side of them.
Range rangeOf(int32_t presentation)
{
    switch (presentation) {
    case ZVC_EYE_SHARP: return {75, 21, 70, 26};
    case ZVC_EYE_BLURRED: return {33, 9, 60, 21};
    case ZVC_EYE_HALF_CLOSED: return {50, 11, 20, 11};
    case ZVC_EYE_LOOKING_ASIDE: return {8, 10, 30, 16};
    default: return {0, 0, 0, 0};
    }
}

} // namespace

ZephQuality CaptureResult::scoreOf(uint32_t subject, int32_t eye, int32_t presentation,
                                   uint32_t noiseSeed)
{
    const Range r = rangeOf(presentation);
    if (subject == 0 || r.total == 0)
        return ZephQuality{0, 0};
    const uint32_t id = mix(subject * 31u + static_cast<uint32_t>(eye));
    const uint32_t n = mix(noiseSeed ^ id);
    const int total = r.total + static_cast<int>(id % r.totalSpan) + static_cast<int>(n % 5) - 2;
    const int area = r.area + static_cast<int>((id >> 8) % r.areaSpan)
                     + static_cast<int>((n >> 8) % 5) - 2;
    return ZephQuality{static_cast<uint8_t>(std::clamp(total, 1, 100)),
                       static_cast<uint8_t>(std::clamp(area, 1, 100))};
}

bool CaptureResult::passes(ZephQuality score, int32_t qualityMode)
{
    const int minimum = qualityMode == ZEPH_QUALITY_VERY_HIGH ? 40
                        : qualityMode == ZEPH_QUALITY_HIGH    ? 30
                                                              : 20;
    return score.totalScore >= minimum && score.usableArea >= 15;
}

CaptureResult CaptureResult::judge(uint32_t subject, const int32_t presentation[2],
                                   const bool requested[2], bool monocular, int32_t qualityMode,
                                   uint32_t noiseSeed)
{
    CaptureResult r;
    r.subject = subject;
    r.monocular = monocular;
    r.qualityMode = qualityMode;
    r.noiseSeed = noiseSeed;
    for (int i = 0; i < 2; ++i) {
        r.requested[i] = requested[i];
        r.presentation[i] = presentation[i];
        if (!requested[i])
            continue;
        const int32_t eye = i == 0 ? ZEPH_EYE_RIGHT : ZEPH_EYE_LEFT;
        const ZephQuality q = scoreOf(subject, eye, presentation[i], noiseSeed);
        if (q.totalScore != 0 && passes(q, qualityMode)) {
            r.score[i] = q;
            r.qualified[i] = true;
        }
    }
    return r;
}

ZephResult CaptureResult::answer() const
{
    const bool right = !requested[0] || qualified[0];
    const bool left = !requested[1] || qualified[1];
    if (!qualified[0] && !qualified[1])
        return ZEPH_ERR_NO_QUALIFIED_FRAME;
    if (!right)
        return ZEPH_ERR_NO_QUALIFIED_RIGHT;
    if (!left)
        return ZEPH_ERR_NO_QUALIFIED_LEFT;
    return ZEPH_OK;
}

void CaptureResult::dropEye(int index)
{
    if (index < 0 || index > 1)
        return;
    qualified[index] = false;
    score[index] = ZephQuality{0, 0};
}

} // namespace zvc

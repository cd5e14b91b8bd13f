// The outcome of one completed capture, as the camera keeps it until the
// next capture, a clear or the handle's end: who was in front, how each eye
// was presented and scored, and which eyes the results hold.
#ifndef ZEPH_VIRTUAL_CAPTURERESULT_H
#define ZEPH_VIRTUAL_CAPTURERESULT_H

#include "zeph/zeph.h"

#include <cstdint>

namespace zvc {

struct CaptureResult {
    uint32_t subject = 0;
    bool monocular = false;
    int32_t qualityMode = ZEPH_QUALITY_NORMAL;
    uint32_t noiseSeed = 0;
    // Index 0 right eye, 1 left eye (a monocular camera uses index 0).
    bool requested[2] = {false, false};
    int32_t presentation[2] = {0, 0};
    ZephQuality score[2] = {{0, 0}, {0, 0}};
    bool qualified[2] = {false, false};

    // What the result calls answer: 0, the missing eye's code, or
    // ZEPH_ERR_NO_QUALIFIED_FRAME when no requested eye qualified.
    ZephResult answer() const;
    // Drops one eye (index 0 or 1), as Zeph_ClearCapture does.
    void dropEye(int index);

    // The score of one presented eye: identity and presentation decide the
    // range, the capture's noise moves it a little. Not presented: {0, 0}.
    static ZephQuality scoreOf(uint32_t subject, int32_t eye, int32_t presentation,
                               uint32_t noiseSeed);
    // Whether a score passes the quality mode (stricter modes want more).
    static bool passes(ZephQuality score, int32_t qualityMode);
    // Scores every requested eye of `subject` as presented.
    static CaptureResult judge(uint32_t subject, const int32_t presentation[2],
                               const bool requested[2], bool monocular, int32_t qualityMode,
                               uint32_t noiseSeed);
};

} // namespace zvc

#endif

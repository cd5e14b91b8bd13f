#ifndef GLINTVIEW_RECOVERYSTEPS_H
#define GLINTVIEW_RECOVERYSTEPS_H

// The five USB recovery steps the SDK offers, lightest first, with the texts
// the recovery work area and the automatic recovery dialog show for them.

#include "zeph/zeph.h"

namespace RecoverySteps {

constexpr int kCount = 5;

struct Step {
    int code;                // the ZephRecoveryStep passed to Zeph_Recovery
    const char *name;        // combo box item of the work area
    const char *explanation; // explanation line of the work area
    const char *statusText;  // status line of the automatic dialog
};

// The step of `code`, or null outside 0..4.
const Step *find(int code);

// Steps that take the camera off the bus for a moment, so that a removal
// notification follows which is no real unplug.
inline bool leavesTheBus(int code)
{
    return code == ZEPH_RECOVERY_CYCLE_PORT || code == ZEPH_RECOVERY_SOFT_RESET;
}

// The results that say the USB link no longer answers.
inline bool isIoError(ZephResult result)
{
    return result == ZEPH_ERR_IO_FAILED || result == ZEPH_ERR_IO_TIMEOUT
        || result == ZEPH_ERR_IO_INVALID;
}

} // namespace RecoverySteps

#endif

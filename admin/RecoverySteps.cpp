#include "admin/RecoverySteps.h"

namespace RecoverySteps {

namespace {
// The texts are the operator's, spelling included.
const Step kSteps[kCount] = {
    {ZEPH_RECOVERY_CANCEL_IO, "CANCEL_IO", "CANCEL_IO: Cancel pending IOs (for USB).",
     "Cancelling USB IO requests..."},
    {ZEPH_RECOVERY_RESET_PIPES, "RESET_PIPES",
     "RESET_PIPES: Clear stall condition and reset all data endpoints except for enpoint 0 "
     "(for USB).",
     "Resetting USB pipes..."},
    {ZEPH_RECOVERY_RESET_PORT, "RESET_PORT",
     "RESET_PORT: Reset USB port to which device is attached to. Reset port is more expensive "
     "than reset pipes. ",
     "Resetting USB ports..."},
    {ZEPH_RECOVERY_CYCLE_PORT, "CYCLE_PORT",
     "CYCLE_PORT: Cycle port is similar to the device being unplugged and then plugged back in, "
     "except that the device may beis not electrically disconnected from a USB host controlller "
     "(firmware is not reloaded).",
     "Power-cycling USB port..."},
    {ZEPH_RECOVERY_SOFT_RESET, "SOFT_RESET",
     "SOFT_RESET: Perform a firmware soft reset. It is not a POR reset. Firmware is not "
     "reloaded. The processor only jumps to the execution of the firmware entry point.",
     "Soft-resetting device..."},
};
} // namespace

const Step *find(int code)
{
    if (code < 0 || code >= kCount)
        return nullptr;
    return &kSteps[code];
}

} // namespace RecoverySteps

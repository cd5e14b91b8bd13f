// zeph.h, power management (see PowerComponent).
#include "Journaled.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_SleepDevice(ZephHandle handle, int32_t mode, int32_t reserved)
{
    return journaled(Fn::SleepDevice, handle, {mode, reserved}, nullptr, [&] {
        return VirtualCamera::instance().sleepDevice(handle, mode);
    });
}

} // extern "C"

// zeph.h, power management. Sleep modes are not modelled yet.
#include "Journaled.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_SleepDevice(ZephHandle handle, int32_t mode, int32_t reserved)
{
    return journaled(Fn::SleepDevice, handle, {mode, reserved}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::SleepDevice, handle,
            [](VirtualDevice &, AfterUnlock &) -> ZephResult { return ZEPH_ERR_UNSUPPORTED; });
    });
}

} // extern "C"

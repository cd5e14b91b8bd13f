// zeph.h, power management. Sleep modes are not modelled yet.
#include "Unsupported.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_SleepDevice(ZephHandle handle, int32_t, int32_t)
{
    return unsupported(Fn::SleepDevice, handle);
}

} // extern "C"

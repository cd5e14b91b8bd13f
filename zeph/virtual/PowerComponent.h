// The camera's power states. Standby and sleep end with the next call on
// the handle, which is then answered normally; deep sleep ends only with a
// hardware signal (Zvc_WakeDevice). Automatic sleep (the configuration's
// sleepTimeout, idle seconds of model time, never during a capture) is
// noticed by the next call: for standby and sleep that call wakes the
// camera again; for deep sleep it is refused like every call after it.
#ifndef ZEPH_VIRTUAL_POWERCOMPONENT_H
#define ZEPH_VIRTUAL_POWERCOMPONENT_H

#include "DeviceComponent.h"
#include "ModelClock.h"

namespace zvc {

class PowerComponent : public DeviceComponent {
public:
    explicit PowerComponent(ModelClock &clock) : clock_(clock) {}

    // 0 awake, else the ZephSleepMode the camera is in.
    int32_t state() const { return state_; }
    void sleep(int32_t mode) { state_ = mode; }
    void wake();

    ZephResult admit(const CallContext &call) override;
    void powerChanged(VirtualDevice &, bool powered, AfterUnlock &) override;

private:
    ModelClock &clock_;
    int32_t state_ = 0;
    int64_t lastCallMs_ = -1;
};

} // namespace zvc

#endif

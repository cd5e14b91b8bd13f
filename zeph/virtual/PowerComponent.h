// The camera's power states. Standby and sleep end with the next call on
// the handle, which is then answered normally; deep sleep ends only with a
// hardware signal (Zvc_WakeDevice), unless the configuration's
// deepSleepInterrupt is on: then the next call wakes it like sleep.
// Automatic sleep (the configuration's sleepTimeout, idle seconds of model
// time) is judged at the model time of each look (a call, the bench's
// state query): for standby and sleep the next call wakes the camera again;
// for deep sleep it is refused like every call after it. A capture holds the
// camera awake, and the idle time after it counts from the first look that
// finds it ended (the engine keeps no end time). A USB camera that fell into
// deep sleep by itself leaves the bus at the first call after its moment,
// as the command would have taken it off at once.
#ifndef ZEPH_VIRTUAL_POWERCOMPONENT_H
#define ZEPH_VIRTUAL_POWERCOMPONENT_H

#include "DeviceComponent.h"
#include "ModelClock.h"

#include <functional>
#include <string>
#include <utility>

namespace zvc {

class PowerComponent : public DeviceComponent {
public:
    // Takes a device off the bus as an unplug does; called without the lock.
    using LeaveBus = std::function<void(const std::string &deviceName)>;

    explicit PowerComponent(ModelClock &clock, LeaveBus leaveBus = nullptr)
        : clock_(clock), leaveBus_(std::move(leaveBus))
    {
    }

    // 0 awake, else the ZephSleepMode the camera is in, as last judged.
    int32_t state() const { return state_; }
    // The state at the current model time, automatic sleep included.
    int32_t judge(VirtualDevice &device);
    void sleep(int32_t mode) { state_ = mode; }
    void wake();

    ZephResult admit(const CallContext &call) override;
    void powerChanged(VirtualDevice &, bool powered, AfterUnlock &) override;

private:
    ModelClock &clock_;
    LeaveBus leaveBus_;
    int32_t state_ = 0;
    int64_t lastCallMs_ = -1;
    bool captureMayRun_ = false; // a capture started and was not seen ending
    bool departing_ = false;     // its own departure from the bus, not a power loss
};

} // namespace zvc

#endif

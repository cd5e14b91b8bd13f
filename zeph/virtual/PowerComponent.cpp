#include "PowerComponent.h"

#include "CaptureEngine.h"
#include "VirtualDevice.h"

namespace zvc {

namespace {

bool capturing(VirtualDevice &device)
{
    const CaptureEngine *engine = device.component<CaptureEngine>();
    return engine
           && (engine->status() == ZEPH_STATUS_READY || engine->status() == ZEPH_STATUS_CAPTURING);
}

} // namespace

void PowerComponent::wake()
{
    state_ = 0;
    captureMayRun_ = false;
    lastCallMs_ = clock_.nowMs();
}

void PowerComponent::powerChanged(VirtualDevice &, bool powered, AfterUnlock &)
{
    if (!powered && departing_) {
        departing_ = false; // it left the bus asleep, as it was told to
        return;
    }
    // Power lost or back: the camera starts awake.
    wake();
}

int32_t PowerComponent::judge(VirtualDevice &device)
{
    const int64_t now = clock_.nowMs();
    if (lastCallMs_ < 0)
        lastCallMs_ = now;
    if (state_ != 0)
        return state_;
    if (captureMayRun_ || capturing(device)) {
        // Awake while it runs; one that ended since the last look ended, at
        // the earliest, now. Otherwise a capture longer than the timeout
        // would put the camera to sleep under the call that fetches its results.
        captureMayRun_ = capturing(device);
        lastCallMs_ = now;
        return 0;
    }
    const ZephDeviceConfig &config = device.config();
    if (config.sleepTimeout > 0 && now - lastCallMs_ >= int64_t{config.sleepTimeout} * 1000)
        state_ = config.sleepMode;
    return state_;
}

ZephResult PowerComponent::admit(const CallContext &call)
{
    judge(call.device);
    if (state_ == ZEPH_SLEEP_DEEP && call.device.config().deepSleepInterrupt == 0) {
        if (!call.device.onUsb())
            return ZEPH_ERR_IO_TIMEOUT;
        if (call.device.plugged() && !departing_) {
            // Fell asleep by itself: off the bus like the command, handles
            // lost and the removal announced, once the lock is released.
            departing_ = true;
            const std::string name = call.device.name();
            if (leaveBus_) {
                LeaveBus leave = leaveBus_;
                call.after.add([leave, name] { leave(name); });
            }
        }
        return ZEPH_ERR_IO_FAILED;
    }
    state_ = 0; // any call wakes a camera in standby, sleep or interruptible deep sleep
    lastCallMs_ = clock_.nowMs();
    if (call.fn == Fn::StartCapture)
        captureMayRun_ = true;
    return ZEPH_OK;
}

} // namespace zvc

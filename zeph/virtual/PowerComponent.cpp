#include "PowerComponent.h"

#include "CaptureEngine.h"
#include "VirtualDevice.h"

namespace zvc {

void PowerComponent::wake()
{
    state_ = 0;
    lastCallMs_ = clock_.nowMs();
}

void PowerComponent::powerChanged(VirtualDevice &, bool, AfterUnlock &)
{
    // Power lost or back: the camera starts awake.
    wake();
}

ZephResult PowerComponent::admit(const CallContext &call)
{
    const int64_t now = clock_.nowMs();
    if (lastCallMs_ < 0)
        lastCallMs_ = now;
    const ZephDeviceConfig &config = call.device.config();
    const CaptureEngine *engine = call.device.component<CaptureEngine>();
    const bool capturing = engine && (engine->status() == ZEPH_STATUS_READY
                                      || engine->status() == ZEPH_STATUS_CAPTURING);
    if (state_ == 0 && config.sleepTimeout > 0 && !capturing
        && now - lastCallMs_ >= int64_t{config.sleepTimeout} * 1000)
        state_ = config.sleepMode;
    if (state_ == ZEPH_SLEEP_DEEP)
        return call.device.onUsb() ? ZEPH_ERR_IO_FAILED : ZEPH_ERR_IO_TIMEOUT;
    state_ = 0; // any call wakes a camera in standby or sleep
    lastCallMs_ = now;
    return ZEPH_OK;
}

} // namespace zvc

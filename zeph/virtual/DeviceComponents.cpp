#include "DeviceComponent.h"

#include "CaptureEngine.h"
#include "GalleryComponent.h"
#include "PowerComponent.h"
#include "SecurityComponent.h"
#include "VirtualCamera.h"
#include "VirtualDevice.h"

namespace zvc {

void installComponents(VirtualDevice &device, ModelClock &clock, std::mutex &cameraLock)
{
    // One line per firmware part: device.addComponent(std::make_unique<...>());
    device.addComponent(std::make_unique<PowerComponent>(clock, [](const std::string &name) {
        VirtualCamera::instance().unplugDevice(name.c_str());
    }));
    device.addComponent(std::make_unique<CaptureEngine>(clock, cameraLock));
    device.addComponent(std::make_unique<GalleryComponent>());
    device.addComponent(std::make_unique<SecurityComponent>());
}

} // namespace zvc

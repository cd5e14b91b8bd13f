#include "DeviceComponent.h"

#include "VirtualDevice.h"

namespace zvc {

void installComponents(VirtualDevice &)
{
    // The capture engine, gallery, security and power parts attach here,
    // one line each, as they are built: device.addComponent(std::make_unique<...>());
}

} // namespace zvc

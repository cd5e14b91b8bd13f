#include "DeviceComponent.h"

#include "GalleryComponent.h"

#include "VirtualDevice.h"

namespace zvc {

void installComponents(VirtualDevice &device)
{
    // The capture engine, gallery, security and power parts attach here,
    // one line each, as they are built.
    device.addComponent(std::make_unique<GalleryComponent>());
}

} // namespace zvc

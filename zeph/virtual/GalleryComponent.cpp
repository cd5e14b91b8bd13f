#include "GalleryComponent.h"

#include "StateStore.h"
#include "VirtualDevice.h"

namespace zvc {

void GalleryComponent::handleClosed(VirtualDevice &, AfterUnlock &)
{
    if (gallery_)
        gallery_->endSession();
}

void GalleryComponent::softReset(VirtualDevice &, AfterUnlock &)
{
    if (gallery_)
        gallery_->endSession();
}

void GalleryComponent::load(VirtualDevice &device, const StateStore &store)
{
    // Nothing is read here: the files are read at the first Zeph_LoadGallery.
    gallery_ = std::make_shared<DeviceGallery>(store, store.deviceFolder(device.name()), "gallery");
}

std::vector<EyeTemplate> GalleryComponent::templatesOf(const CaptureFacts &facts)
{
    std::vector<EyeTemplate> out;
    for (const CapturedEye &e : facts.eyes)
        out.push_back({e.label, IrisCode::capture(facts.subjectSeed, e.physicalEye, e.presentation,
                                                  facts.noiseSeed)});
    return out;
}

std::optional<CaptureFacts> GalleryComponent::lastCapture(VirtualDevice &)
{
    // The capture engine plugs in here.
    return std::nullopt;
}

} // namespace zvc

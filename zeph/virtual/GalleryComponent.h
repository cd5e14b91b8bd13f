// The gallery part of a camera's firmware: one DeviceGallery per device,
// kept in the device's state folder, read at the first Zeph_LoadGallery.
// Closing the handle and a soft reset end the session (uncommitted changes
// are dropped, Zeph_LoadGallery is needed again).
#ifndef ZEPH_VIRTUAL_GALLERYCOMPONENT_H
#define ZEPH_VIRTUAL_GALLERYCOMPONENT_H

#include "DeviceComponent.h"
#include "DeviceGallery.h"
#include "IrisCode.h"

#include <memory>
#include <optional>
#include <vector>

namespace zvc {

// What the capture engine knows of the most recent capture, as far as
// templates go: whose eyes, which, how well presented.
struct CapturedEye {
    int physicalEye;          // ZEPH_EYE_RIGHT or ZEPH_EYE_LEFT: whose texture it is
    uint8_t label;            // the eye subtype the template carries (0 on a one-eye camera)
    Presentation presentation;
};
struct CaptureFacts {
    uint64_t subjectSeed = 0;
    uint64_t noiseSeed = 0;   // per capture: two captures of one eye differ
    std::vector<CapturedEye> eyes;
};

class GalleryComponent : public DeviceComponent {
public:
    void handleClosed(VirtualDevice &, AfterUnlock &) override;
    void softReset(VirtualDevice &, AfterUnlock &) override;
    ZephResult load(VirtualDevice &, const StateStore &) override;

    DeviceGallery &gallery() { return *gallery_; }
    // For work that runs after the camera lock is released: keeps this
    // gallery alive even if the device or its folder goes meanwhile.
    std::shared_ptr<DeviceGallery> shared() { return gallery_; }

    // The templates of a capture; deterministic for the same facts.
    static std::vector<EyeTemplate> templatesOf(const CaptureFacts &facts);
    // The most recent capture of the device, from its capture engine; none
    // when it holds no capture (the gallery calls then answer 0x3005).
    static std::optional<CaptureFacts> lastCapture(VirtualDevice &device);

private:
    std::shared_ptr<DeviceGallery> gallery_;
};

} // namespace zvc

#endif

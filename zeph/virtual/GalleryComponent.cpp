#include "GalleryComponent.h"

#include "CaptureEngine.h"
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

ZephResult GalleryComponent::load(VirtualDevice &device, const StateStore &store)
{
    // Nothing is read here: the files are read at the first Zeph_LoadGallery.
    gallery_ = std::make_shared<DeviceGallery>(store, store.deviceFolder(device.name()), "gallery");
    return ZEPH_OK;
}

std::vector<EyeTemplate> GalleryComponent::templatesOf(const CaptureFacts &facts)
{
    std::vector<EyeTemplate> out;
    for (const CapturedEye &e : facts.eyes)
        out.push_back({e.label, IrisCode::capture(facts.subjectSeed, e.physicalEye, e.presentation,
                                                  facts.noiseSeed)});
    return out;
}

namespace {

std::optional<Presentation> presentationOf(int32_t bench)
{
    switch (bench) {
    case ZVC_EYE_SHARP: return Presentation::Sharp;
    case ZVC_EYE_BLURRED: return Presentation::Blurred;
    case ZVC_EYE_HALF_CLOSED: return Presentation::HalfClosed;
    case ZVC_EYE_LOOKING_ASIDE: return Presentation::LookingAside;
    default: return std::nullopt;
    }
}

} // namespace

std::optional<CaptureFacts> GalleryComponent::lastCapture(VirtualDevice &device)
{
    const CaptureEngine *engine = device.component<CaptureEngine>();
    const std::shared_ptr<const CaptureResult> result = engine ? engine->results() : nullptr;
    if (!result)
        return std::nullopt;
    CaptureFacts facts;
    facts.subjectSeed = result->subject;
    facts.noiseSeed = result->noiseSeed;
    // Index 0 holds the right eye (the only one of a one-eye camera, whose
    // templates carry no eye label), index 1 the left.
    for (int i = 0; i < 2; ++i) {
        if (!result->qualified[i])
            continue;
        const std::optional<Presentation> presentation = presentationOf(result->presentation[i]);
        if (!presentation)
            continue;
        const int physical = i == 0 ? ZEPH_EYE_RIGHT : ZEPH_EYE_LEFT;
        const uint8_t label = result->monocular ? uint8_t{ZEPH_EYE_UNKNOWN} : uint8_t(physical);
        facts.eyes.push_back({physical, label, *presentation});
    }
    return facts;
}

} // namespace zvc

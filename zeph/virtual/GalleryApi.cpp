// zeph.h, gallery and matching family: the device's GalleryComponent does
// the work; here are the checks every call on a handle gets, the capture
// the call works on, and the device configuration's rules.
#include "GalleryComponent.h"
#include "SecurityComponent.h"
#include "VirtualCamera.h"

using namespace zvc;

namespace {

using GalleryCall = std::function<ZephResult(VirtualDevice &, DeviceGallery &)>;

ZephResult onGallery(Fn fn, ZephHandle handle, const GalleryCall &body)
{
    return VirtualCamera::instance().onDevice(
        fn, handle, [&body](VirtualDevice &device, AfterUnlock &) -> ZephResult {
            auto *component = device.component<GalleryComponent>();
            if (!component)
                return ZEPH_ERR_UNSUPPORTED;
            return body(device, component->gallery());
        });
}

// A super user or an administrator is logged in on the calling handle.
bool supervisorPresent(VirtualDevice &device)
{
    auto *security = device.component<SecurityComponent>();
    return security && security->supervisorPresent();
}

bool canCompare(const VirtualDevice &device)
{
    return (device.info().features & ZEPH_FEATURE_TEMPLATE_COMPARISON) != 0;
}

// The templates of the most recent capture; 0x3005 without one.
ZephResult probeOf(VirtualDevice &device, std::vector<EyeTemplate> &probe)
{
    const auto facts = GalleryComponent::lastCapture(device);
    if (!facts)
        return ZEPH_ERR_FRAME_NOT_AVAILABLE;
    probe = GalleryComponent::templatesOf(*facts);
    return probe.empty() ? ZEPH_ERR_NO_QUALIFIED_FRAME : ZEPH_OK;
}

} // namespace

extern "C" {

ZephResult Zeph_GetGalleryInfo(ZephHandle handle, const char *const **ids, int32_t *count,
                               int32_t *freeSlots, int32_t *capacity)
{
    return onGallery(Fn::GetGalleryInfo, handle, [&](VirtualDevice &, DeviceGallery &g) -> ZephResult {
        const ZephResult r = g.info(ids, count, freeSlots, capacity);
        if (r == ZEPH_OK)
            g.lieAboutInfoIds(VirtualCamera::instance().takeLie(Fn::GetGalleryInfo), ids);
        return r;
    });
}

ZephResult Zeph_LoadGallery(ZephHandle handle, const char *const **ids, int32_t *count,
                            int32_t *freeSlots, int32_t *capacity)
{
    return onGallery(Fn::LoadGallery, handle, [&](VirtualDevice &, DeviceGallery &g) -> ZephResult {
        return g.load(ids, count, freeSlots, capacity);
    });
}

ZephResult Zeph_GetEnrolleeInfo(ZephHandle handle, const char *id, ZephEnrolleeInfo *info)
{
    return onGallery(Fn::GetEnrolleeInfo, handle, [&](VirtualDevice &, DeviceGallery &g) -> ZephResult {
        return g.enrolleeInfo(id, info);
    });
}

ZephResult Zeph_EnrollCapture(ZephHandle handle, const char *id)
{
    return onGallery(Fn::EnrollCapture, handle, [&](VirtualDevice &device, DeviceGallery &g) -> ZephResult {
        if (!g.initialised())
            return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
        std::vector<EyeTemplate> capture;
        const ZephResult r = probeOf(device, capture);
        if (r != ZEPH_OK)
            return r;
        const ZephDeviceConfig &config = device.config();
        const DedupRule dedup{config.enableDedup != 0, config.dedupThreshold};
        return g.enroll(id, capture, dedup, config.supervisedEnrollment != 0,
                        supervisorPresent(device));
    });
}

ZephResult Zeph_UnenrollTemplate(ZephHandle handle, const char *id)
{
    return onGallery(Fn::UnenrollTemplate, handle, [&](VirtualDevice &device, DeviceGallery &g) -> ZephResult {
        return g.unenroll(id, device.config().supervisedEnrollment != 0,
                          supervisorPresent(device));
    });
}

ZephResult Zeph_CommitGallery(ZephHandle handle)
{
    return onGallery(Fn::CommitGallery, handle,
                     [](VirtualDevice &, DeviceGallery &g) -> ZephResult { return g.commit(); });
}

ZephResult Zeph_Compare11(ZephHandle handle, const char *id, float *distance)
{
    return onGallery(Fn::Compare11, handle, [&](VirtualDevice &device, DeviceGallery &g) -> ZephResult {
        if (!canCompare(device))
            return ZEPH_ERR_UNSUPPORTED;
        if (!distance)
            return ZEPH_ERR_INVALID_PARAMETER;
        if (!g.initialised())
            return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
        std::vector<EyeTemplate> probe;
        const ZephResult r = probeOf(device, probe);
        return r != ZEPH_OK ? r : g.compare11(id, probe, distance);
    });
}

ZephResult Zeph_Compare1N(ZephHandle handle, float maxDistance,
                          const ZephMatchCandidate **candidates, int32_t *count)
{
    // The checks and a snapshot under the camera lock; the search itself (up
    // to 100,000 enrollees) after it is released, so that other devices'
    // calls and the notifications do not wait for it.
    return VirtualCamera::instance().onDevice(
        Fn::Compare1N, handle,
        [=](VirtualDevice &device, AfterUnlock &after) -> ZephResult {
            if (!candidates || !count)
                return ZEPH_ERR_INVALID_PARAMETER;
            *candidates = nullptr;
            *count = 0;
            auto *component = device.component<GalleryComponent>();
            if (!component || !canCompare(device))
                return ZEPH_ERR_UNSUPPORTED;
            if (!component->gallery().initialised())
                return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
            std::vector<EyeTemplate> probe;
            ZephResult r = probeOf(device, probe);
            if (r != ZEPH_OK)
                return r;
            auto job = std::make_shared<DeviceGallery::Search1N>();
            r = component->gallery().begin1N(std::move(probe), maxDistance, *job);
            if (r != ZEPH_OK)
                return r;
            job->lie = VirtualCamera::instance().takeLie(Fn::Compare1N);
            after.add([gallery = component->shared(), job, candidates, count] {
                gallery->finish1N(*job, candidates, count);
            });
            return ZEPH_OK;
        });
}

} // extern "C"

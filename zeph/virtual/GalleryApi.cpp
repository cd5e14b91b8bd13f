// zeph.h, gallery and matching family. Not modelled yet.
#include "Unsupported.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_GetGalleryInfo(ZephHandle handle, const char *const **, int32_t *, int32_t *,
                               int32_t *)
{
    return unsupported(Fn::GetGalleryInfo, handle);
}

ZephResult Zeph_LoadGallery(ZephHandle handle, const char *const **, int32_t *, int32_t *,
                            int32_t *)
{
    return unsupported(Fn::LoadGallery, handle);
}

ZephResult Zeph_GetEnrolleeInfo(ZephHandle handle, const char *, ZephEnrolleeInfo *)
{
    return unsupported(Fn::GetEnrolleeInfo, handle);
}

ZephResult Zeph_EnrollCapture(ZephHandle handle, const char *)
{
    return unsupported(Fn::EnrollCapture, handle);
}

ZephResult Zeph_UnenrollTemplate(ZephHandle handle, const char *)
{
    return unsupported(Fn::UnenrollTemplate, handle);
}

ZephResult Zeph_CommitGallery(ZephHandle handle) { return unsupported(Fn::CommitGallery, handle); }

ZephResult Zeph_Compare11(ZephHandle handle, const char *, float *)
{
    return unsupported(Fn::Compare11, handle);
}

ZephResult Zeph_Compare1N(ZephHandle handle, float, const ZephMatchCandidate **, int32_t *)
{
    return unsupported(Fn::Compare1N, handle);
}

} // extern "C"

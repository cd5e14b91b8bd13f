// zeph.h, security family (login, roles, device lock). Not modelled yet.
#include "Unsupported.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_Login(ZephHandle handle, const char *, int32_t)
{
    return unsupported(Fn::Login, handle);
}

ZephResult Zeph_Logout(ZephHandle handle) { return unsupported(Fn::Logout, handle); }

ZephResult Zeph_GetAdminGalleryInfo(ZephHandle handle, const char *const **, int32_t *,
                                    int32_t *, int32_t *)
{
    return unsupported(Fn::GetAdminGalleryInfo, handle);
}

ZephResult Zeph_EnrollAsAdmin(ZephHandle handle, const char *)
{
    return unsupported(Fn::EnrollAsAdmin, handle);
}

ZephResult Zeph_UnenrollAdmin(ZephHandle handle, const char *)
{
    return unsupported(Fn::UnenrollAdmin, handle);
}

ZephResult Zeph_SetUserRole(ZephHandle handle, const char *, int32_t)
{
    return unsupported(Fn::SetUserRole, handle);
}

ZephResult Zeph_LockDevice(ZephHandle handle) { return unsupported(Fn::LockDevice, handle); }

ZephResult Zeph_UnlockDevice(ZephHandle handle) { return unsupported(Fn::UnlockDevice, handle); }

} // extern "C"

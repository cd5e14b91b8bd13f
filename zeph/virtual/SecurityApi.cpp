// zeph.h, security family (login, roles, device lock): the device's
// SecurityComponent admits each call and does the work.
#include "GalleryComponent.h"
#include "Journaled.h"
#include "SecurityComponent.h"

#include <cstring>

using namespace zvc;

namespace {

using SecurityCall = std::function<ZephResult(VirtualDevice &, SecurityComponent &)>;

ZephResult onSecurity(Fn fn, ZephHandle handle, const char *id, std::vector<int64_t> args,
                      const SecurityCall &body)
{
    // The journal keeps the ID, read no further than an ID field.
    const std::string text = id ? std::string(id, strnlen(id, ZEPH_ID_SIZE)) : std::string();
    return journaled(fn, handle, std::move(args), id ? text.c_str() : nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            fn, handle, [&body](VirtualDevice &device, AfterUnlock &) -> ZephResult {
                auto *security = device.component<SecurityComponent>();
                return security ? body(device, *security) : ZEPH_ERR_UNSUPPORTED;
            });
    });
}

} // namespace

extern "C" {

ZephResult Zeph_Login(ZephHandle handle, const char *id, int32_t role)
{
    return onSecurity(Fn::Login, handle, id, {role}, [&](VirtualDevice &d, SecurityComponent &s) {
        return s.login(d, id, role);
    });
}

ZephResult Zeph_Logout(ZephHandle handle)
{
    return onSecurity(Fn::Logout, handle, nullptr, {},
                      [](VirtualDevice &, SecurityComponent &s) { return s.logout(); });
}

ZephResult Zeph_GetAdminGalleryInfo(ZephHandle handle, const char *const **ids, int32_t *count,
                                    int32_t *freeSlots, int32_t *capacity)
{
    if (ids)
        *ids = nullptr;
    if (count)
        *count = 0;
    return onSecurity(Fn::GetAdminGalleryInfo, handle, nullptr, {},
                      [&](VirtualDevice &, SecurityComponent &s) {
                          return s.adminInfo(ids, count, freeSlots, capacity);
                      });
}

ZephResult Zeph_EnrollAsAdmin(ZephHandle handle, const char *id)
{
    return onSecurity(Fn::EnrollAsAdmin, handle, id, {}, [&](VirtualDevice &d, SecurityComponent &s) {
        return s.enrollAdmin(d, id);
    });
}

ZephResult Zeph_UnenrollAdmin(ZephHandle handle, const char *id)
{
    return onSecurity(Fn::UnenrollAdmin, handle, id, {}, [&](VirtualDevice &, SecurityComponent &s) {
        return s.unenrollAdmin(id);
    });
}

ZephResult Zeph_SetUserRole(ZephHandle handle, const char *id, int32_t role)
{
    return onSecurity(Fn::SetUserRole, handle, id, {role},
                      [&](VirtualDevice &d, SecurityComponent &) -> ZephResult {
                          // Only enrollees' roles change here, and only
                          // between SUPERUSER and USER; held until a commit.
                          if (role != ZEPH_ROLE_SUPERUSER && role != ZEPH_ROLE_USER)
                              return ZEPH_ERR_INVALID_PARAMETER;
                          auto *gallery = d.component<GalleryComponent>();
                          return gallery ? gallery->gallery().setRole(id, role)
                                         : ZEPH_ERR_UNSUPPORTED;
                      });
}

ZephResult Zeph_LockDevice(ZephHandle handle)
{
    return onSecurity(Fn::LockDevice, handle, nullptr, {},
                      [](VirtualDevice &, SecurityComponent &s) { return s.setLocked(true); });
}

ZephResult Zeph_UnlockDevice(ZephHandle handle)
{
    return onSecurity(Fn::UnlockDevice, handle, nullptr, {},
                      [](VirtualDevice &, SecurityComponent &s) { return s.setLocked(false); });
}

} // extern "C"

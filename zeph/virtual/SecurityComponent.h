// The security part of a camera's firmware: the administrator gallery, the
// login session of each handle, the device lock and the rights every guarded
// call needs. Rules chosen:
// - Roles rank ADMIN (0) above SUPERUSER (1) above USER (2).
// - Commissioning: while no administrator is enrolled, the first one is
//   enrolled, and the device configuration, lock and unlock are accepted,
//   without a login. Once one exists, enrolling or removing administrators,
//   lock, unlock and Zeph_SetDeviceConfig (automatic sleep included) need
//   an ADMIN session whose ID is still enrolled; otherwise 0x2010.
//   Removing the last administrator returns the camera to commissioning.
// - Zeph_SetUserRole always needs a SUPERUSER or ADMIN session (0x2010).
// - Supervised enrolment: Zeph_EnrollCapture and Zeph_UnenrollTemplate pass
//   with a SUPERUSER or ADMIN session.
// - A lock and the administrator gallery live in the device's folder and
//   survive a restart; a lock file that cannot be read counts as locked,
//   damaged administrator files keep every guard up.
#ifndef ZEPH_VIRTUAL_SECURITYCOMPONENT_H
#define ZEPH_VIRTUAL_SECURITYCOMPONENT_H

#include "DeviceComponent.h"
#include "DeviceGallery.h"

#include <memory>
#include <string>

namespace zvc {

class SecurityComponent : public DeviceComponent {
public:
    ZephResult admit(const CallContext &call) override;
    ZephResult load(VirtualDevice &, const StateStore &store) override;

    // The session of the handle whose call this component admitted last:
    // valid only inside the body of that call (both run under one lock).
    LoginSession &caller() { return *caller_; }
    bool supervisorPresent() const;

    // 0x0010 for an unknown ID, a role the ID does not hold or a capture
    // that does not match within the configuration's authThreshold.
    ZephResult login(VirtualDevice &device, const char *id, int32_t role);
    ZephResult logout();
    ZephResult adminInfo(const char *const **ids, int32_t *count, int32_t *freeSlots,
                         int32_t *capacity);
    ZephResult enrollAdmin(VirtualDevice &device, const char *id);
    ZephResult unenrollAdmin(const char *id);
    ZephResult setLocked(bool locked);
    bool locked() const { return locked_; }

    // Why a device withholds its images (0 when it releases them): 0x100A
    // while locked, 0x1009 with data closure or forced encryption on.
    static ZephResult imagesWithheld(VirtualDevice &device);

private:
    // The administrator gallery in memory; 0x4002 when its files are damaged.
    ZephResult admins();
    bool hasAdmins();
    bool isAdmin(const LoginSession &session);
    ZephResult commitAdmins();

    const StateStore *store_ = nullptr;
    std::string folder_;
    std::string lockPath_;
    std::unique_ptr<DeviceGallery> admins_;
    bool locked_ = false;
    LoginSession none_;
    LoginSession *caller_ = &none_;
};

} // namespace zvc

#endif

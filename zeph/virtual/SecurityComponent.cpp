#include "SecurityComponent.h"

#include "GalleryComponent.h"
#include "StateStore.h"
#include "VirtualDevice.h"

namespace zvc {

namespace {

// A few administrators, each with a few templates: a small file.
const GalleryLimits kAdminLimits{64, 4, 256};

bool adminGuarded(Fn fn)
{
    switch (fn) {
    case Fn::EnrollAsAdmin:
    case Fn::UnenrollAdmin:
    case Fn::LockDevice:
    case Fn::UnlockDevice:
    case Fn::SetDeviceConfig:
        return true;
    default:
        return false;
    }
}

bool atLeastSuperUser(const LoginSession &s)
{
    return s.loggedIn && (s.role == kRoleAdmin || s.role == kRoleSuperUser);
}

} // namespace

ZephResult SecurityComponent::load(VirtualDevice &device, const StateStore &store)
{
    store_ = &store;
    folder_ = store.deviceFolder(device.name());
    admins_ = std::make_unique<DeviceGallery>(store, folder_, "admins", kAdminLimits);
    lockPath_ = folder_ + "/lock.bin";
    std::vector<uint8_t> bytes;
    switch (store.readFile(lockPath_, 16, bytes)) {
    case StateStore::ReadStatus::Missing: locked_ = false; break;
    case StateStore::ReadStatus::Ok: locked_ = !(bytes.size() == 1 && bytes[0] == 0); break;
    case StateStore::ReadStatus::Failed: locked_ = true; break;
    }
    return ZEPH_OK;
}

ZephResult SecurityComponent::admins()
{
    if (!admins_)
        return ZEPH_ERR_GALLERY_LOAD_FAILED;
    if (admins_->initialised())
        return ZEPH_OK;
    const char *const *ids = nullptr;
    int32_t count = 0;
    const ZephResult r = admins_->load(&ids, &count, nullptr, nullptr);
    return r == ZEPH_ERR_GALLERY_EMPTY ? ZEPH_OK : r;
}

bool SecurityComponent::hasAdmins()
{
    if (admins() == ZEPH_OK)
        return !admins_->gallery().empty();
    // Damaged files keep every guard up rather than fall back to
    // commissioning; a folder that cannot exist (a file or a link on its
    // way) never held an administrator.
    return store_ && store_->noLinksOnTheWay(folder_);
}

bool SecurityComponent::isAdmin(const LoginSession &session)
{
    return session.loggedIn && session.role == kRoleAdmin && admins() == ZEPH_OK
           && admins_->gallery().find(session.id) != nullptr;
}

bool SecurityComponent::supervisorPresent() const { return atLeastSuperUser(*caller_); }

ZephResult SecurityComponent::admit(const CallContext &call)
{
    caller_ = &call.session;
    if (adminGuarded(call.fn) && hasAdmins() && !isAdmin(call.session))
        return ZEPH_ERR_PERMISSION_DENIED;
    if (call.fn == Fn::SetUserRole && !atLeastSuperUser(call.session))
        return ZEPH_ERR_PERMISSION_DENIED;
    return ZEPH_OK;
}

ZephResult SecurityComponent::login(VirtualDevice &device, const char *id, int32_t role)
{
    std::string key;
    if (!Gallery::readId(id, key) || (role != kRoleAdmin && role != kRoleSuperUser))
        return ZEPH_ERR_INVALID_PARAMETER;
    const auto facts = GalleryComponent::lastCapture(device);
    if (!facts)
        return ZEPH_ERR_FRAME_NOT_AVAILABLE;
    const std::vector<EyeTemplate> probe = GalleryComponent::templatesOf(*facts);
    if (probe.empty())
        return ZEPH_ERR_NO_QUALIFIED_FRAME;

    // Who may take the role: an administrator always; a super user from the
    // enrollee gallery when the role asked is SUPERUSER.
    const Gallery *holder = nullptr;
    if (admins() == ZEPH_OK && admins_->gallery().find(key))
        holder = &admins_->gallery();
    if (!holder && role == kRoleSuperUser) {
        auto *enrollees = device.component<GalleryComponent>();
        const Gallery *g = enrollees ? enrollees->gallery().peek() : nullptr;
        const Enrollee *e = g ? g->find(key) : nullptr;
        if (e && e->role <= kRoleSuperUser)
            holder = g;
    }
    float distance = 0.0f;
    if (!holder || holder->compare11(key, probe, distance) != ZEPH_OK
        || !(distance <= device.config().authThreshold))
        return ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE;
    caller_->loggedIn = true;
    caller_->id = key;
    caller_->role = role;
    return ZEPH_OK;
}

ZephResult SecurityComponent::logout()
{
    *caller_ = LoginSession{};
    return ZEPH_OK;
}

ZephResult SecurityComponent::adminInfo(const char *const **ids, int32_t *count,
                                        int32_t *freeSlots, int32_t *capacity)
{
    if (!ids || !count)
        return ZEPH_ERR_INVALID_PARAMETER;
    *ids = nullptr;
    *count = 0;
    const ZephResult r = admins();
    return r != ZEPH_OK ? r : admins_->info(ids, count, freeSlots, capacity);
}

ZephResult SecurityComponent::commitAdmins()
{
    const ZephResult r = admins_->commit();
    if (r != ZEPH_OK)
        admins_->forget(); // the files still hold the old gallery
    return r;
}

ZephResult SecurityComponent::enrollAdmin(VirtualDevice &device, const char *id)
{
    ZephResult r = admins();
    if (r != ZEPH_OK)
        return r;
    std::string key;
    if (!Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    const auto facts = GalleryComponent::lastCapture(device);
    if (!facts)
        return ZEPH_ERR_FRAME_NOT_AVAILABLE;
    const std::vector<EyeTemplate> capture = GalleryComponent::templatesOf(*facts);
    if (capture.empty())
        return ZEPH_ERR_NO_QUALIFIED_FRAME;
    r = admins_->enroll(id, capture, DedupRule{}, false, false, kRoleAdmin);
    return r != ZEPH_OK ? r : commitAdmins();
}

ZephResult SecurityComponent::unenrollAdmin(const char *id)
{
    ZephResult r = admins();
    if (r != ZEPH_OK)
        return r;
    r = admins_->unenroll(id, false, false);
    if (r != ZEPH_OK)
        return r;
    r = commitAdmins();
    // An administrator who removed himself is logged out.
    if (r == ZEPH_OK && caller_->loggedIn && caller_->role == kRoleAdmin
        && !admins_->gallery().find(caller_->id))
        *caller_ = LoginSession{};
    return r;
}

ZephResult SecurityComponent::setLocked(bool locked)
{
    if (!store_ || !store_->writeAtomically(lockPath_, {uint8_t(locked ? 1 : 0)}))
        return ZEPH_ERR_DEVICE_IO_FAILED;
    locked_ = locked;
    return ZEPH_OK;
}

ZephResult SecurityComponent::imagesWithheld(VirtualDevice &device)
{
    const auto *security = device.component<SecurityComponent>();
    if (security && security->locked())
        return ZEPH_ERR_DEVICE_LOCKED;
    const ZephDeviceConfig &c = device.config();
    if (c.dataClosure != 0 || c.forceEncryption != 0)
        return ZEPH_ERR_FUNCTION_DISABLED;
    return ZEPH_OK;
}

} // namespace zvc

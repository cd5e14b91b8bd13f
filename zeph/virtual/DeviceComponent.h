// A part of a camera's firmware beyond the core (capture engine, gallery,
// security, power). Each lives in its own files, is attached to every
// device by installComponents() and hears the device's life events.
//
// Every hook runs with the camera lock held: it must not block, call the
// program, or take the lock again. Work that would (joining a capture
// thread, calling a frame callback) goes into `after`; the component is
// still alive when that work runs, even when the device is being removed.
#ifndef ZEPH_VIRTUAL_DEVICECOMPONENT_H
#define ZEPH_VIRTUAL_DEVICECOMPONENT_H

#include "AfterUnlock.h"
#include "Functions.h"
#include "zeph/zeph.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace zvc {

class StateStore;
class VirtualDevice;

// Who is logged in on a handle (the security part fills it).
struct LoginSession {
    bool loggedIn = false;
    std::string id;
    int32_t role = ZEPH_ROLE_USER;
};

// What a component learns about a call before it runs.
struct CallContext {
    VirtualDevice &device;
    Fn fn;
    ZephHandle handle;
    LoginSession &session; // of this handle; components may change it
    AfterUnlock &after;    // work for once the lock is released
};

class DeviceComponent {
public:
    virtual ~DeviceComponent() = default;

    // A non-zero answer refuses the call before it runs (device locked,
    // asleep, permission missing). Asked after the handle and link checks.
    virtual ZephResult admit(const CallContext &) { return ZEPH_OK; }

    // The open handle is gone: closed by the program, dropped by a port
    // cycle or soft reset, or lost because the device was unplugged.
    virtual void handleClosed(VirtualDevice &, AfterUnlock &) {}
    // Power went away (unplugged) or came back (plugged), with or without an
    // open handle. handleClosed has already run for a lost handle.
    virtual void powerChanged(VirtualDevice &, bool /*powered*/, AfterUnlock &) {}
    // The firmware restarted (soft reset): uncommitted changes are lost.
    virtual void softReset(VirtualDevice &, AfterUnlock &) {}
    // Load persistent state from the device's folder (at creation, on reset,
    // when the state folder moves). A damaged store answers a code that the
    // component's calls report later (for example ZEPH_ERR_GALLERY_LOAD_FAILED).
    virtual ZephResult load(VirtualDevice &, const StateStore &) { return ZEPH_OK; }
    // True when the calling thread is one of the component's own (a frame
    // callback calling back into the library).
    virtual bool onOwnThread() const { return false; }
};

class ModelClock;

// Attaches the components every device carries. `cameraLock` is the lock
// their own threads take to look at the model.
void installComponents(VirtualDevice &device, ModelClock &clock, std::mutex &cameraLock);

} // namespace zvc

#endif

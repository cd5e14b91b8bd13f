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

#include <string>

namespace zvc {

class StateStore;
class VirtualDevice;

class DeviceComponent {
public:
    virtual ~DeviceComponent() = default;

    // A non-zero answer refuses the call before it runs (device locked,
    // asleep, permission missing). Asked after the handle and link checks.
    virtual ZephResult admit(Fn) { return ZEPH_OK; }

    // The open handle is gone: closed by the program, dropped by a port
    // cycle or soft reset, or lost because the device was unplugged.
    virtual void handleClosed(VirtualDevice &, AfterUnlock &) {}
    // The firmware restarted (soft reset): uncommitted changes are lost.
    virtual void softReset(VirtualDevice &, AfterUnlock &) {}
    // Load persistent state from the device's folder (at creation, on reset,
    // when the state folder moves).
    virtual void load(VirtualDevice &, const StateStore &) {}
};

// Attaches the components every device carries.
void installComponents(VirtualDevice &device);

} // namespace zvc

#endif

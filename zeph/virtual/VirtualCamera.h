// The device model behind zeph.h: the bus with its cameras, the handles the
// program holds, the host-side settings, faults and notifications.
//
// One lock guards the whole model. Entry points take it for the model work
// only; delays, notifications and anything else that may block or call the
// program run after it is released (AfterUnlock).
//
// The families not built yet reach a device through onDevice(), which runs
// the checks every call on a handle gets (fault injection, stale and lost
// handles, a stuck link, the components' admission) before their own body.
#ifndef ZEPH_VIRTUAL_VIRTUALCAMERA_H
#define ZEPH_VIRTUAL_VIRTUALCAMERA_H

#include "AfterUnlock.h"
#include "CallCounter.h"
#include "FaultInjector.h"
#include "Functions.h"
#include "HandleTable.h"
#include "Journal.h"
#include "ModelClock.h"
#include "Notifier.h"
#include "SdkSettings.h"
#include "StateStore.h"
#include "VirtualDevice.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zvc {

class VirtualCamera {
public:
    // Created on first use and never destroyed: the program may still close
    // its device from an exit handler after static destructors have run.
    static VirtualCamera &instance();

    // ---- zeph.h: library and device families
    int32_t sdkVersion();
    ZephResult sdkDescription(char *buffer, int32_t *length);
    ZephResult sdkConfig(ZephSdkConfig *config);
    ZephResult setSdkConfig(const ZephSdkConfig *config);
    ZephResult scanDevices(const char *const **names, int32_t *count);
    ZephResult openDevice(const char *name, ZephHandle *handle);
    ZephResult closeDevice(ZephHandle handle);
    ZephResult deviceInfo(ZephHandle handle, ZephDeviceInfo *info);
    ZephResult deviceConfig(ZephHandle handle, ZephDeviceConfig *config);
    ZephResult setDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config);
    ZephResult recovery(ZephHandle handle, int32_t step);
    ZephResult sleepDevice(ZephHandle handle, int32_t mode);

    // ---- Extension point for every other call that takes a handle. `body`
    // runs under the lock, only when the checks passed.
    // `always`, when given, runs under the lock whenever the handle names a
    // live device, also when the checks refused the call (a failed stop must
    // still end the capture).
    using DeviceCall = std::function<ZephResult(VirtualDevice &, AfterUnlock &)>;
    using DeviceHook = std::function<void(VirtualDevice &, AfterUnlock &)>;
    ZephResult onDevice(Fn fn, ZephHandle handle, const DeviceCall &body,
                        const DeviceHook &always = nullptr);
    // Runs `body` under the lock on the device with that id, if it still
    // exists (the second half of a call whose long work ran outside the lock).
    ZephResult onDeviceId(uint64_t id, const DeviceCall &body);
    // The lie waiting for the next output of `fn`, used up by this call.
    int32_t takeLie(Fn fn) { return lies_[indexOf(fn)].exchange(ZVC_LIE_NONE); }

    // ---- Journal
    std::string deviceNameOf(ZephHandle handle);
    void record(Fn fn, ZephHandle handle, std::string device, std::vector<int64_t> args,
                const char *text, ZephResult result);
    const Journal &journal() const { return journal_; }
    void clearJournal() { journal_.clear(); }

    // ---- Bench (virtual_camera.h)
    void reset();
    void setStateDirectory(const char *path);
    const char *stateDirectory();
    ZephResult addDevice(const char *name, int32_t link, int32_t model);
    ZephResult removeAllDevices();
    ZephResult unplugDevice(const char *name);
    ZephResult plugDevice(const char *name);
    ZephResult wakeDevice(const char *name);
    ZephResult setDeviceInfo(const char *name, const ZephDeviceInfo *info);
    void failNext(const char *function, int32_t count, ZephResult result);
    ZephResult setStuckLink(const char *name, ZephResult result, int32_t clearingStep);
    void setTimeScale(double scale);
    void advanceTime(int64_t ms);
    int32_t pendingFailures(const char *function);
    ZephResult stuckLink(const char *name, ZephResult *result, int32_t *clearingStep);
    ZephResult failDevice(const char *name, const char *function, int32_t count,
                          ZephResult result, int32_t delayMs);
    ZephResult lieNext(const char *function, int32_t lie);
    // Runs `body` under the lock on the named device; 2 when there is none.
    ZephResult onNamedDevice(const char *name, const std::function<ZephResult(VirtualDevice &)> &body);
    void setNotificationCallback(ZvcNotifyFn fn, void *context);
    int32_t callCount(const char *function) const { return calls_.get(function); }
    void resetCallCounts() { calls_.clear(); }
    void flushNotifications() { notifier_.flush(); }

    ModelClock &clock() { return clock_; }

    // Modelled durations, nominal milliseconds.
    static constexpr int64_t kComProbeAnswerMs = 40;   // a port with a camera (or a busy port)
    static constexpr int64_t kComProbeSilentMs = 100;  // nothing answers: the probe times out
    static constexpr int64_t kRecoveryStepMs[5] = {10, 50, 200, 300, 500};
    static constexpr int64_t kCyclePortAbsentMs = 800;  // off the bus after CYCLE_PORT
    static constexpr int64_t kSoftResetAbsentMs = 1500; // off the bus after SOFT_RESET

private:
    VirtualCamera();

    // Under the lock.
    void installDefaultDevices();
    VirtualDevice &createDevice(const std::string &name, int32_t link, int32_t model);
    VirtualDevice *findById(uint64_t id);
    VirtualDevice *findByName(const std::string &name);
    ZephResult gate(Fn fn, ZephHandle handle, VirtualDevice *&device, AfterUnlock &after);
    VirtualDevice *liveDevice(ZephHandle handle);
    ZephResult openUart(const std::string &name, ZephHandle *handle, AfterUnlock &after);
    ZephResult openUsb(const std::string &name, ZephHandle *handle);
    ZephResult runRecoveryStep(VirtualDevice &device, int32_t step, AfterUnlock &after);

    mutable std::mutex mutex_;
    ModelClock clock_;
    Notifier notifier_;
    CallCounter calls_;
    Journal journal_;
    // Lock-free: taken from inside call bodies, which hold the lock already.
    std::array<std::atomic<int32_t>, kFunctionCount> lies_{};
    std::vector<std::vector<char>> scanFields_;
    FaultInjector faults_;
    SdkSettings sdk_;
    StateStore store_;
    HandleTable handles_;
    std::vector<std::unique_ptr<VirtualDevice>> devices_; // in order of arrival: the scan order
    uint64_t nextDeviceId_ = 1;
    std::vector<std::string> scanNames_;
    std::vector<const char *> scanList_;
    std::string stateDirectoryText_;
};

} // namespace zvc

#endif

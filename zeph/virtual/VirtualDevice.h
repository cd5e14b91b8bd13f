// One camera: its identity, whether it is on the bus, what it reports, its
// persisted configuration and the link fault it may be suffering from.
// Not thread-safe by itself: VirtualCamera's lock guards every device.
#ifndef ZEPH_VIRTUAL_VIRTUALDEVICE_H
#define ZEPH_VIRTUAL_VIRTUALDEVICE_H

#include "DeviceComponent.h"
#include "ModelClock.h"
#include "zeph/virtual_camera.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zvc {

class StateStore;

class VirtualDevice {
public:
    VirtualDevice(uint64_t id, std::string name, int32_t link, int32_t model);

    uint64_t id() const { return id_; }
    const std::string &name() const { return name_; }
    int32_t link() const { return link_; }
    int32_t model() const { return model_; }
    bool onUsb() const { return link_ == ZVC_LINK_USB; }

    // Plugged in and not in the middle of re-enumerating after a port cycle.
    bool present(const ModelClock &clock) const
    {
        return plugged_ && (!backOnBus_ || clock.reached(*backOnBus_));
    }
    bool plugged() const { return plugged_; }
    void setPlugged(bool plugged);
    // The device leaves the bus until `back` (port cycle, soft reset).
    void reenumerateUntil(const ModelClock::Deadline &back) { backOnBus_ = back; }

    const ZephDeviceInfo &info() const { return infoOverride_ ? *infoOverride_ : builtInInfo_; }
    void overrideInfo(const ZephDeviceInfo *info);

    const ZephDeviceConfig &config() const { return config_; }
    // Writes the file first; the record changes only once it is safely stored.
    bool storeConfig(const ZephDeviceConfig &config, const StateStore &store);
    // Persistent state from the store; a missing or damaged file gives the
    // factory configuration.
    void load(const StateStore &store);
    static std::string configPath(const StateStore &store, const std::string &name);

    // Link fault: every call answers `result` until a recovery step of at
    // least `clearingStep` runs. result 0 means no fault.
    void setStuckLink(ZephResult result, int32_t clearingStep);
    ZephResult stuckResult() const { return stuckResult_; }
    int32_t stuckClearingStep() const { return stuckClearingStep_; }
    // Returns true when this step was heavy enough to clear a fault.
    bool recover(int32_t step);

    void addComponent(std::unique_ptr<DeviceComponent> component);
    template <class T> T *component()
    {
        for (auto &c : components_)
            if (auto *found = dynamic_cast<T *>(c.get()))
                return found;
        return nullptr;
    }
    ZephResult admit(const CallContext &call);
    void handleClosed(AfterUnlock &after);
    void powerChanged(bool powered, AfterUnlock &after);
    bool onCaptureThread() const;
    void softReset(AfterUnlock &after);
    // The first failure of the last load(), 0 when every part loaded.
    ZephResult loadResult() const { return loadResult_; }

    // Faults set for this device only (Zvc_FailDevice), with the model time
    // the faulty call takes before it answers.
    struct Fault {
        int32_t count = 0;
        ZephResult result = ZEPH_OK;
        int64_t delayMs = 0;
    };
    void setFault(int index, const Fault &fault) { faults_[index] = fault; }
    // index kFunctionCount is "every call on a handle".
    bool takeFault(Fn fn, Fault &taken);
    void clearFaults();

private:
    uint64_t id_;
    std::string name_;
    int32_t link_;
    int32_t model_;
    bool plugged_ = true;
    std::optional<ModelClock::Deadline> backOnBus_;
    ZephDeviceInfo builtInInfo_;
    std::optional<ZephDeviceInfo> infoOverride_;
    ZephDeviceConfig config_;
    ZephResult stuckResult_ = ZEPH_OK;
    int32_t stuckClearingStep_ = 0;
    std::vector<std::unique_ptr<DeviceComponent>> components_;
    ZephResult loadResult_ = ZEPH_OK;
    Fault faults_[kFunctionCount + 1];
};

} // namespace zvc

#endif

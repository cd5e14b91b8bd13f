#include "VirtualDevice.h"

#include "DeviceConfigCodec.h"
#include "DeviceModels.h"
#include "StateStore.h"

namespace zvc {

VirtualDevice::VirtualDevice(uint64_t id, std::string name, int32_t link, int32_t model)
    : id_(id), name_(std::move(name)), link_(link), model_(model),
      builtInInfo_(DeviceModels::info(model, name_)),
      config_(DeviceModels::factoryConfig(link))
{
}

void VirtualDevice::setPlugged(bool plugged)
{
    plugged_ = plugged;
    backOnBus_.reset();
    // Power goes away with the cable: whatever hung the link is gone after a replug.
    if (plugged)
        setStuckLink(ZEPH_OK, 0);
}

void VirtualDevice::overrideInfo(const ZephDeviceInfo *info)
{
    if (info)
        infoOverride_ = *info;
    else
        infoOverride_.reset();
}

std::string VirtualDevice::configPath(const StateStore &store, const std::string &name)
{
    return store.deviceFolder(name) + "/config.bin";
}

bool VirtualDevice::storeConfig(const ZephDeviceConfig &config, const StateStore &store)
{
    if (!store.writeAtomically(configPath(store, name_), DeviceConfigCodec::encodeFile(config)))
        return false;
    config_ = config;
    return true;
}

void VirtualDevice::load(const StateStore &store)
{
    config_ = DeviceModels::factoryConfig(link_);
    if (auto bytes = store.read(configPath(store, name_), DeviceConfigCodec::kFileSize)) {
        if (auto stored = DeviceConfigCodec::decodeFile(*bytes))
            config_ = *stored;
    }
    loadResult_ = ZEPH_OK;
    for (auto &c : components_) {
        const ZephResult r = c->load(*this, store);
        if (loadResult_ == ZEPH_OK)
            loadResult_ = r;
    }
}

void VirtualDevice::setStuckLink(ZephResult result, int32_t clearingStep)
{
    stuckResult_ = result;
    stuckClearingStep_ = result == ZEPH_OK ? 0 : clearingStep;
}

bool VirtualDevice::recover(int32_t step)
{
    if (stuckResult_ == ZEPH_OK || step < stuckClearingStep_)
        return false;
    setStuckLink(ZEPH_OK, 0);
    return true;
}

void VirtualDevice::addComponent(std::unique_ptr<DeviceComponent> component)
{
    components_.push_back(std::move(component));
}

ZephResult VirtualDevice::admit(const CallContext &call)
{
    for (auto &c : components_) {
        const ZephResult r = c->admit(call);
        if (r != ZEPH_OK)
            return r;
    }
    return ZEPH_OK;
}

void VirtualDevice::handleClosed(AfterUnlock &after)
{
    for (auto &c : components_)
        c->handleClosed(*this, after);
}

void VirtualDevice::powerChanged(bool powered, AfterUnlock &after)
{
    for (auto &c : components_)
        c->powerChanged(*this, powered, after);
}

bool VirtualDevice::onCaptureThread() const
{
    for (const auto &c : components_)
        if (c->onOwnThread())
            return true;
    return false;
}

bool VirtualDevice::takeFault(Fn fn, Fault &taken)
{
    for (Fault *f : {&faults_[indexOf(fn)], &faults_[kFunctionCount]}) {
        // Closing is host-side work: "every call" leaves it alone.
        if (f == &faults_[kFunctionCount] && fn == Fn::CloseDevice)
            continue;
        if (f->count > 0) {
            --f->count;
            taken = *f;
            return true;
        }
    }
    return false;
}

void VirtualDevice::clearFaults()
{
    for (auto &f : faults_)
        f = Fault{};
}

void VirtualDevice::softReset(AfterUnlock &after)
{
    for (auto &c : components_)
        c->softReset(*this, after);
}

} // namespace zvc

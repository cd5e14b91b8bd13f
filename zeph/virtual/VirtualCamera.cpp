#include "VirtualCamera.h"

#include "DeviceConfigCodec.h"
#include "DeviceModels.h"
#include "DeviceNames.h"

#include <cstdio>
#include <cstring>

namespace zvc {
namespace {

constexpr int32_t kSdkVersion = 0x03030000; // 3.3.0.0, one byte per part
const char kSdkDescription[] = "Zeph SDK 3.3.0 - virtual camera (simulated USB and UART iris "
                               "cameras, no hardware needed)";

using Lock = std::lock_guard<std::mutex>;

bool isIoError(ZephResult r)
{
    return r == ZEPH_ERR_IO_FAILED || r == ZEPH_ERR_IO_TIMEOUT || r == ZEPH_ERR_IO_INVALID;
}

} // namespace

VirtualCamera &VirtualCamera::instance()
{
    static VirtualCamera *const camera = new VirtualCamera;
    return *camera;
}

VirtualCamera::VirtualCamera() : notifier_(clock_)
{
    Lock lock(mutex_);
    installDefaultDevices();
}

// ---- Model helpers (lock held) ---------------------------------------------

VirtualDevice &VirtualCamera::createDevice(const std::string &name, int32_t link, int32_t model)
{
    devices_.push_back(std::make_unique<VirtualDevice>(nextDeviceId_++, name, link, model));
    VirtualDevice &device = *devices_.back();
    installComponents(device);
    device.load(store_);
    return device;
}

void VirtualCamera::installDefaultDevices()
{
    createDevice(ZVC_DEFAULT_USB_BINOCULAR, ZVC_LINK_USB, ZVC_MODEL_BINOCULAR);
    createDevice(ZVC_DEFAULT_USB_MONOCULAR, ZVC_LINK_USB, ZVC_MODEL_MONOCULAR);
    createDevice(ZVC_DEFAULT_UART_PORT, ZVC_LINK_UART, ZVC_MODEL_MONOCULAR);
    createDevice(ZVC_DEFAULT_BUSY_PORT, ZVC_LINK_UART, ZVC_MODEL_BUSY_PORT);
}

VirtualDevice *VirtualCamera::findById(uint64_t id)
{
    for (auto &d : devices_)
        if (d->id() == id)
            return d.get();
    return nullptr;
}

VirtualDevice *VirtualCamera::findByName(const std::string &name)
{
    for (auto &d : devices_)
        if (DeviceNames::same(d->name(), name))
            return d.get();
    return nullptr;
}

ZephResult VirtualCamera::gate(Fn fn, ZephHandle handle, VirtualDevice *&device)
{
    device = nullptr;
    if (auto injected = faults_.take(fn))
        return *injected;
    const HandleTable::Entry *entry = handles_.find(handle);
    if (!entry)
        return ZEPH_ERR_INVALID_HANDLE;
    device = entry->lost ? nullptr : findById(entry->deviceId);
    if (!device)
        return ZEPH_ERR_IO_FAILED;
    // Recovery works below the link, so a stuck link does not stop it.
    if (fn != Fn::Recovery) {
        if (device->stuckResult() != ZEPH_OK)
            return device->stuckResult();
        const ZephResult admitted = device->admit(fn);
        if (admitted != ZEPH_OK)
            return admitted;
    }
    return ZEPH_OK;
}

ZephResult VirtualCamera::onDevice(Fn fn, ZephHandle handle, const DeviceCall &body)
{
    calls_.count(fn);
    AfterUnlock after;
    ZephResult result;
    {
        Lock lock(mutex_);
        VirtualDevice *device = nullptr;
        result = gate(fn, handle, device);
        if (result == ZEPH_OK && device)
            result = body(*device, after);
    }
    after.run();
    return result;
}

// ---- Library family -------------------------------------------------------

int32_t VirtualCamera::sdkVersion()
{
    calls_.count(Fn::GetSdkVersion);
    return kSdkVersion;
}

ZephResult VirtualCamera::sdkDescription(char *buffer, int32_t *length)
{
    calls_.count(Fn::GetSdkDescription);
    {
        Lock lock(mutex_);
        if (auto injected = faults_.take(Fn::GetSdkDescription))
            return *injected;
    }
    if (!buffer || !length || *length < 0)
        return ZEPH_ERR_INVALID_PARAMETER;
    const std::size_t capacity = static_cast<std::size_t>(*length);
    const std::size_t textLength = sizeof kSdkDescription - 1;
    const std::size_t n = textLength < capacity ? textLength : capacity;
    std::memcpy(buffer, kSdkDescription, n);
    buffer[n] = '\0';
    *length = static_cast<int32_t>(textLength);
    return n == textLength ? ZEPH_OK : ZEPH_ERR_NOT_ENOUGH_BUFFER;
}

ZephResult VirtualCamera::sdkConfig(ZephSdkConfig *config)
{
    calls_.count(Fn::GetSdkConfig);
    Lock lock(mutex_);
    if (auto injected = faults_.take(Fn::GetSdkConfig))
        return *injected;
    if (!config)
        return ZEPH_ERR_INVALID_PARAMETER;
    *config = sdk_.config();
    return ZEPH_OK;
}

ZephResult VirtualCamera::setSdkConfig(const ZephSdkConfig *config)
{
    calls_.count(Fn::SetSdkConfig);
    Lock lock(mutex_);
    if (auto injected = faults_.take(Fn::SetSdkConfig))
        return *injected;
    if (!config)
        return ZEPH_ERR_INVALID_PARAMETER;
    return sdk_.apply(*config);
}

// ---- Device family --------------------------------------------------------

ZephResult VirtualCamera::scanDevices(const char *const **names, int32_t *count)
{
    calls_.count(Fn::ScanDevices);
    Lock lock(mutex_);
    if (auto injected = faults_.take(Fn::ScanDevices))
        return *injected;
    if (!names || !count)
        return ZEPH_ERR_INVALID_PARAMETER;
    scanNames_.clear();
    // A serial port cannot be enumerated; on the UART link only opening one tells.
    if (!sdk_.usesUart()) {
        for (const auto &d : devices_)
            if (d->onUsb() && d->present(clock_))
                scanNames_.push_back(d->name());
    }
    scanList_.clear();
    for (const auto &n : scanNames_)
        scanList_.push_back(n.c_str());
    scanList_.push_back(nullptr);
    *names = scanList_.data();
    *count = static_cast<int32_t>(scanNames_.size());
    return ZEPH_OK;
}

ZephResult VirtualCamera::openUsb(const std::string &name, ZephHandle *handle)
{
    VirtualDevice *device = findByName(name);
    if (!device || !device->onUsb() || !device->present(clock_))
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    if (device->model() == ZVC_MODEL_BUSY_PORT)
        return ZEPH_ERR_ACCESS_DENIED;
    if (handles_.isOpen(device->id()))
        return ZEPH_ERR_ALREADY_OPEN;
    *handle = handles_.open(device->id());
    return ZEPH_OK;
}

ZephResult VirtualCamera::openUart(const std::string &name, ZephHandle *handle,
                                   AfterUnlock &after)
{
    if (!DeviceNames::isComPort(name))
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    VirtualDevice *device = findByName(name);
    const bool answers = device && !device->onUsb() && device->present(clock_);
    if (answers && handles_.isOpen(device->id()))
        return ZEPH_ERR_ALREADY_OPEN; // known to the driver without asking the port
    ModelClock &clock = clock_;
    const int64_t probeMs = answers ? kComProbeAnswerMs : kComProbeSilentMs;
    after.add([&clock, probeMs] { clock.pause(probeMs); });
    if (!answers)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    if (device->model() == ZVC_MODEL_BUSY_PORT)
        return ZEPH_ERR_ACCESS_DENIED;
    *handle = handles_.open(device->id());
    return ZEPH_OK;
}

ZephResult VirtualCamera::openDevice(const char *name, ZephHandle *handle)
{
    calls_.count(Fn::OpenDevice);
    AfterUnlock after;
    ZephResult result;
    {
        Lock lock(mutex_);
        if (auto injected = faults_.take(Fn::OpenDevice))
            return *injected;
        if (!handle || !DeviceNames::isAcceptable(name))
            return ZEPH_ERR_INVALID_PARAMETER;
        *handle = 0;
        result = sdk_.usesUart() ? openUart(name, handle, after) : openUsb(name, handle);
    }
    after.run();
    return result;
}

ZephResult VirtualCamera::closeDevice(ZephHandle handle)
{
    calls_.count(Fn::CloseDevice);
    AfterUnlock after;
    {
        Lock lock(mutex_);
        if (auto injected = faults_.take(Fn::CloseDevice))
            return *injected;
        const HandleTable::Entry *entry = handles_.find(handle);
        if (!entry)
            return ZEPH_ERR_INVALID_HANDLE;
        // Closing is host-side: it works on a lost handle and on a stuck link.
        VirtualDevice *device = entry->lost ? nullptr : findById(entry->deviceId);
        handles_.close(handle);
        if (device)
            device->handleClosed(after);
    }
    after.run();
    return ZEPH_OK;
}

ZephResult VirtualCamera::deviceInfo(ZephHandle handle, ZephDeviceInfo *info)
{
    return onDevice(Fn::GetDeviceInfo, handle,
                    [info](VirtualDevice &device, AfterUnlock &) -> ZephResult {
                        if (!info)
                            return ZEPH_ERR_INVALID_PARAMETER;
                        *info = device.info();
                        return ZEPH_OK;
                    });
}

ZephResult VirtualCamera::deviceConfig(ZephHandle handle, ZephDeviceConfig *config)
{
    return onDevice(Fn::GetDeviceConfig, handle,
                    [config](VirtualDevice &device, AfterUnlock &) -> ZephResult {
                        if (!config)
                            return ZEPH_ERR_INVALID_PARAMETER;
                        *config = device.config();
                        return ZEPH_OK;
                    });
}

ZephResult VirtualCamera::setDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config)
{
    return onDevice(Fn::SetDeviceConfig, handle,
                    [this, config](VirtualDevice &device, AfterUnlock &) -> ZephResult {
                        if (!config || !DeviceConfigCodec::isValid(*config))
                            return ZEPH_ERR_INVALID_PARAMETER;
                        return device.storeConfig(*config, store_) ? ZEPH_OK : ZEPH_ERR_DEVICE_IO_FAILED;
                    });
}

ZephResult VirtualCamera::recovery(ZephHandle handle, int32_t step)
{
    return onDevice(Fn::Recovery, handle,
                    [this, step](VirtualDevice &device, AfterUnlock &after) -> ZephResult {
                        return runRecoveryStep(device, step, after);
                    });
}

ZephResult VirtualCamera::runRecoveryStep(VirtualDevice &device, int32_t step, AfterUnlock &after)
{
    if (!device.onUsb())
        return ZEPH_ERR_UNSUPPORTED; // every step is a USB-level operation
    if (step < ZEPH_RECOVERY_CANCEL_IO || step > ZEPH_RECOVERY_SOFT_RESET)
        return ZEPH_ERR_INVALID_PARAMETER;
    // The step always goes through; whether the link answers again depends
    // on its weight against the fault.
    device.recover(step);
    if (step == ZEPH_RECOVERY_CYCLE_PORT || step == ZEPH_RECOVERY_SOFT_RESET) {
        if (!handles_.dropDevice(device.id()).empty())
            device.handleClosed(after);
        if (step == ZEPH_RECOVERY_SOFT_RESET)
            device.softReset(after);
        // Off the bus and back, as the host sees a replug. At time scale 0
        // the device is back at once and both events are due together.
        const auto gone = clock_.after(0);
        const ModelClock::Deadline back{
            gone.start, step == ZEPH_RECOVERY_CYCLE_PORT ? kCyclePortAbsentMs : kSoftResetAbsentMs};
        device.reenumerateUntil(back);
        notifier_.post(ZVC_EVENT_REMOVAL_COMPLETE, device.name(), gone);
        notifier_.post(ZVC_EVENT_ARRIVAL, device.name(), back);
    }
    ModelClock &clock = clock_;
    const int64_t stepMs = kRecoveryStepMs[step];
    after.add([&clock, stepMs] { clock.pause(stepMs); });
    return ZEPH_OK;
}

// ---- Bench ----------------------------------------------------------------

void VirtualCamera::reset()
{
    // Retired devices outlive the work their components queued (a capture
    // thread to join), then go when this function returns.
    std::vector<std::unique_ptr<VirtualDevice>> retired;
    AfterUnlock after;
    {
        Lock lock(mutex_);
        for (auto &d : devices_)
            if (handles_.isOpen(d->id()))
                d->handleClosed(after);
        handles_.clear();
        retired.swap(devices_);
        notifier_.cancelAll();
        installDefaultDevices();
        faults_.clear();
        calls_.clear();
        sdk_.reset();
        clock_.resetModelled();
    }
    after.run();
}

void VirtualCamera::setStateDirectory(const char *path)
{
    Lock lock(mutex_);
    store_.setDirectory(path);
    for (auto &d : devices_)
        d->load(store_);
}

const char *VirtualCamera::stateDirectory()
{
    Lock lock(mutex_);
    stateDirectoryText_ = store_.directory();
    return stateDirectoryText_.c_str();
}

ZephResult VirtualCamera::addDevice(const char *name, int32_t link, int32_t model)
{
    std::string added;
    {
        Lock lock(mutex_);
        if (!DeviceNames::isAcceptable(name) || !DeviceModels::isKnownLink(link)
            || !DeviceModels::isKnownModel(model) || findByName(name))
            return ZEPH_ERR_INVALID_PARAMETER;
        if ((link == ZVC_LINK_UART) != DeviceNames::isComPort(name))
            return ZEPH_ERR_INVALID_PARAMETER;
        added = createDevice(name, link, model).name();
    }
    notifier_.deliver(ZVC_EVENT_ARRIVAL, added);
    return ZEPH_OK;
}

ZephResult VirtualCamera::removeAllDevices()
{
    std::vector<std::unique_ptr<VirtualDevice>> retired; // see reset()
    AfterUnlock after;
    std::vector<std::string> removed;
    {
        Lock lock(mutex_);
        for (auto &d : devices_) {
            if (!handles_.loseDevice(d->id()).empty())
                d->handleClosed(after);
            if (d->plugged())
                removed.push_back(d->name());
        }
        retired.swap(devices_);
        notifier_.cancelAll();
    }
    after.run();
    for (const auto &name : removed)
        notifier_.deliver(ZVC_EVENT_REMOVAL_COMPLETE, name);
    return ZEPH_OK;
}

ZephResult VirtualCamera::unplugDevice(const char *name)
{
    AfterUnlock after;
    std::string unplugged;
    {
        Lock lock(mutex_);
        VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
        if (!device)
            return ZEPH_ERR_DEVICE_NOT_FOUND;
        if (!device->plugged())
            return ZEPH_OK;
        device->setPlugged(false);
        if (!handles_.loseDevice(device->id()).empty())
            device->handleClosed(after);
        notifier_.cancelFuture(device->name());
        unplugged = device->name();
    }
    after.run();
    notifier_.deliver(ZVC_EVENT_REMOVAL_COMPLETE, unplugged);
    return ZEPH_OK;
}

ZephResult VirtualCamera::plugDevice(const char *name)
{
    std::string plugged;
    {
        Lock lock(mutex_);
        VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
        if (!device)
            return ZEPH_ERR_DEVICE_NOT_FOUND;
        if (device->plugged())
            return ZEPH_OK;
        device->setPlugged(true);
        plugged = device->name();
    }
    notifier_.deliver(ZVC_EVENT_ARRIVAL, plugged);
    return ZEPH_OK;
}

ZephResult VirtualCamera::setDeviceInfo(const char *name, const ZephDeviceInfo *info)
{
    Lock lock(mutex_);
    VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
    if (!device)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    device->overrideInfo(info);
    return ZEPH_OK;
}

void VirtualCamera::failNext(const char *function, int32_t count, ZephResult result)
{
    Lock lock(mutex_);
    faults_.failNext(function, count, result);
}

ZephResult VirtualCamera::setStuckLink(const char *name, ZephResult result, int32_t clearingStep)
{
    Lock lock(mutex_);
    VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
    if (!device)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    if ((result != ZEPH_OK && !isIoError(result)) || clearingStep < ZEPH_RECOVERY_CANCEL_IO
        || clearingStep > ZEPH_RECOVERY_SOFT_RESET)
        return ZEPH_ERR_INVALID_PARAMETER;
    device->setStuckLink(result, clearingStep);
    return ZEPH_OK;
}

void VirtualCamera::setTimeScale(double scale)
{
    clock_.setScale(scale);
    notifier_.reschedule();
}

void VirtualCamera::setNotificationCallback(ZvcNotifyFn fn, void *context)
{
    notifier_.setCallback(fn, context);
}

} // namespace zvc

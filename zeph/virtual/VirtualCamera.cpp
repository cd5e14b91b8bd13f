#include "VirtualCamera.h"

#include "CaptureEngine.h"
#include "DeviceConfigCodec.h"
#include "DeviceModels.h"
#include "DeviceNames.h"
#include "EyeImageSource.h"
#include "PowerComponent.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <iterator>

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
    clock_.setTimeMovedListener([this] { notifier_.reschedule(); });
    installImagingSources();
    Lock lock(mutex_);
    installDefaultDevices();
}

// ---- Model helpers (lock held) ---------------------------------------------

VirtualDevice &VirtualCamera::createDevice(const std::string &name, int32_t link, int32_t model)
{
    devices_.push_back(std::make_unique<VirtualDevice>(nextDeviceId_++, name, link, model));
    VirtualDevice &device = *devices_.back();
    installComponents(device, clock_, mutex_);
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

VirtualDevice *VirtualCamera::liveDevice(ZephHandle handle)
{
    const HandleTable::Entry *entry = handles_.find(handle);
    return entry && !entry->lost ? findById(entry->deviceId) : nullptr;
}

ZephResult VirtualCamera::gate(Fn fn, ZephHandle handle, VirtualDevice *&device,
                               AfterUnlock &after)
{
    device = nullptr;
    if (auto injected = faults_.take(fn))
        return *injected;
    HandleTable::Entry *entry = handles_.find(handle);
    if (!entry)
        return ZEPH_ERR_INVALID_HANDLE;
    device = entry->lost ? nullptr : findById(entry->deviceId);
    if (!device)
        return ZEPH_ERR_IO_FAILED;
    VirtualDevice::Fault fault;
    if (device->takeFault(fn, fault)) {
        if (fault.delayMs > 0) {
            ModelClock &clock = clock_;
            const int64_t ms = fault.delayMs;
            after.add([&clock, ms] { clock.pause(ms); });
        }
        return fault.result;
    }
    // Recovery works below the link, so a stuck link does not stop it.
    if (fn != Fn::Recovery) {
        if (device->stuckResult() != ZEPH_OK)
            return device->stuckResult();
        const ZephResult admitted = device->admit(CallContext{*device, fn, handle, entry->session, after});
        if (admitted != ZEPH_OK)
            return admitted;
    }
    return ZEPH_OK;
}

ZephResult VirtualCamera::onDevice(Fn fn, ZephHandle handle, const DeviceCall &body,
                                   const DeviceHook &always)
{
    calls_.count(fn);
    AfterUnlock after;
    ZephResult result;
    {
        Lock lock(mutex_);
        VirtualDevice *device = nullptr;
        result = gate(fn, handle, device, after);
        if (result == ZEPH_OK && device)
            result = body(*device, after);
        if (always) {
            if (VirtualDevice *live = liveDevice(handle))
                always(*live, after);
        }
    }
    after.run();
    return result;
}

ZephResult VirtualCamera::onDeviceId(uint64_t id, const DeviceCall &body)
{
    AfterUnlock after;
    ZephResult result = ZEPH_ERR_IO_FAILED;
    {
        Lock lock(mutex_);
        if (VirtualDevice *device = findById(id))
            result = body(*device, after);
    }
    after.run();
    return result;
}

std::string VirtualCamera::deviceNameOf(ZephHandle handle)
{
    Lock lock(mutex_);
    const HandleTable::Entry *entry = handles_.find(handle);
    const VirtualDevice *device = entry ? findById(entry->deviceId) : nullptr;
    return device ? device->name() : std::string();
}

void VirtualCamera::record(Fn fn, ZephHandle handle, std::string device,
                           std::vector<int64_t> args, const char *text, ZephResult result)
{
    Journal::Entry e;
    e.fn = fn;
    e.handle = handle;
    e.device = std::move(device);
    e.args = std::move(args);
    if (text) {
        e.hasText = true;
        // Bounded: a caller's name may be as long as it likes (or unterminated
        // up to its field); the journal keeps at most a field's worth.
        e.text.assign(text, strnlen(text, ZEPH_DEVICE_NAME_SIZE - 1));
    }
    e.result = result;
    e.modelMs = clock_.nowMs();
    journal_.record(std::move(e));
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
    scanFields_.clear();
    const bool unterminated = takeLie(Fn::ScanDevices) == ZVC_LIE_TEXT_UNTERMINATED;
    for (const auto &n : scanNames_) {
        if (unterminated) {
            // The whole name field, with the name repeated into it and no NUL.
            std::vector<char> field(ZEPH_DEVICE_NAME_SIZE);
            for (std::size_t i = 0; i < field.size(); ++i)
                field[i] = n[i % n.size()];
            scanFields_.push_back(std::move(field));
            scanList_.push_back(scanFields_.back().data());
        } else {
            scanList_.push_back(n.c_str());
        }
    }
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
    // A camera set to another baud rate answers only noise: the probe hears nothing.
    const bool answers = device && !device->onUsb() && device->present(clock_)
                         && (device->model() == ZVC_MODEL_BUSY_PORT
                             || device->config().uartBaudrate == sdk_.config().uartBaudrate);
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
    ZephResult result = ZEPH_OK;
    {
        Lock lock(mutex_);
        // A fault changes the answer only: the handle is released whatever
        // happens, so a failed close can never leave the device "already open".
        if (auto injected = faults_.take(Fn::CloseDevice))
            result = *injected;
        const HandleTable::Entry *entry = handles_.find(handle);
        if (!entry)
            return result != ZEPH_OK ? result : ZEPH_ERR_INVALID_HANDLE;
        // Closing is host-side: it works on a lost handle and on a stuck link.
        VirtualDevice *device = entry->lost ? nullptr : findById(entry->deviceId);
        if (device && result == ZEPH_OK) {
            VirtualDevice::Fault fault;
            if (device->takeFault(Fn::CloseDevice, fault)) {
                result = fault.result;
                if (fault.delayMs > 0) {
                    ModelClock &clock = clock_;
                    const int64_t ms = fault.delayMs;
                    after.add([&clock, ms] { clock.pause(ms); });
                }
            }
        }
        if (device && result == ZEPH_OK && device->onCaptureThread())
            result = ZEPH_ERR_CAPTURE_START_STOP; // released, but not joined from inside
        handles_.close(handle);
        if (device)
            device->handleClosed(after);
    }
    after.run();
    return result;
}

ZephResult VirtualCamera::deviceInfo(ZephHandle handle, ZephDeviceInfo *info)
{
    return onDevice(Fn::GetDeviceInfo, handle,
                    [this, info](VirtualDevice &device, AfterUnlock &) -> ZephResult {
                        if (!info)
                            return ZEPH_ERR_INVALID_PARAMETER;
                        *info = device.info();
                        if (takeLie(Fn::GetDeviceInfo) == ZVC_LIE_TEXT_UNTERMINATED) {
                            std::memset(info->productName, 'N', sizeof info->productName);
                            std::memset(info->serialNumber, 'S', sizeof info->serialNumber);
                        }
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

ZephResult VirtualCamera::sleepDevice(ZephHandle handle, int32_t mode)
{
    std::string gone;
    const ZephResult result = onDevice(
        Fn::SleepDevice, handle, [&](VirtualDevice &device, AfterUnlock &after) -> ZephResult {
            if (mode != ZEPH_SLEEP_STANDBY && mode != ZEPH_SLEEP_SLEEP && mode != ZEPH_SLEEP_DEEP)
                return ZEPH_ERR_INVALID_PARAMETER;
            device.component<CaptureEngine>()->endCapture(0, after);
            device.component<PowerComponent>()->sleep(mode);
            if (mode == ZEPH_SLEEP_DEEP && device.onUsb() && device.config().deepSleepInterrupt == 0) {
                // A USB camera in deep sleep leaves the bus: the handle is lost.
                // With its interrupt armed it stays, to be woken by a call.
                device.setPlugged(false);
                if (!handles_.loseDevice(device.id()).empty())
                    device.handleClosed(after);
                notifier_.cancelFuture(device.name());
                gone = device.name();
            }
            return ZEPH_OK;
        });
    if (!gone.empty())
        notifier_.deliver(ZVC_EVENT_REMOVAL_COMPLETE, gone);
    return result;
}

ZephResult VirtualCamera::wakeDevice(const char *name)
{
    std::string back;
    {
        Lock lock(mutex_);
        VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
        if (!device)
            return ZEPH_ERR_DEVICE_NOT_FOUND;
        PowerComponent *power = device->component<PowerComponent>();
        if (power->state() == 0 && device->plugged())
            return ZEPH_OK;
        const bool offBus = !device->plugged();
        power->wake();
        if (offBus && power) {
            device->setPlugged(true);
            back = device->name();
        }
    }
    if (!back.empty())
        notifier_.deliver(ZVC_EVENT_ARRIVAL, back);
    return ZEPH_OK;
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
        // Off the bus and back, as the host sees a replug. In manual time
        // the device is back at once and both events are due together, so
        // that a recovery walks on without anyone stepping time.
        const auto gone = clock_.after(0);
        const int64_t absentMs =
            step == ZEPH_RECOVERY_CYCLE_PORT ? kCyclePortAbsentMs : kSoftResetAbsentMs;
        const ModelClock::Deadline back = clock_.after(clock_.manual() ? 0 : absentMs);
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
        for (auto &lie : lies_)
            lie.store(ZVC_LIE_NONE);
        calls_.clear();
        journal_.clear();
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
        device->powerChanged(false, after);
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
    AfterUnlock after;
    {
        Lock lock(mutex_);
        VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
        if (!device)
            return ZEPH_ERR_DEVICE_NOT_FOUND;
        if (device->plugged())
            return ZEPH_OK;
        device->setPlugged(true);
        device->powerChanged(true, after);
        plugged = device->name();
    }
    after.run();
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
}

int32_t VirtualCamera::pendingFailures(const char *function)
{
    Lock lock(mutex_);
    return faults_.pending(function);
}

ZephResult VirtualCamera::stuckLink(const char *name, ZephResult *result, int32_t *clearingStep)
{
    Lock lock(mutex_);
    VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
    if (!device)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    if (result)
        *result = device->stuckResult();
    if (clearingStep)
        *clearingStep = device->stuckClearingStep();
    return ZEPH_OK;
}

void VirtualCamera::advanceTime(int64_t ms)
{
    clock_.advance(ms);
}

ZephResult VirtualCamera::failDevice(const char *name, const char *function, int32_t count,
                                     ZephResult result, int32_t delayMs)
{
    Lock lock(mutex_);
    VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
    if (!device)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    std::size_t index = kFunctionCount;
    if (!function || std::strcmp(function, "*") != 0) {
        Fn fn;
        if (!functionFromName(function, fn) || !takesHandle(fn))
            return ZEPH_ERR_INVALID_PARAMETER;
        index = indexOf(fn);
    }
    VirtualDevice::Fault fault;
    if (count > 0) {
        fault.count = count;
        fault.result = result;
        fault.delayMs = delayMs > 0 ? delayMs : 0;
    }
    device->setFault(static_cast<int>(index), fault);
    return ZEPH_OK;
}

ZephResult VirtualCamera::lieNext(const char *function, int32_t lie)
{
    Fn fn;
    if (!functionFromName(function, fn) || lie < ZVC_LIE_NONE || lie > ZVC_LIE_NULL_ARRAY)
        return ZEPH_ERR_INVALID_PARAMETER;
    lies_[indexOf(fn)].store(lie);
    return ZEPH_OK;
}

ZephResult VirtualCamera::onNamedDevice(const char *name,
                                        const std::function<ZephResult(VirtualDevice &)> &body)
{
    Lock lock(mutex_);
    VirtualDevice *device = DeviceNames::isAcceptable(name) ? findByName(name) : nullptr;
    if (!device)
        return ZEPH_ERR_DEVICE_NOT_FOUND;
    return body(*device);
}

void VirtualCamera::setNotificationCallback(ZvcNotifyFn fn, void *context)
{
    notifier_.setCallback(fn, context);
}

} // namespace zvc

// virtual_camera.h: the bench.
#include "CaptureEngine.h"
#include "GalleryComponent.h"
#include "PowerComponent.h"
#include "SecurityComponent.h"
#include "VirtualCamera.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using zvc::CaptureEngine;
using zvc::VirtualCamera;
using zvc::VirtualDevice;

namespace {

void copyBounded(char *field, std::size_t size, const std::string &text)
{
    const std::size_t n = std::min(size - 1, text.size());
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

} // namespace

extern "C" {

void Zvc_Reset(void)
{
    VirtualCamera::instance().reset();
    CaptureEngine::setFrameInterval(0);
    CaptureEngine::setStreamFormat(0);
}

void Zvc_SetStateDirectory(const char *path) { VirtualCamera::instance().setStateDirectory(path); }

const char *Zvc_StateDirectory(void) { return VirtualCamera::instance().stateDirectory(); }

ZephResult Zvc_AddDevice(const char *name, int32_t link, int32_t model)
{
    return VirtualCamera::instance().addDevice(name, link, model);
}

ZephResult Zvc_RemoveAllDevices(void) { return VirtualCamera::instance().removeAllDevices(); }

ZephResult Zvc_UnplugDevice(const char *name)
{
    return VirtualCamera::instance().unplugDevice(name);
}

ZephResult Zvc_PlugDevice(const char *name) { return VirtualCamera::instance().plugDevice(name); }

ZephResult Zvc_SetDeviceInfo(const char *name, const ZephDeviceInfo *info)
{
    return VirtualCamera::instance().setDeviceInfo(name, info);
}

void Zvc_FailNext(const char *function, int32_t count, ZephResult result)
{
    VirtualCamera::instance().failNext(function, count, result);
}

ZephResult Zvc_SetStuckLink(const char *name, ZephResult result, int32_t clearingStep)
{
    return VirtualCamera::instance().setStuckLink(name, result, clearingStep);
}

void Zvc_SetTimeScale(double scale) { VirtualCamera::instance().setTimeScale(scale); }

void Zvc_SetFrameInterval(int32_t ms) { CaptureEngine::setFrameInterval(ms); }

ZephResult Zvc_SetStreamFormat(int32_t format) { return CaptureEngine::setStreamFormat(format); }

double Zvc_TimeScale(void) { return VirtualCamera::instance().clock().scale(); }

int64_t Zvc_ModelledMilliseconds(void)
{
    return VirtualCamera::instance().clock().modelledMilliseconds();
}

int32_t Zvc_PendingFailures(const char *function)
{
    return VirtualCamera::instance().pendingFailures(function);
}

ZephResult Zvc_GetStuckLink(const char *name, ZephResult *result, int32_t *clearingStep)
{
    return VirtualCamera::instance().stuckLink(name, result, clearingStep);
}

void Zvc_AdvanceTime(int64_t ms) { VirtualCamera::instance().advanceTime(ms); }

int64_t Zvc_ModelTime(void) { return VirtualCamera::instance().clock().nowMs(); }

ZephResult Zvc_WakeDevice(const char *device) { return VirtualCamera::instance().wakeDevice(device); }

ZephResult Zvc_SleepState(const char *device, int32_t *mode)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        if (!mode)
            return ZEPH_ERR_INVALID_PARAMETER;
        *mode = d.component<zvc::PowerComponent>()->judge(d);
        return ZEPH_OK;
    });
}

ZephResult Zvc_PresentSubject(const char *device, uint32_t subject)
{
    return VirtualCamera::instance().onNamedDevice(device, [subject](VirtualDevice &d) {
        d.component<CaptureEngine>()->setSubject(subject);
        return ZEPH_OK;
    });
}

ZephResult Zvc_PresentEye(const char *device, int32_t eye, int32_t presentation)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        return d.component<CaptureEngine>()->setPresentation(eye, presentation)
                   ? ZEPH_OK
                   : ZEPH_ERR_INVALID_PARAMETER;
    });
}

ZephResult Zvc_GetLed(const char *device, int32_t led, ZvcLedState *state)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        return d.component<CaptureEngine>()->ledState(led, state) ? ZEPH_OK
                                                                  : ZEPH_ERR_INVALID_PARAMETER;
    });
}

ZephResult Zvc_CaptureStatus(const char *device, int32_t *status)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        if (!status)
            return ZEPH_ERR_INVALID_PARAMETER;
        *status = d.component<CaptureEngine>()->status();
        return ZEPH_OK;
    });
}

ZephResult Zvc_LockState(const char *device, int32_t *locked)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        const auto *security = d.component<zvc::SecurityComponent>();
        if (!locked || !security)
            return ZEPH_ERR_INVALID_PARAMETER;
        *locked = security->locked() ? 1 : 0;
        return ZEPH_OK;
    });
}

ZephResult Zvc_FailDevice(const char *device, const char *function, int32_t count,
                          ZephResult result, int32_t delayMs)
{
    return VirtualCamera::instance().failDevice(device, function, count, result, delayMs);
}

ZephResult Zvc_LieNext(const char *function, int32_t lie)
{
    return VirtualCamera::instance().lieNext(function, lie);
}

int32_t Zvc_JournalSize(void)
{
    return static_cast<int32_t>(VirtualCamera::instance().journal().size());
}

ZephResult Zvc_JournalEntry(int32_t index, ZvcCall *call)
{
    zvc::Journal::Entry e;
    if (!call || index < 0
        || !VirtualCamera::instance().journal().entry(static_cast<std::size_t>(index), e))
        return ZEPH_ERR_INVALID_PARAMETER;
    std::memset(call, 0, sizeof *call);
    copyBounded(call->function, sizeof call->function, zvc::functionName(e.fn));
    copyBounded(call->device, sizeof call->device, e.device);
    call->handle = e.handle;
    const std::size_t n = std::min<std::size_t>(e.args.size(), 8);
    call->argCount = static_cast<int32_t>(n);
    std::copy_n(e.args.begin(), n, call->args);
    copyBounded(call->text, sizeof call->text, e.text);
    call->hasText = e.hasText ? 1 : 0;
    call->result = e.result;
    call->modelMs = e.modelMs;
    return ZEPH_OK;
}

int32_t Zvc_JournalLine(int32_t index, char *buffer, int32_t size)
{
    zvc::Journal::Entry e;
    if (index < 0 || !VirtualCamera::instance().journal().entry(static_cast<std::size_t>(index), e))
        return -1;
    const std::string line = zvc::Journal::line(e);
    if (buffer && size > 0)
        copyBounded(buffer, static_cast<std::size_t>(size), line);
    return static_cast<int32_t>(line.size());
}

void Zvc_ClearJournal(void) { VirtualCamera::instance().clearJournal(); }

void Zvc_SetNotificationCallback(ZvcNotifyFn fn, void *context)
{
    VirtualCamera::instance().setNotificationCallback(fn, context);
}

void Zvc_FlushNotifications(void) { VirtualCamera::instance().flushNotifications(); }

int32_t Zvc_CallCount(const char *function)
{
    return VirtualCamera::instance().callCount(function);
}

void Zvc_ResetCallCounts(void) { VirtualCamera::instance().resetCallCounts(); }

ZephResult Zvc_SetGalleryLimits(const char *device, uint32_t ids, uint32_t perId,
                                uint64_t templates)
{
    return VirtualCamera::instance().onNamedDevice(device, [=](VirtualDevice &d) {
        auto *component = d.component<zvc::GalleryComponent>();
        if (!component)
            return ZEPH_ERR_UNSUPPORTED;
        zvc::GalleryLimits limits = component->gallery().limits();
        if (ids)
            limits.maxEnrollees = ids;
        if (perId)
            limits.maxTemplatesPerId = perId;
        if (templates)
            limits.maxTemplates = templates;
        component->gallery().setLimits(limits);
        return ZEPH_OK;
    });
}

} // extern "C"

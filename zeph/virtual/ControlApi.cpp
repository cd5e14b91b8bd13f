// virtual_camera.h: the bench.
#include "VirtualCamera.h"

using zvc::VirtualCamera;

extern "C" {

void Zvc_Reset(void) { VirtualCamera::instance().reset(); }

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

double Zvc_TimeScale(void) { return VirtualCamera::instance().clock().scale(); }

int64_t Zvc_ModelledMilliseconds(void)
{
    return VirtualCamera::instance().clock().modelledMilliseconds();
}

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

} // extern "C"

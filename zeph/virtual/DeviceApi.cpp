// zeph.h, device family (power management lives in PowerApi.cpp).
#include "VirtualCamera.h"

using zvc::VirtualCamera;

extern "C" {

ZephResult Zeph_ScanDevices(const char *const **names, int32_t *count)
{
    return VirtualCamera::instance().scanDevices(names, count);
}

ZephResult Zeph_OpenDevice(const char *name, ZephHandle *handle)
{
    return VirtualCamera::instance().openDevice(name, handle);
}

ZephResult Zeph_CloseDevice(ZephHandle handle)
{
    return VirtualCamera::instance().closeDevice(handle);
}

ZephResult Zeph_GetDeviceInfo(ZephHandle handle, ZephDeviceInfo *info)
{
    return VirtualCamera::instance().deviceInfo(handle, info);
}

ZephResult Zeph_GetDeviceConfig(ZephHandle handle, ZephDeviceConfig *config)
{
    return VirtualCamera::instance().deviceConfig(handle, config);
}

ZephResult Zeph_SetDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config)
{
    return VirtualCamera::instance().setDeviceConfig(handle, config);
}

ZephResult Zeph_Recovery(ZephHandle handle, int32_t step)
{
    return VirtualCamera::instance().recovery(handle, step);
}

} // extern "C"

// zeph.h, device family (power management lives in PowerApi.cpp).
#include "Journaled.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_ScanDevices(const char *const **names, int32_t *count)
{
    return journaled(Fn::ScanDevices, 0, {}, nullptr,
                     [&] { return VirtualCamera::instance().scanDevices(names, count); });
}

ZephResult Zeph_OpenDevice(const char *name, ZephHandle *handle)
{
    return journaled(Fn::OpenDevice, 0, {}, name ? name : "",
                     [&] { return VirtualCamera::instance().openDevice(name, handle); });
}

ZephResult Zeph_CloseDevice(ZephHandle handle)
{
    return journaled(Fn::CloseDevice, handle, {}, nullptr,
                     [&] { return VirtualCamera::instance().closeDevice(handle); });
}

ZephResult Zeph_GetDeviceInfo(ZephHandle handle, ZephDeviceInfo *info)
{
    return journaled(Fn::GetDeviceInfo, handle, {}, nullptr,
                     [&] { return VirtualCamera::instance().deviceInfo(handle, info); });
}

ZephResult Zeph_GetDeviceConfig(ZephHandle handle, ZephDeviceConfig *config)
{
    return journaled(Fn::GetDeviceConfig, handle, {}, nullptr,
                     [&] { return VirtualCamera::instance().deviceConfig(handle, config); });
}

ZephResult Zeph_SetDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config)
{
    std::vector<int64_t> args;
    if (config)
        args = {config->enableStream, config->streamScale, config->streamFormat,
                config->uartBaudrate, config->sleepMode, config->sleepTimeout};
    return journaled(Fn::SetDeviceConfig, handle, args, nullptr,
                     [&] { return VirtualCamera::instance().setDeviceConfig(handle, config); });
}

ZephResult Zeph_Recovery(ZephHandle handle, int32_t step)
{
    return journaled(Fn::Recovery, handle, {step}, nullptr,
                     [&] { return VirtualCamera::instance().recovery(handle, step); });
}

} // extern "C"

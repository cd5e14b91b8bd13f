// zeph.h, library family.
#include "Journaled.h"

using namespace zvc;

extern "C" {

int32_t Zeph_GetSdkVersion(void)
{
    VirtualCamera &camera = VirtualCamera::instance();
    const int32_t version = camera.sdkVersion();
    camera.record(Fn::GetSdkVersion, 0, {}, {}, nullptr, version);
    return version;
}

ZephResult Zeph_GetSdkDescription(char *buffer, int32_t *length)
{
    return journaled(Fn::GetSdkDescription, 0, {length ? *length : -1}, nullptr, [&] {
        return VirtualCamera::instance().sdkDescription(buffer, length);
    });
}

ZephResult Zeph_GetSdkConfig(ZephSdkConfig *config)
{
    return journaled(Fn::GetSdkConfig, 0, {}, nullptr,
                     [&] { return VirtualCamera::instance().sdkConfig(config); });
}

ZephResult Zeph_SetSdkConfig(const ZephSdkConfig *config)
{
    std::vector<int64_t> args;
    if (config)
        args = {config->commStd, config->enableLog, config->uartBaudrate, config->uartFlowControl,
                config->flowControlOn};
    return journaled(Fn::SetSdkConfig, 0, args, nullptr,
                     [&] { return VirtualCamera::instance().setSdkConfig(config); });
}

} // extern "C"

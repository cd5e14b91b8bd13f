// zeph.h, library family.
#include "VirtualCamera.h"

using zvc::VirtualCamera;

extern "C" {

int32_t Zeph_GetSdkVersion(void) { return VirtualCamera::instance().sdkVersion(); }

ZephResult Zeph_GetSdkDescription(char *buffer, int32_t *length)
{
    return VirtualCamera::instance().sdkDescription(buffer, length);
}

ZephResult Zeph_GetSdkConfig(ZephSdkConfig *config)
{
    return VirtualCamera::instance().sdkConfig(config);
}

ZephResult Zeph_SetSdkConfig(const ZephSdkConfig *config)
{
    return VirtualCamera::instance().setSdkConfig(config);
}

} // extern "C"

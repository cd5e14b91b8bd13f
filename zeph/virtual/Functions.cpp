#include "Functions.h"

#include <cstring>

namespace zvc {
namespace {

const char *const kNames[kFunctionCount] = {
    "Zeph_GetSdkVersion", "Zeph_GetSdkDescription", "Zeph_GetSdkConfig", "Zeph_SetSdkConfig",
    "Zeph_ScanDevices", "Zeph_OpenDevice", "Zeph_CloseDevice", "Zeph_GetDeviceInfo",
    "Zeph_GetDeviceConfig", "Zeph_SetDeviceConfig", "Zeph_SleepDevice", "Zeph_Recovery",
    "Zeph_InitCamera", "Zeph_DeinitCamera", "Zeph_StartCapture", "Zeph_StopCapture",
    "Zeph_OperateCapture", "Zeph_GetCaptureStatus", "Zeph_GetResultQuality",
    "Zeph_GetResultImage", "Zeph_GetResultIsoImage", "Zeph_ClearCapture", "Zeph_ControlLed",
    "Zeph_ControlBlinkingLed",
    "Zeph_GetGalleryInfo", "Zeph_LoadGallery", "Zeph_GetEnrolleeInfo", "Zeph_EnrollCapture",
    "Zeph_UnenrollTemplate", "Zeph_CommitGallery", "Zeph_Compare11", "Zeph_Compare1N",
    "Zeph_Login", "Zeph_Logout", "Zeph_GetAdminGalleryInfo", "Zeph_EnrollAsAdmin",
    "Zeph_UnenrollAdmin", "Zeph_SetUserRole", "Zeph_LockDevice", "Zeph_UnlockDevice",
};

} // namespace

const char *functionName(Fn fn)
{
    const std::size_t i = indexOf(fn);
    return i < kFunctionCount ? kNames[i] : "";
}

bool functionFromName(const char *name, Fn &fn)
{
    if (!name)
        return false;
    for (std::size_t i = 0; i < kFunctionCount; ++i) {
        if (std::strcmp(kNames[i], name) == 0) {
            fn = static_cast<Fn>(i);
            return true;
        }
    }
    return false;
}

bool takesHandle(Fn fn)
{
    return indexOf(fn) >= indexOf(Fn::CloseDevice) && fn != Fn::Count;
}

} // namespace zvc

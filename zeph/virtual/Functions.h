// The zeph.h entry points by number, so that fault injection and call
// counting can index tables instead of comparing strings on every call.
#ifndef ZEPH_VIRTUAL_FUNCTIONS_H
#define ZEPH_VIRTUAL_FUNCTIONS_H

#include <cstddef>

namespace zvc {

enum class Fn {
    GetSdkVersion, GetSdkDescription, GetSdkConfig, SetSdkConfig,
    ScanDevices, OpenDevice, CloseDevice, GetDeviceInfo, GetDeviceConfig, SetDeviceConfig,
    SleepDevice, Recovery,
    InitCamera, DeinitCamera, StartCapture, StopCapture, OperateCapture, GetCaptureStatus,
    GetResultQuality, GetResultImage, GetResultIsoImage, ClearCapture, ControlLed,
    ControlBlinkingLed,
    GetGalleryInfo, LoadGallery, GetEnrolleeInfo, EnrollCapture, UnenrollTemplate,
    CommitGallery, Compare11, Compare1N,
    Login, Logout, GetAdminGalleryInfo, EnrollAsAdmin, UnenrollAdmin, SetUserRole,
    LockDevice, UnlockDevice,
    Count
};

constexpr std::size_t kFunctionCount = static_cast<std::size_t>(Fn::Count);

inline std::size_t indexOf(Fn fn) { return static_cast<std::size_t>(fn); }

// "Zeph_GetDeviceInfo" for Fn::GetDeviceInfo.
const char *functionName(Fn fn);
// Looks a full name up; false when it is not a zeph.h function.
bool functionFromName(const char *name, Fn &fn);
// True for every function whose first argument is a device handle.
bool takesHandle(Fn fn);

} // namespace zvc

#endif

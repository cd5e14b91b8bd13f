// Placeholder: every call answers "Command unsupported" until the virtual
// camera's families are written.
#include "zeph/virtual_camera.h"
#include <cstring>

extern "C" {
int32_t Zeph_GetSdkVersion(void) { return 0x03030000; }
ZephResult Zeph_GetSdkDescription(char *buffer, int32_t *length)
{
    static const char text[] = "Zeph virtual camera";
    if (!buffer || !length || *length <= 0) return ZEPH_ERR_INVALID_PARAMETER;
    std::size_t n = std::strlen(text);
    if (n > static_cast<std::size_t>(*length)) n = static_cast<std::size_t>(*length);
    std::memcpy(buffer, text, n); buffer[n] = 0; *length = static_cast<int32_t>(n);
    return ZEPH_OK;
}
#define U(...) { return ZEPH_ERR_UNSUPPORTED; }
ZephResult Zeph_GetSdkConfig(ZephSdkConfig *) U()
ZephResult Zeph_SetSdkConfig(const ZephSdkConfig *) U()
ZephResult Zeph_ScanDevices(const char *const **, int32_t *) U()
ZephResult Zeph_OpenDevice(const char *, ZephHandle *) U()
ZephResult Zeph_CloseDevice(ZephHandle) U()
ZephResult Zeph_GetDeviceInfo(ZephHandle, ZephDeviceInfo *) U()
ZephResult Zeph_GetDeviceConfig(ZephHandle, ZephDeviceConfig *) U()
ZephResult Zeph_SetDeviceConfig(ZephHandle, const ZephDeviceConfig *) U()
ZephResult Zeph_SleepDevice(ZephHandle, int32_t, int32_t) U()
ZephResult Zeph_Recovery(ZephHandle, int32_t) U()
ZephResult Zeph_InitCamera(ZephHandle, int32_t *, int32_t *) U()
ZephResult Zeph_DeinitCamera(ZephHandle) U()
ZephResult Zeph_StartCapture(ZephHandle, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, ZephFrameCallback, void *) U()
ZephResult Zeph_StopCapture(ZephHandle) U()
ZephResult Zeph_OperateCapture(ZephHandle) U()
ZephResult Zeph_GetCaptureStatus(ZephHandle, int32_t *) U()
ZephResult Zeph_GetResultQuality(ZephHandle, const ZephQuality **, int32_t *) U()
ZephResult Zeph_GetResultImage(ZephHandle, int32_t, int32_t, int32_t, const ZephImage **, int32_t *) U()
ZephResult Zeph_GetResultIsoImage(ZephHandle, int32_t, int32_t, int32_t, int32_t, int32_t, ZephIsoRecord *) U()
ZephResult Zeph_ClearCapture(ZephHandle, int32_t) U()
ZephResult Zeph_ControlLed(ZephHandle, int32_t, int32_t, int32_t) U()
ZephResult Zeph_ControlBlinkingLed(ZephHandle, int32_t, int32_t, int32_t, int32_t) U()
ZephResult Zeph_GetGalleryInfo(ZephHandle, const char *const **, int32_t *, int32_t *, int32_t *) U()
ZephResult Zeph_LoadGallery(ZephHandle, const char *const **, int32_t *, int32_t *, int32_t *) U()
ZephResult Zeph_GetEnrolleeInfo(ZephHandle, const char *, ZephEnrolleeInfo *) U()
ZephResult Zeph_EnrollCapture(ZephHandle, const char *) U()
ZephResult Zeph_UnenrollTemplate(ZephHandle, const char *) U()
ZephResult Zeph_CommitGallery(ZephHandle) U()
ZephResult Zeph_Compare11(ZephHandle, const char *, float *) U()
ZephResult Zeph_Compare1N(ZephHandle, float, const ZephMatchCandidate **, int32_t *) U()
ZephResult Zeph_Login(ZephHandle, const char *, int32_t) U()
ZephResult Zeph_Logout(ZephHandle) U()
ZephResult Zeph_GetAdminGalleryInfo(ZephHandle, const char *const **, int32_t *, int32_t *, int32_t *) U()
ZephResult Zeph_EnrollAsAdmin(ZephHandle, const char *) U()
ZephResult Zeph_UnenrollAdmin(ZephHandle, const char *) U()
ZephResult Zeph_SetUserRole(ZephHandle, const char *, int32_t) U()
ZephResult Zeph_LockDevice(ZephHandle) U()
ZephResult Zeph_UnlockDevice(ZephHandle) U()

void Zvc_Reset(void) {}
void Zvc_SetStateDirectory(const char *) {}
const char *Zvc_StateDirectory(void) { return ""; }
ZephResult Zvc_AddDevice(const char *, int32_t, int32_t) U()
ZephResult Zvc_RemoveAllDevices(void) U()
ZephResult Zvc_UnplugDevice(const char *) U()
ZephResult Zvc_PlugDevice(const char *) U()
ZephResult Zvc_SetDeviceInfo(const char *, const ZephDeviceInfo *) U()
void Zvc_FailNext(const char *, int32_t, ZephResult) {}
ZephResult Zvc_SetStuckLink(const char *, ZephResult, int32_t) U()
void Zvc_SetTimeScale(double) {}
void Zvc_SetNotificationCallback(ZvcNotifyFn, void *) {}
int32_t Zvc_CallCount(const char *) { return 0; }
void Zvc_ResetCallCounts(void) {}
}

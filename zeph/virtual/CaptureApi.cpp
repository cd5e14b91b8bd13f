// zeph.h, capture family. No capture engine yet: a camera that never
// captures is idle, and says so, which is what the program asks to tell
// whether an open device still answers.
#include "Unsupported.h"

using namespace zvc;

extern "C" {

ZephResult Zeph_GetCaptureStatus(ZephHandle handle, int32_t *status)
{
    return VirtualCamera::instance().onDevice(
        Fn::GetCaptureStatus, handle, [status](VirtualDevice &, AfterUnlock &) -> ZephResult {
            if (!status)
                return ZEPH_ERR_INVALID_PARAMETER;
            *status = ZEPH_STATUS_IDLE;
            return ZEPH_OK;
        });
}

ZephResult Zeph_InitCamera(ZephHandle handle, int32_t *, int32_t *)
{
    return unsupported(Fn::InitCamera, handle);
}

ZephResult Zeph_DeinitCamera(ZephHandle handle) { return unsupported(Fn::DeinitCamera, handle); }

ZephResult Zeph_StartCapture(ZephHandle handle, int32_t, int32_t, int32_t, int32_t, int32_t,
                             int32_t, ZephFrameCallback, void *)
{
    return unsupported(Fn::StartCapture, handle);
}

ZephResult Zeph_StopCapture(ZephHandle handle) { return unsupported(Fn::StopCapture, handle); }

ZephResult Zeph_OperateCapture(ZephHandle handle)
{
    return unsupported(Fn::OperateCapture, handle);
}

ZephResult Zeph_GetResultQuality(ZephHandle handle, const ZephQuality **, int32_t *)
{
    return unsupported(Fn::GetResultQuality, handle);
}

ZephResult Zeph_GetResultImage(ZephHandle handle, int32_t, int32_t, int32_t, const ZephImage **,
                               int32_t *)
{
    return unsupported(Fn::GetResultImage, handle);
}

ZephResult Zeph_GetResultIsoImage(ZephHandle handle, int32_t, int32_t, int32_t, int32_t, int32_t,
                                  ZephIsoRecord *)
{
    return unsupported(Fn::GetResultIsoImage, handle);
}

ZephResult Zeph_ClearCapture(ZephHandle handle, int32_t)
{
    return unsupported(Fn::ClearCapture, handle);
}

ZephResult Zeph_ControlLed(ZephHandle handle, int32_t, int32_t, int32_t)
{
    return unsupported(Fn::ControlLed, handle);
}

ZephResult Zeph_ControlBlinkingLed(ZephHandle handle, int32_t, int32_t, int32_t, int32_t)
{
    return unsupported(Fn::ControlBlinkingLed, handle);
}

} // extern "C"

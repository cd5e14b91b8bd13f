/*
 * virtual_camera.h - control interface of the virtual Zeph camera.
 *
 * The virtual camera implements zeph.h without hardware. This header is its
 * "bench": tests, the demo panel and the platform's device-notification
 * layer use it to plug and unplug devices, inject faults and speed time up.
 * The program's own logic never calls it.
 *
 * State (gallery, device configuration records, roles) is kept in a folder:
 * $ZEPH_VIRTUAL_STATE_DIR when set, otherwise the user's application-data
 * folder (XDG data home)/zeph-virtual-camera. Files are replaced atomically.
 * $ZEPH_VIRTUAL_TIME_SCALE, when set, is the starting time scale (see below).
 */
#ifndef ZEPH_VIRTUAL_CAMERA_H
#define ZEPH_VIRTUAL_CAMERA_H

#include "zeph.h"

#ifdef __cplusplus
extern "C" {
#endif

enum ZvcLink { ZVC_LINK_USB = 1, ZVC_LINK_UART = 2 };

enum ZvcModel {
    ZVC_MODEL_BINOCULAR = 1,   /* captures both eyes */
    ZVC_MODEL_MONOCULAR = 2,   /* captures one eye at a time */
    ZVC_MODEL_BUSY_PORT = 3    /* a serial port held by another program: open gives 6 */
};

/* Device-change events, numbered like the host system's. */
enum ZvcEvent { ZVC_EVENT_ARRIVAL = 0x8000, ZVC_EVENT_REMOVAL_COMPLETE = 0x8004 };

/* Called on whatever thread caused the change (the caller of Zvc_UnplugDevice,
 * or the library's own thread during a recovery step). */
typedef void (*ZvcNotifyFn)(void *context, int32_t event, const char *deviceName);

/* Names of the default devices. */
#define ZVC_DEFAULT_USB_BINOCULAR "ZEPH-USB-BINO-0001"
#define ZVC_DEFAULT_USB_MONOCULAR "ZEPH-USB-MONO-0002"
#define ZVC_DEFAULT_UART_PORT "COM3"
#define ZVC_DEFAULT_BUSY_PORT "COM5"

/* Back to a fresh library: every handle closed, capture threads stopped, the
 * default devices plugged (two USB cameras, a camera on COM3, a busy COM5),
 * faults, call counters and the SDK configuration cleared, state reloaded
 * from the state folder. Time scale and notification callback are kept. */
ZEPH_API void Zvc_Reset(void);

/* Moves the state folder (null: back to the default); takes effect at once. */
ZEPH_API void Zvc_SetStateDirectory(const char *path);
/* The folder in use; valid until the next call. */
ZEPH_API const char *Zvc_StateDirectory(void);

/* Device set. Names are at most 99 characters. Adding a device plugs it. */
ZEPH_API ZephResult Zvc_AddDevice(const char *name, int32_t link, int32_t model);
ZEPH_API ZephResult Zvc_RemoveAllDevices(void);
/* Unplug: the device leaves the bus, its open handles answer 8 from now on,
 * and a removal notification is sent. Plug: it comes back (arrival sent). */
ZEPH_API ZephResult Zvc_UnplugDevice(const char *name);
ZEPH_API ZephResult Zvc_PlugDevice(const char *name);

/* Overrides what Zeph_GetDeviceInfo answers for a device (raw bytes, so a
 * test can leave texts unterminated). Null restores the built-in record. */
ZEPH_API ZephResult Zvc_SetDeviceInfo(const char *name, const ZephDeviceInfo *info);

/* Faults. The next `count` calls of `function` ("Zeph_GetDeviceInfo"; "*"
 * matches every device-family call that takes a handle) return `result`
 * without doing anything. count 0 clears the fault for that function. */
ZEPH_API void Zvc_FailNext(const char *function, int32_t count, ZephResult result);
/* A stuck link: every call on the device answers `result` (8, 9 or 10) until
 * a Zeph_Recovery step of at least `clearingStep` (ZephRecoveryStep) runs. */
ZEPH_API ZephResult Zvc_SetStuckLink(const char *name, ZephResult result, int32_t clearingStep);

/* Time: 1.0 is real time, 0.0 makes every modelled delay instant. */
ZEPH_API void Zvc_SetTimeScale(double scale);

ZEPH_API void Zvc_SetNotificationCallback(ZvcNotifyFn fn, void *context);

/* How often a zeph.h function was called since the last reset. */
ZEPH_API int32_t Zvc_CallCount(const char *function);
ZEPH_API void Zvc_ResetCallCounts(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZEPH_VIRTUAL_CAMERA_H */

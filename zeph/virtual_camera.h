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
 * Zvc_PlugDevice, Zvc_AddDevice or Zvc_RemoveAllDevices, before that call
 * returns; or the library's own notification thread for the removal and
 * arrival of a recovery step). Events are delivered in the order they
 * happened. */
typedef void (*ZvcNotifyFn)(void *context, int32_t event, const char *deviceName);

/* How the devices behave on the two links (Zeph_SetSdkConfig's commStd):
 * - USB: Zeph_ScanDevices lists the plugged USB devices in the order they
 *   were added; Zeph_OpenDevice takes those names (exact case).
 * - UART: the scan finds nothing (serial ports cannot be enumerated);
 *   Zeph_OpenDevice("COMn", any case) probes the port: a serial camera
 *   opens, a busy port answers 6, any other port 2 after the probe timeout.
 *   A name that is no serial port answers 2 at once.
 * A device opens once at a time (second open: 5). Names over 99 characters,
 * empty or null names answer 15.
 *
 * Models (Zeph_GetDeviceInfo): the binocular camera, product 0x0B21, kernel
 * 2.14, features 3 (template generation and comparison), start sound set 1;
 * the monocular camera, product 0x0A12, kernel 1.9, features 1, sound set 0.
 * Serial numbers derive from the device name. Each device keeps its
 * configuration record in <state folder>/devices/<name>/config.bin; the
 * factory record streams raw frames on USB and JPEG on UART. A record the
 * firmware refuses answers 15: a stream scale not 1/2/4/8/16, a stream format
 * not 2/6, a compression quality outside 1..100, a sleep mode not 1/2/4, a
 * flag byte not 0/1, a threshold outside [0.8, 1.1], a baud rate that is not one
 * of 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600. Reserved
 * bytes are kept as sent. The SDK record is refused (15) for a commStd not
 * 1/2, a non-standard baud rate, or flag words not 0/1. */

/* Names of the default devices. */
#define ZVC_DEFAULT_USB_BINOCULAR "ZEPH-USB-BINO-0001"
#define ZVC_DEFAULT_USB_MONOCULAR "ZEPH-USB-MONO-0002"
#define ZVC_DEFAULT_UART_PORT "COM3"
#define ZVC_DEFAULT_BUSY_PORT "COM5"

/* Back to a fresh library: every handle closed, capture threads stopped, the
 * default devices plugged (two USB cameras, a camera on COM3, a busy COM5),
 * faults, info overrides, call counters, modelled time and the SDK
 * configuration cleared, notifications not yet sent dropped, state reloaded
 * from the state folder. Time scale, state folder and notification callback
 * are kept. Handles from before the reset stay stale (14): numbers are never
 * handed out twice in a run. */
ZEPH_API void Zvc_Reset(void);

/* Moves the state folder (null: back to the default); takes effect at once. */
ZEPH_API void Zvc_SetStateDirectory(const char *path);
/* The folder in use; valid until the next call. */
ZEPH_API const char *Zvc_StateDirectory(void);

/* Device set. Names are at most 99 characters; a UART device is named like
 * a serial port ("COM7"), a USB device not. Adding a device plugs it (arrival
 * sent); a duplicate name, an unknown link or model answers 15. Removing all
 * devices works like unplugging each. */
ZEPH_API ZephResult Zvc_AddDevice(const char *name, int32_t link, int32_t model);
ZEPH_API ZephResult Zvc_RemoveAllDevices(void);
/* Unplug: the device leaves the bus, its open handles answer 8 from now on
 * (Zeph_CloseDevice still releases them), and a removal notification is
 * sent. Plug: it comes back (arrival sent), with any stuck link cleared; old
 * handles stay dead, the device can be opened again. Both answer 2 for an
 * unknown name and 0 without a notification when nothing changes. */
ZEPH_API ZephResult Zvc_UnplugDevice(const char *name);
ZEPH_API ZephResult Zvc_PlugDevice(const char *name);

/* Overrides what Zeph_GetDeviceInfo answers for a device (raw bytes, so a
 * test can leave texts unterminated). Null restores the built-in record. */
ZEPH_API ZephResult Zvc_SetDeviceInfo(const char *name, const ZephDeviceInfo *info);

/* Faults. The next `count` calls of `function` ("Zeph_GetDeviceInfo"; "*"
 * matches every call that takes a handle, except Zeph_CloseDevice) return
 * `result` without doing anything, outputs untouched. A fault set for the
 * function itself is used before "*". count 0 clears the fault for that
 * function. Every call is still counted (Zvc_CallCount). */
ZEPH_API void Zvc_FailNext(const char *function, int32_t count, ZephResult result);
/* A stuck link: every call on the device answers `result` (8, 9 or 10) until
 * a Zeph_Recovery step of at least `clearingStep` (ZephRecoveryStep) runs.
 * Zeph_Recovery itself always succeeds on a USB device: a lighter step
 * answers 0 and leaves the fault, so the next call tells whether it helped.
 * Zeph_CloseDevice still releases the handle. The fault belongs to the device:
 * it outlives close and re-open, and ends with a heavy-enough step, a replug
 * or Zvc_Reset. result 0 clears it. Answers 2 for an unknown name and 15 for
 * another result or a step outside 0..4.
 *
 * Recovery steps: CANCEL_IO, RESET_PIPES and RESET_PORT keep the handle.
 * CYCLE_PORT and SOFT_RESET take the device off the bus: its open handle is
 * dropped (later calls with it answer 14), a removal notification is sent at
 * once and an arrival when the device is back, 800 ms (CYCLE_PORT) or
 * 1500 ms (SOFT_RESET) later, scaled; at time scale 0 it is back at once.
 * Both are sent from the library's own thread. SOFT_RESET also restarts the
 * firmware: what was not committed (gallery changes) is lost. On a UART
 * device every step answers 20 (unsupported). */
ZEPH_API ZephResult Zvc_SetStuckLink(const char *name, ZephResult result, int32_t clearingStep);

/* Time: 1.0 is real time, 0.0 makes every modelled delay instant. Negative
 * or non-finite values are ignored. A new scale applies at once to delays in
 * progress and to pending notifications (lowering it to 0 ends them).
 * Modelled delays: probing a COM port that answers 40 ms, one that stays
 * silent 100 ms; recovery steps 10, 50, 200, 300 and 500 ms (CANCEL_IO …
 * SOFT_RESET), taken after the step's effect. */
ZEPH_API void Zvc_SetTimeScale(double scale);
ZEPH_API double Zvc_TimeScale(void);
/* Sum of the modelled delays (unscaled milliseconds) since the last reset, so
 * a test at time scale 0 can still see how long a sequence would take. */
ZEPH_API int64_t Zvc_ModelledMilliseconds(void);

/* The callback is never called with a lock of the library held, so it may
 * call back into the library. Once this returns, the previous callback is
 * not running on another thread and will not be called again (unless this is
 * called from inside the callback itself). */
ZEPH_API void Zvc_SetNotificationCallback(ZvcNotifyFn fn, void *context);
/* Waits until every notification the library's own thread has queued (the
 * removal and arrival of a recovery step) has been delivered; at time scale
 * 0 that is at once. Returns at once when called from inside that thread. */
ZEPH_API void Zvc_FlushNotifications(void);

/* How often a zeph.h function was called since the last reset ("*": all). */
ZEPH_API int32_t Zvc_CallCount(const char *function);
ZEPH_API void Zvc_ResetCallCounts(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZEPH_VIRTUAL_CAMERA_H */

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
 *   opens when its configured baud rate equals the host's (Zeph_SetSdkConfig),
 *   a busy port answers 6, any other port (or a camera at another baud
 *   rate) 2 after the probe timeout.
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
 * faults, lies, info overrides, subjects, call counters, the journal, the
 * modelled call durations and the SDK configuration cleared, notifications not yet sent dropped, state reloaded
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
/* How many calls of `function` ("*" included) a Zvc_FailNext still fails. */
ZEPH_API int32_t Zvc_PendingFailures(const char *function);
/* The device's stuck link as Zvc_SetStuckLink left it (result 0: none). */
ZEPH_API ZephResult Zvc_GetStuckLink(const char *name, ZephResult *result, int32_t *clearingStep);
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

/* Model time. Every delay and rhythm of the camera counts in model
 * milliseconds: capture frames and statuses, capture time-outs, COM probes,
 * recovery steps, LED durations, automatic sleep.
 * - Scale > 0: model time runs with the wall clock times the scale (1.0 real
 *   time, 10.0 ten times faster).
 * - Scale 0: manual time. Model time stands still until Zvc_AdvanceTime moves
 *   it; a call's own duration (probing a COM port, a recovery step, a
 *   delayed fault) moves it by that much while the call runs, and returns at
 *   once in real time. A recovery step's time off the bus is 0 in manual
 *   time: the device is back at once.
 * Negative or non-finite scales are ignored. A new scale applies at once to
 * waits in progress and to pending notifications; model time goes on from
 * where it stands.
 * Modelled durations: probing a COM port that answers 40 ms, one that stays
 * silent (or answers at another baud rate) 100 ms; recovery steps 10, 50,
 * 200, 300 and 500 ms (CANCEL_IO ... SOFT_RESET), taken after the step's
 * effect; off the bus 800 ms (CYCLE_PORT) or 1500 ms (SOFT_RESET). */
ZEPH_API void Zvc_SetTimeScale(double scale);
ZEPH_API double Zvc_TimeScale(void);
/* Manual time: moves model time `ms` forward and runs every event that falls
 * due (frames, statuses, time-outs), in the order of their moments, each on
 * its own thread (frame callbacks on the capture engine's thread), and
 * returns once all of them have run. Scaled time: model time jumps forward.
 * Must not be called from inside a frame callback (it then only moves time). */
ZEPH_API void Zvc_AdvanceTime(int64_t ms);
/* Bench control: model milliseconds between preview frames of captures
 * started from now on; 0 (the start value, also after Zvc_Reset) keeps the
 * camera's own 66 ms. Negative values are ignored. */
ZEPH_API void Zvc_SetFrameInterval(int32_t ms);
/* Bench control: the preview format of captures started from now on, on every
 * device, whatever its configuration record says (the record itself allows
 * only MONO_RAW and MONO_JPEG): ZEPH_FORMAT_MONO_RAW, _MONO_JPEG,
 * _MONO_JPEG2000 or _CORVANE_RAW. 0 (the start value, also after Zvc_Reset)
 * follows each device's record again. Any other value answers 15 and leaves
 * the choice as it was. */
ZEPH_API ZephResult Zvc_SetStreamFormat(int32_t format);
/* Model time since the library started, milliseconds. */
ZEPH_API int64_t Zvc_ModelTime(void);
/* Sum of the calls' own modelled durations (unscaled milliseconds) since the
 * last reset, so a test can see how long a sequence would take. */
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

/* The hardware signal that wakes a camera from deep sleep (any sleep): a USB
 * camera comes back on the bus (arrival sent) and must be opened again; a
 * serial camera answers on its handle again. 2 for an unknown name. */
ZEPH_API ZephResult Zvc_WakeDevice(const char *device);
/* 0 awake, else the ZephSleepMode the camera is in at the current model time
 * (automatic sleep included). A capture holds the camera awake; the idle
 * time after it counts from the first look (a call, this query) that finds
 * it ended. A USB camera that fell into deep sleep by itself leaves the bus
 * (removal sent, handles lost) at the first call after its moment. With the
 * configuration's deepSleepInterrupt on, deep sleep keeps a USB camera on the
 * bus and the next call wakes it, as from sleep. */
ZEPH_API ZephResult Zvc_SleepState(const char *device, int32_t *mode);

/* ---- What stands in front of the camera ----------------------------
 * A subject is a stable identity (any non-zero number; 0 = nobody) with two
 * eyes. How each eye is presented decides its quality scores and whether it
 * is usable: sharp scores high; blurred passes the normal and high quality
 * modes but not very high; half closed passes with a small usable area;
 * looking aside never passes; absent is not seen at all. A monocular camera
 * sees the right eye. Nobody in front (or every requested eye absent): the
 * capture times out to ABORT; only unusable eyes: COMPLETE, and the results
 * answer ZEPH_ERR_NO_QUALIFIED_FRAME (0x3006); one of two eyes unusable:
 * 12295 or 12296. The choice is the device's, kept until changed or reset;
 * a capture in progress sees changes at its next frame. Fresh devices have
 * nobody in front, both eyes sharp. */
enum ZvcPresentation {
    ZVC_EYE_ABSENT = 0, ZVC_EYE_SHARP = 1, ZVC_EYE_BLURRED = 2, ZVC_EYE_HALF_CLOSED = 3,
    ZVC_EYE_LOOKING_ASIDE = 4
};
/* 2 for an unknown device name. */
ZEPH_API ZephResult Zvc_PresentSubject(const char *device, uint32_t subject);
/* eye ZEPH_EYE_RIGHT, ZEPH_EYE_LEFT or ZEPH_EYE_BOTH; 15 otherwise or for an
 * unknown presentation. */
ZEPH_API ZephResult Zvc_PresentEye(const char *device, int32_t eye, int32_t presentation);

/* Limits of the device's gallery: enrollees, templates per ID, templates in
 * all; 0 keeps a limit as it is. Lasts until Zvc_Reset. 2 unknown device. */
ZEPH_API ZephResult Zvc_SetGalleryLimits(const char *device, uint32_t ids, uint32_t perId,
                                         uint64_t templates);

/* LED state as the calls left it, at the current model time. */
typedef struct ZvcLedState {
    int32_t on;          /* lit (or blinking) now */
    int32_t blinking;
    int32_t period;      /* blink period, ms */
    int64_t remainingMs; /* until the setting ends; -1 until changed */
} ZvcLedState;
/* led ZephLed. 2 unknown device, 15 unknown LED or null state. */
ZEPH_API ZephResult Zvc_GetLed(const char *device, int32_t led, ZvcLedState *state);
/* The device's capture status as Zeph_GetCaptureStatus would answer it. */
ZEPH_API ZephResult Zvc_CaptureStatus(const char *device, int32_t *status);
/* 1 when the camera is locked (Zeph_LockDevice), else 0. 2 unknown device,
 * 15 null. */
ZEPH_API ZephResult Zvc_LockState(const char *device, int32_t *locked);

/* ---- Faults on one device and lying outputs ------------------------
 * The next `count` calls of `function` ("*": every call that takes a handle
 * except Zeph_CloseDevice) on the named device answer `result` without doing
 * anything, after taking `delayMs` of model time. A fault of the library
 * (Zvc_FailNext) goes first. count 0 clears. 2 unknown device, 15 unknown
 * function. Zvc_Reset clears them. Whatever a fault answers, Zeph_StopCapture,
 * Zeph_DeinitCamera and Zeph_CloseDevice still end a running capture (and
 * close still releases the handle). */
ZEPH_API ZephResult Zvc_FailDevice(const char *device, const char *function, int32_t count,
                                   ZephResult result, int32_t delayMs);
/* The next successful output of `function` is corrupted in the chosen way, so
 * that the program's own checks can be seen at work:
 * - ZVC_LIE_SIZE_BEYOND_DATA: raw image records claim more pixels than their
 *   data holds (width x height larger than size) (Zeph_GetResultImage)
 * - ZVC_LIE_ISO_BLOCK_PAST_END: the first image block's length runs past the
 *   end of the ISO record (Zeph_GetResultIsoImage)
 * - ZVC_LIE_TEXT_UNTERMINATED: texts fill their whole field without a NUL
 *   (Zeph_GetDeviceInfo's names, Zeph_ScanDevices' names in 100-byte fields,
 *   Zeph_GetGalleryInfo's IDs and Zeph_Compare1N's candidate IDs in their
 *   32-byte fields)
 * - ZVC_LIE_SHORT_ARRAY: a two-record array comes with count 1 and one record
 *   (Zeph_GetResultQuality, Zeph_GetResultImage)
 * - ZVC_LIE_NULL_ARRAY: an array comes back null with its count kept
 *   (Zeph_GetGalleryInfo, Zeph_Compare1N)
 * Used up by the first call that produced the output; ZVC_LIE_NONE clears.
 * 15 for an unknown function or lie. */
enum ZvcLie {
    ZVC_LIE_NONE = 0, ZVC_LIE_SIZE_BEYOND_DATA = 1, ZVC_LIE_ISO_BLOCK_PAST_END = 2,
    ZVC_LIE_TEXT_UNTERMINATED = 3, ZVC_LIE_SHORT_ARRAY = 4, ZVC_LIE_NULL_ARRAY = 5
};
ZEPH_API ZephResult Zvc_LieNext(const char *function, int32_t lie);

/* ---- Call journal ---------------------------------------------------
 * Every zeph.h call in the order the calls answered (the latest 65536),
 * cleared by Zvc_Reset and Zvc_ClearJournal. */
typedef struct ZvcCall {
    char function[32];                  /* "Zeph_ControlLed" */
    char device[ZEPH_DEVICE_NAME_SIZE]; /* the handle's device (or the name opened), "" */
    ZephHandle handle;
    int32_t argCount;
    int64_t args[8];                    /* integer arguments in order; pointers left out */
    char text[ZEPH_DEVICE_NAME_SIZE];   /* the text argument (name, ID), cut to 99 */
    int32_t hasText;
    ZephResult result;
    int64_t modelMs;                    /* model time when it answered */
} ZvcCall;
ZEPH_API int32_t Zvc_JournalSize(void);
/* 15 for an index outside 0..size-1 or a null call. */
ZEPH_API ZephResult Zvc_JournalEntry(int32_t index, ZvcCall *call);
/* The entry as one line, "Zeph_ControlLed(4, 1, 0) = 0" or
 * "Zeph_OpenDevice("COM3") = 2", cut to fit and always terminated; answers
 * the line's full length, -1 for an index outside the journal. */
ZEPH_API int32_t Zvc_JournalLine(int32_t index, char *buffer, int32_t size);
ZEPH_API void Zvc_ClearJournal(void);

/* How often a zeph.h function was called since the last reset ("*": all). */
ZEPH_API int32_t Zvc_CallCount(const char *function);
ZEPH_API void Zvc_ResetCallCounts(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZEPH_VIRTUAL_CAMERA_H */

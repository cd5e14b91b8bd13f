/*
 * zeph.h - C interface of the Zeph iris camera library.
 *
 * Every function returns a ZephResult (0 = success) except Zeph_GetSdkVersion.
 * Device functions take the handle that Zeph_OpenDevice returned; a handle
 * that was closed, dropped or never handed out answers ZEPH_ERR_INVALID_HANDLE,
 * one whose device was unplugged ZEPH_ERR_IO_FAILED. Every function may be
 * called from any thread; calls on one device are answered one at a time.
 * Texts are NUL-terminated 8-bit strings. Arrays handed out by the library
 * (device names, image and quality records, ID lists, match candidates,
 * ISO record bytes) belong to the library: they stay valid until the next
 * call of the same function on the same device and are never freed by the
 * caller. A null output pointer answers ZEPH_ERR_INVALID_PARAMETER.
 *
 * Records keep the byte layout the camera firmware uses; the static
 * assertions below pin every offset so a compiler change cannot move them.
 */
#ifndef ZEPH_H
#define ZEPH_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(ZEPH_BUILDING_LIBRARY)
#    define ZEPH_API __declspec(dllexport)
#  else
#    define ZEPH_API __declspec(dllimport)
#  endif
#else
#  define ZEPH_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ZephResult;
typedef uint32_t ZephHandle; /* 0 is never a valid handle */

/* Sizes of the fixed text fields. */
#define ZEPH_DEVICE_NAME_SIZE 100  /* device names: 99 characters + NUL */
#define ZEPH_ID_SIZE 32            /* enrollee IDs: 31 characters + NUL */
#define ZEPH_PRODUCT_NAME_SIZE 64
#define ZEPH_SERIAL_NUMBER_SIZE 19

/* ---- Records -------------------------------------------------------- */

/* SDK (host side) configuration, 20 bytes. */
typedef struct ZephSdkConfig {
    int32_t commStd;          /* 1 USB, 2 UART */
    uint32_t enableLog;       /* low byte 0/1, other bytes 0 */
    uint32_t uartBaudrate;
    uint32_t uartFlowControl; /* 0 none, 1 hardware */
    uint32_t flowControlOn;   /* low byte 0/1, other bytes 0 */
} ZephSdkConfig;

/* Device information, 104 bytes. Texts may lack their NUL: read them bounded. */
typedef struct ZephDeviceInfo {
    uint32_t productId;
    char productName[ZEPH_PRODUCT_NAME_SIZE];
    uint8_t binocular;        /* not 0: the camera captures both eyes */
    char serialNumber[ZEPH_SERIAL_NUMBER_SIZE];
    uint32_t propertiesFlag;  /* bits 20..23: start sound set */
    uint32_t kernelMajor;
    uint32_t kernelMinor;
    uint32_t features;        /* bit 0 template generation, bit 1 comparison */
} ZephDeviceInfo;

/* Device (camera side) configuration, 52 bytes, little-endian. */
typedef struct ZephDeviceConfig {
    uint8_t forceEncryption;     /* 0 */
    uint8_t enableDedup;         /* 1 */
    uint8_t reserved2[2];        /* 2 */
    float dedupThreshold;        /* 4 */
    float authThreshold;         /* 8 */
    uint8_t supervisedEnrollment;/* 12 */
    uint8_t dataClosure;         /* 13 */
    uint8_t enableStream;        /* 14 */
    uint8_t streamScale;         /* 15: 1, 2, 4, 8, 16 */
    uint8_t streamFormat;        /* 16: 2 MONO_RAW, 6 MONO_JPEG */
    uint8_t compressionQuality;  /* 17: 1..100 */
    uint8_t reserved18[2];       /* 18 */
    uint32_t uartBaudrate;       /* 20 */
    uint8_t uartFlowControl;     /* 24: 0 none, 1 hardware */
    uint8_t reserved25[11];      /* 25 */
    uint8_t deepSleepInterrupt;  /* 36 */
    uint8_t sleepMode;           /* 37: 1 standby, 2 sleep, 4 deep sleep */
    uint16_t sleepTimeout;       /* 38: seconds, 0 = no automatic sleep */
    uint8_t reserved40[12];      /* 40 */
} ZephDeviceConfig;

/* Image record. The camera's 32-bit layout is 20 bytes; on 64-bit hosts the
 * same fields in the same order take their natural alignment (32 bytes). */
typedef struct ZephImage {
    uint8_t kind;        /* compact kind: 1, 2, 3, 7, 23..26 */
    uint8_t format;      /* 2, 6, 10, 14, 130, 138 */
    uint8_t reserved[2];
    uint32_t width;
    uint32_t height;
    uint8_t *data;       /* null = no image */
    uint32_t size;       /* data size in bytes */
} ZephImage;

/* Quality record, 2 bytes. A total score of 0 means the eye has no score. */
typedef struct ZephQuality {
    uint8_t totalScore;
    uint8_t usableArea;
} ZephQuality;

/* An ISO iris record handed out by the library. */
typedef struct ZephIsoRecord {
    uint32_t size;
    uint8_t *data;
} ZephIsoRecord;

/* Per-enrollee information, six uint32; the caller zero-fills it. */
typedef struct ZephEnrolleeInfo {
    uint32_t templateVersion;
    uint32_t creatorVersion;
    uint32_t leftIrisCount;
    uint32_t rightIrisCount;
    uint32_t unknownIrisCount;
    uint32_t totalIrisCount;
} ZephEnrolleeInfo;

/* One 1:N match candidate, 36 bytes, entries back to back. */
typedef struct ZephMatchCandidate {
    char id[ZEPH_ID_SIZE];  /* may lack its NUL: read bounded */
    float distance;
} ZephMatchCandidate;

/* ---- Values --------------------------------------------------------- */

enum ZephCommStd { ZEPH_COMM_USB = 1, ZEPH_COMM_UART = 2 };
enum ZephCaptureStatus {
    ZEPH_STATUS_IDLE = 0, ZEPH_STATUS_READY = 1, ZEPH_STATUS_CAPTURING = 2,
    ZEPH_STATUS_COMPLETE = 3, ZEPH_STATUS_ABORT = 5
};
/* Eye of a capture, of Zeph_ClearCapture and of an ISO record (subtype). */
enum ZephEyeSubtype { ZEPH_EYE_UNKNOWN = 0, ZEPH_EYE_RIGHT = 1, ZEPH_EYE_LEFT = 2, ZEPH_EYE_BOTH = 3 };
/* Zeph_ClearCapture's eye: the whole capture, or one eye. */
enum ZephClearEye { ZEPH_CLEAR_ALL = 0, ZEPH_CLEAR_RIGHT = 1, ZEPH_CLEAR_LEFT = 2 };
enum ZephCaptureMode { ZEPH_CAPTURE_FRAME_BASED = 1, ZEPH_CAPTURE_TIME_BASED = 2 };
/* Frame-based counts frames, time-based seconds; both accept 1..600. */
enum ZephCaptureCount { ZEPH_CAPTURE_COUNT_MIN = 1, ZEPH_CAPTURE_COUNT_MAX = 600 };
enum ZephQualityMode { ZEPH_QUALITY_VERY_HIGH = 1, ZEPH_QUALITY_HIGH = 2, ZEPH_QUALITY_NORMAL = 3 };
enum ZephOperationMode { ZEPH_OPERATION_OPERATOR_INITIATED = 1, ZEPH_OPERATION_AUTO = 2 };
enum ZephImageFormat {
    ZEPH_FORMAT_MONO_RAW = 2, ZEPH_FORMAT_MONO_JPEG = 6, ZEPH_FORMAT_MONO_JPEG2000 = 10,
    ZEPH_FORMAT_MONO_PNG = 14, ZEPH_FORMAT_CORVANE_RAW = 130, ZEPH_FORMAT_CORVANE_JPEG2000 = 138
};
/* Image kinds as Zeph_GetResultImage and Zeph_GetResultIsoImage take them
 * (resultKind). Kinds above 7 are the compact K7 variants, always JPEG 2000
 * with a quality the kind implies. */
enum ZephImageKind {
    ZEPH_KIND_K1 = 1, ZEPH_KIND_K2 = 2, ZEPH_KIND_K3 = 3, ZEPH_KIND_K7 = 7,
    ZEPH_KIND_K7_1_5 = 4103, ZEPH_KIND_K7_2_5 = 4104, ZEPH_KIND_K7_3_5 = 4105,
    ZEPH_KIND_K7_5_0 = 4106
};
/* The same kinds in the one-byte form of ZephImage.kind. */
enum ZephCompactKind {
    ZEPH_COMPACT_K1 = 1, ZEPH_COMPACT_K2 = 2, ZEPH_COMPACT_K3 = 3, ZEPH_COMPACT_K7 = 7,
    ZEPH_COMPACT_K7_1_5 = 23, ZEPH_COMPACT_K7_2_5 = 24, ZEPH_COMPACT_K7_3_5 = 25,
    ZEPH_COMPACT_K7_5_0 = 26
};
/* resultKind -> record kind byte: the value shifted right by 8, or-ed with
 * its low 4 bits (4103 -> 23). 0 for a value that is no image kind. */
static inline uint8_t Zeph_CompactKind(int32_t kind)
{
    switch (kind) {
    case ZEPH_KIND_K1: case ZEPH_KIND_K2: case ZEPH_KIND_K3: case ZEPH_KIND_K7:
    case ZEPH_KIND_K7_1_5: case ZEPH_KIND_K7_2_5: case ZEPH_KIND_K7_3_5: case ZEPH_KIND_K7_5_0:
        return (uint8_t)((kind >> 8) | (kind & 0xF));
    default:
        return 0;
    }
}
/* Record kind byte -> resultKind; 0 for a byte that is no compact kind. */
static inline int32_t Zeph_FullKind(uint8_t compact)
{
    switch (compact) {
    case ZEPH_COMPACT_K1: case ZEPH_COMPACT_K2: case ZEPH_COMPACT_K3: case ZEPH_COMPACT_K7:
        return compact;
    case ZEPH_COMPACT_K7_1_5: case ZEPH_COMPACT_K7_2_5: case ZEPH_COMPACT_K7_3_5:
    case ZEPH_COMPACT_K7_5_0:
        return 0x1000 | (compact & 0xF);
    default:
        return 0;
    }
}
/* ISO/IEC 19794-6 edition of Zeph_GetResultIsoImage (0: no ISO record). */
enum ZephIsoRevision { ZEPH_ISO_NONE = 0, ZEPH_ISO_2005 = 1, ZEPH_ISO_2011 = 2 };
/* isoSubtype takes the ZephEyeSubtype values; BOTH only on a binocular camera. */
enum ZephIsoSubtype {
    ZEPH_ISO_SUBTYPE_UNKNOWN = 0, ZEPH_ISO_SUBTYPE_RIGHT = 1, ZEPH_ISO_SUBTYPE_LEFT = 2,
    ZEPH_ISO_SUBTYPE_BOTH = 3
};
/* LED selectors of Zeph_ControlLed and Zeph_ControlBlinkingLed. */
enum ZephLed { ZEPH_LED_GREEN = 3, ZEPH_LED_RED = 4, ZEPH_LED_ORANGE = 6, ZEPH_LED_BLUE = 10 };
enum ZephRecoveryStep {
    ZEPH_RECOVERY_CANCEL_IO = 0, ZEPH_RECOVERY_RESET_PIPES = 1, ZEPH_RECOVERY_RESET_PORT = 2,
    ZEPH_RECOVERY_CYCLE_PORT = 3, ZEPH_RECOVERY_SOFT_RESET = 4
};
enum ZephSleepMode { ZEPH_SLEEP_STANDBY = 1, ZEPH_SLEEP_SLEEP = 2, ZEPH_SLEEP_DEEP = 4 };
enum ZephUserRole { ZEPH_ROLE_ADMIN = 0, ZEPH_ROLE_SUPERUSER = 1, ZEPH_ROLE_USER = 2 };
/* ZephDeviceInfo.features */
enum ZephFeature { ZEPH_FEATURE_TEMPLATE_GENERATION = 1, ZEPH_FEATURE_TEMPLATE_COMPARISON = 2 };
/* The device configuration's thresholds (dedupThreshold, authThreshold)
 * are accepted in [ZEPH_THRESHOLD_MIN, ZEPH_THRESHOLD_MAX]. */
#define ZEPH_THRESHOLD_MIN 0.8f
#define ZEPH_THRESHOLD_MAX 1.1f

/* Every result the library answers. */
enum ZephResultCode {
    ZEPH_OK = 0x0000,
    /* General */
    ZEPH_ERR_FAILED = 0x0001,
    ZEPH_ERR_DEVICE_NOT_FOUND = 0x0002,
    ZEPH_ERR_OPEN_FAILED = 0x0003,
    ZEPH_ERR_NOT_OPEN = 0x0004,
    ZEPH_ERR_ALREADY_OPEN = 0x0005,
    ZEPH_ERR_ACCESS_DENIED = 0x0006,
    ZEPH_ERR_TOO_MANY_OPEN = 0x0007,
    ZEPH_ERR_IO_FAILED = 0x0008,
    ZEPH_ERR_IO_TIMEOUT = 0x0009,
    ZEPH_ERR_IO_INVALID = 0x000A,
    ZEPH_ERR_FORMAT_UNSUPPORTED = 0x000B,
    ZEPH_ERR_NO_MEMORY = 0x000C,
    ZEPH_ERR_INVALID_MEMORY = 0x000D,
    ZEPH_ERR_INVALID_HANDLE = 0x000E,
    ZEPH_ERR_INVALID_PARAMETER = 0x000F,
    ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE = 0x0010,
    ZEPH_ERR_NOT_ENOUGH_BUFFER = 0x0011,
    ZEPH_ERR_VERSION_INCOMPATIBLE = 0x0012,
    ZEPH_ERR_THREAD_FAILED = 0x0013,
    ZEPH_ERR_UNSUPPORTED = 0x0014,
    ZEPH_ERR_IMAGE_CORRUPTED = 0x0015,
    ZEPH_ERR_WRONG_EYE_SUBTYPE = 0x0016,
    ZEPH_ERR_UNKNOWN_DEVICE = 0x0017,
    ZEPH_ERR_UNEXPECTED = 0x00FF,
    /* Device (firmware) */
    ZEPH_ERR_DEVICE_OUT_OF_MEMORY = 0x1001,
    ZEPH_ERR_DEVICE_NOT_ENOUGH_MEMORY = 0x1002,
    ZEPH_ERR_DEVICE_INSUFFICIENT_BUFFER = 0x1003,
    ZEPH_ERR_DEVICE_IO_FAILED = 0x1005,
    ZEPH_ERR_DEVICE_MODULE_NOT_FOUND = 0x1006,
    ZEPH_ERR_DEVICE_PROCEDURE_NOT_FOUND = 0x1007,
    ZEPH_ERR_DEVICE_BAD_DATA = 0x1008,
    ZEPH_ERR_FUNCTION_DISABLED = 0x1009,
    ZEPH_ERR_DEVICE_LOCKED = 0x100A,
    ZEPH_ERR_DEVICE_BUSY = 0x100B,
    ZEPH_ERR_DEVICE_RUNTIME_EXCEPTION = 0x10FF,
    /* Security */
    ZEPH_ERR_SECURITY_FAILED = 0x2001,
    ZEPH_ERR_SECURITY_INIT_FAILED = 0x2002,
    ZEPH_ERR_SECURITY_WRONG_PASSWORD = 0x2003,
    ZEPH_ERR_SECURITY_BAD_LENGTH = 0x2004,
    ZEPH_ERR_SECURITY_BAD_DATA = 0x2005,
    ZEPH_ERR_SECURITY_BAD_ALGORITHM = 0x2006,
    ZEPH_ERR_SECURITY_BAD_KEY = 0x2007,
    ZEPH_ERR_SECURITY_BAD_SIGNATURE = 0x2008,
    ZEPH_ERR_SECURITY_ENCRYPTION = 0x2009,
    ZEPH_ERR_SECURITY_DECRYPTION = 0x200A,
    ZEPH_ERR_SECURITY_IMPORT = 0x200B,
    ZEPH_ERR_SECURITY_EXPORT = 0x200C,
    ZEPH_ERR_SECURITY_KEY_GENERATION = 0x200D,
    ZEPH_ERR_SECURITY_HASHING = 0x200E,
    ZEPH_ERR_SECURITY_SIGNING = 0x200F,
    ZEPH_ERR_PERMISSION_DENIED = 0x2010,
    /* Camera and capture */
    ZEPH_ERR_CAMERA_NOT_INITIALIZED = 0x3001,
    ZEPH_ERR_CAMERA_NOT_ACCESSIBLE = 0x3002,
    ZEPH_ERR_CAPTURE_START_STOP = 0x3003,
    ZEPH_ERR_QUALITY_NOT_INITIALIZED = 0x3004,
    ZEPH_ERR_FRAME_NOT_AVAILABLE = 0x3005,
    ZEPH_ERR_NO_QUALIFIED_FRAME = 0x3006,
    ZEPH_ERR_NO_QUALIFIED_RIGHT = 0x3007,
    ZEPH_ERR_NO_QUALIFIED_LEFT = 0x3008,
    ZEPH_ERR_COMPRESSION_FAILED = 0x3009,
    /* Gallery */
    ZEPH_ERR_GALLERY_NOT_INITIALIZED = 0x4001,
    ZEPH_ERR_GALLERY_LOAD_FAILED = 0x4002,
    ZEPH_ERR_GALLERY_EMPTY = 0x4003,
    ZEPH_ERR_GALLERY_FULL = 0x4004,
    ZEPH_ERR_ID_NOT_FOUND = 0x4005,
    ZEPH_ERR_NO_SLOTS_FOR_ID = 0x4006,
    ZEPH_ERR_NO_SLOTS_FOR_ENROLLMENT = 0x4007,
    ZEPH_ERR_MAX_SLOTS_FOR_ID = 0x4008,
    ZEPH_ERR_DUPLICATE_IRIS = 0x4009,
    /* Templates */
    ZEPH_ERR_TEMPLATE_NOT_AVAILABLE = 0x5001,
    ZEPH_ERR_TEMPLATE_CORRUPTED = 0x5002,
    ZEPH_ERR_TEMPLATE_GENERATION_FAILED = 0x5003,
    ZEPH_ERR_MATCHING_FAILED = 0x5004,
    ZEPH_ERR_TEMPLATE_TYPE_INVALID = 0x5005,
    /* Algorithm */
    ZEPH_ERR_ALGORITHM_VERSION_INVALID = 0x6001,
    ZEPH_ERR_ALGORITHM_FAILED = 0x6002,
    ZEPH_ERR_ALGORITHM_NOT_INITIALIZED = 0x6003
};

/* Frame callback. Runs on the capture engine's own thread (one per running
 * capture), never on a thread of the caller and never with a library lock
 * held.
 * - images: null, or two records, index 0 the right eye and index 1 the
 *   left; an eye without a frame has data null. A monocular camera fills
 *   index 0. Records and their bytes are valid only during the call: copy
 *   what is kept.
 * - status: the capture status, given with every call (null is allowed by
 *   the signature, callers must cope); error: the capture error, 0 when none.
 * - Statuses come in order READY, (CAPTURING,) then exactly one final
 *   COMPLETE or ABORT; nothing follows the final status.
 * - The return value only says whether the caller managed to post the frame;
 *   the library goes on either way.
 * - No callback runs after Zeph_StopCapture, Zeph_DeinitCamera or
 *   Zeph_CloseDevice has returned, whatever they answered. Called from
 *   inside the callback, these three answer ZEPH_ERR_CAPTURE_START_STOP and
 *   never wait for the callback's own thread (see each function). */
typedef int32_t (*ZephFrameCallback)(void *context, const ZephImage *images,
                                     int32_t reserved, const int32_t *status,
                                     const int32_t *error);

/* ---- Library -------------------------------------------------------- */
ZEPH_API int32_t Zeph_GetSdkVersion(void);
/* length: in, the buffer's capacity without the NUL; out, the text length.
 * A short buffer gets the cut text, terminated, and ZEPH_ERR_NOT_ENOUGH_BUFFER. */
ZEPH_API ZephResult Zeph_GetSdkDescription(char *buffer, int32_t *length);
ZEPH_API ZephResult Zeph_GetSdkConfig(ZephSdkConfig *config);
/* Refused (15) for a commStd not 1/2, a non-standard baud rate or flag words
 * not 0/1. A serial camera opens only when its own baud rate equals this one. */
ZEPH_API ZephResult Zeph_SetSdkConfig(const ZephSdkConfig *config);

/* ---- Device --------------------------------------------------------- */
/* names: count device names (NUL-terminated, at most 99 characters) then a
 * null entry. USB only: on the UART link the scan finds nothing. */
ZEPH_API ZephResult Zeph_ScanDevices(const char *const **names, int32_t *count);
/* On UART the name is a serial port ("COM3"); probing it takes time. A port
 * with nothing on it, or with a camera at another baud rate, answers
 * ZEPH_ERR_DEVICE_NOT_FOUND after the probe; a busy port ZEPH_ERR_ACCESS_DENIED.
 * A device opens once at a time (ZEPH_ERR_ALREADY_OPEN). */
ZEPH_API ZephResult Zeph_OpenDevice(const char *name, ZephHandle *handle);
/* Always releases the handle, whatever it answers (also on a lost or stuck
 * link, or with a fault): after it returns the handle is stale (14) and the
 * device can be opened again. Ends a running capture first (its final ABORT
 * is delivered before this returns) and drops the capture results. From
 * inside the frame callback it still releases the handle and ends the
 * capture (no further callback) but answers ZEPH_ERR_CAPTURE_START_STOP. */
ZEPH_API ZephResult Zeph_CloseDevice(ZephHandle handle);
/* Texts in the record may lack their NUL: read them bounded. */
ZEPH_API ZephResult Zeph_GetDeviceInfo(ZephHandle handle, ZephDeviceInfo *info);
ZEPH_API ZephResult Zeph_GetDeviceConfig(ZephHandle handle, ZephDeviceConfig *config);
/* Refused (15) for: thresholds outside [ZEPH_THRESHOLD_MIN, ZEPH_THRESHOLD_MAX],
 * a stream scale not 1/2/4/8/16, a stream format not MONO_RAW/MONO_JPEG, a
 * compression quality outside 1..100, a sleep mode not 1/2/4, a flag byte
 * not 0/1, a non-standard baud rate. A failed flash write answers
 * ZEPH_ERR_DEVICE_IO_FAILED and keeps the old record. A new serial baud rate
 * takes effect at the next open. */
ZEPH_API ZephResult Zeph_SetDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config);
/* Sleep now (mode ZephSleepMode; reserved 0). Standby and sleep: the next call
 * on the handle wakes the camera and is answered normally (waking takes a
 * moment). Deep sleep wakes only by a hardware signal: on USB the camera
 * leaves the bus at once (removal notification), its handle is lost (calls
 * answer ZEPH_ERR_IO_FAILED, Zeph_CloseDevice still releases it) and after
 * wake-up it must be opened again; on UART the handle stays and every call
 * answers ZEPH_ERR_IO_TIMEOUT until the wake-up. Automatic sleep (the
 * configuration's sleepTimeout, idle seconds) behaves like the manual command
 * of its sleepMode and never starts during a capture. */
ZEPH_API ZephResult Zeph_SleepDevice(ZephHandle handle, int32_t mode, int32_t reserved);
/* step ZephRecoveryStep; USB only (UART answers ZEPH_ERR_UNSUPPORTED). Works on
 * a stuck link. CYCLE_PORT and SOFT_RESET take the device off the bus: the
 * handle is dropped (later use answers 14) and the device must be opened
 * again once it is back (arrival notification). SOFT_RESET also loses what
 * was not committed. Any capture ends first (final ABORT delivered). */
ZEPH_API ZephResult Zeph_Recovery(ZephHandle handle, int32_t step);

/* ---- Capture --------------------------------------------------------
 * Zeph_StartCapture, Zeph_StopCapture and Zeph_OperateCapture need
 * Zeph_InitCamera first (ZEPH_ERR_CAMERA_NOT_INITIALIZED otherwise). The
 * results (quality, images, ISO record, Zeph_ClearCapture) and
 * Zeph_GetCaptureStatus do not: the results of the last completed capture
 * survive Zeph_DeinitCamera and stay until the next Zeph_StartCapture,
 * Zeph_ClearCapture(ZEPH_CLEAR_ALL), Zeph_CloseDevice, a lost handle or a
 * soft reset. Without results they answer ZEPH_ERR_FRAME_NOT_AVAILABLE.
 *
 * Result arrays (quality, images, ISO record bytes) belong to the library and
 * stay valid until the next call of the same function on the same device;
 * Zeph_CloseDevice, an unplug and a recovery step do not free them (the next
 * call of that function, on any new handle of the device, does). Whatever a
 * result function answers, it writes its outputs: null and 0 unless the
 * answer is 0, ZEPH_ERR_NO_QUALIFIED_RIGHT or ZEPH_ERR_NO_QUALIFIED_LEFT. */

/* Idempotent: a second call answers 0. value1 and value2 receive the
 * camera's sensor width and height. */
ZEPH_API ZephResult Zeph_InitCamera(ZephHandle handle, int32_t *value1, int32_t *value2);
/* Ends a running capture first (final ABORT delivered before it returns),
 * then the camera is off; status IDLE. Without Init it answers 0. From
 * inside the frame callback: ZEPH_ERR_CAPTURE_START_STOP, nothing changes. */
ZEPH_API ZephResult Zeph_DeinitCamera(ZephHandle handle);
/* captureMode ZephCaptureMode; count 1..600 frames or seconds; qualityMode
 * ZephQualityMode; operationMode ZephOperationMode (operator initiated waits
 * in READY for Zeph_OperateCapture); eyeSubtype: 0 on a monocular camera,
 * 1, 2 or 3 on a binocular one (ZEPH_ERR_WRONG_EYE_SUBTYPE otherwise);
 * streaming not 0 sends preview frames (when the device configuration
 * enables the stream) in its stream format and scale. Any value out of range
 * answers ZEPH_ERR_INVALID_PARAMETER; a capture already running answers
 * ZEPH_ERR_DEVICE_BUSY. On success the previous results are gone and the
 * callback (may be null: then only Zeph_GetCaptureStatus tells) is called
 * with READY, then (once the subject is there, or after
 * Operate) CAPTURING, then COMPLETE; with nobody in front of the camera the
 * capture times out to ABORT with error ZEPH_ERR_NO_QUALIFIED_FRAME. */
ZEPH_API ZephResult Zeph_StartCapture(ZephHandle handle, int32_t captureMode, int32_t count,
                                      int32_t qualityMode, int32_t operationMode,
                                      int32_t eyeSubtype, int32_t streaming,
                                      ZephFrameCallback callback, void *context);
/* Ends a running capture: the final ABORT is delivered (on the engine's
 * thread) before this returns, and no callback follows, whatever this
 * answers (an I/O failure still stops the engine). No capture running: 0.
 * From inside the frame callback: ZEPH_ERR_CAPTURE_START_STOP, the capture
 * goes on. */
ZEPH_API ZephResult Zeph_StopCapture(ZephHandle handle);
/* Operator trigger: READY -> CAPTURING in operator-initiated mode. Answers 0
 * in auto mode too (it starts capturing at once); without a capture in
 * READY or CAPTURING: ZEPH_ERR_CAPTURE_START_STOP. */
ZEPH_API ZephResult Zeph_OperateCapture(ZephHandle handle);
/* Current status; IDLE before the first capture and after Zeph_DeinitCamera;
 * COMPLETE or ABORT stay until the next start. Needs no Init. */
ZEPH_API ZephResult Zeph_GetCaptureStatus(ZephHandle handle, int32_t *status);
/* Two records, [0] right eye, [1] left eye; count 2. An eye without a score
 * (not captured, not requested, monocular left) has total score 0. Answers 0
 * when every requested eye is qualified, ZEPH_ERR_NO_QUALIFIED_RIGHT or
 * ZEPH_ERR_NO_QUALIFIED_LEFT when one of two is missing (the other's record
 * is filled), ZEPH_ERR_NO_QUALIFIED_FRAME when none is (arrays null). */
ZEPH_API ZephResult Zeph_GetResultQuality(ZephHandle handle, const ZephQuality **quality,
                                          int32_t *count);
/* Two records, [0] right, [1] left, count 2; a missing eye has data null and
 * sizes 0; answers as Zeph_GetResultQuality. resultKind ZephImageKind,
 * resultFormat ZephImageFormat, j2kQuality 1..100 for MONO_JPEG2000 and
 * CORVANE_JPEG2000 (ignored otherwise and for the compact kinds). A kind or
 * format the camera cannot produce: ZEPH_ERR_FORMAT_UNSUPPORTED. */
ZEPH_API ZephResult Zeph_GetResultImage(ZephHandle handle, int32_t resultKind,
                                        int32_t resultFormat, int32_t j2kQuality,
                                        const ZephImage **images, int32_t *count);
/* One ISO/IEC 19794-6 record (isoRevision ZEPH_ISO_2005 or ZEPH_ISO_2011)
 * holding one image per eye the subtype asks for (ZephIsoSubtype). The
 * record is {0, null} on failure; ZEPH_ERR_NO_QUALIFIED_FRAME when the
 * requested eye(s) have no image. */
ZEPH_API ZephResult Zeph_GetResultIsoImage(ZephHandle handle, int32_t isoRevision,
                                           int32_t resultFormat, int32_t resultKind,
                                           int32_t j2kQuality, int32_t isoSubtype,
                                           ZephIsoRecord *record);
/* eye ZephClearEye: ZEPH_CLEAR_ALL drops the whole capture (results then
 * answer ZEPH_ERR_FRAME_NOT_AVAILABLE); RIGHT or LEFT drops that eye's image
 * and score, so the results answer as if it had not been qualified. No
 * capture results: ZEPH_ERR_FRAME_NOT_AVAILABLE. Another eye value: 15. */
ZEPH_API ZephResult Zeph_ClearCapture(ZephHandle handle, int32_t eye);
/* led ZephLed; on 0/1; milliseconds 0 = until changed, else lit that long. */
ZEPH_API ZephResult Zeph_ControlLed(ZephHandle handle, int32_t led, int32_t on,
                                    int32_t milliseconds);
/* Blinks with the period (ms); duration 0 = until changed. */
ZEPH_API ZephResult Zeph_ControlBlinkingLed(ZephHandle handle, int32_t led, int32_t on,
                                            int32_t period, int32_t duration);

/* ---- Gallery and matching -------------------------------------------
 * Zeph_GetGalleryInfo and Zeph_LoadGallery hand out separate ID arrays, each
 * valid until the next call of the same function on the device. */
/* ids: array of count NUL-terminated IDs (each at most 31 characters). */
ZEPH_API ZephResult Zeph_GetGalleryInfo(ZephHandle handle, const char *const **ids,
                                        int32_t *count, int32_t *freeSlots,
                                        int32_t *capacity);
ZEPH_API ZephResult Zeph_LoadGallery(ZephHandle handle, const char *const **ids,
                                     int32_t *count, int32_t *freeSlots, int32_t *capacity);
ZEPH_API ZephResult Zeph_GetEnrolleeInfo(ZephHandle handle, const char *id,
                                         ZephEnrolleeInfo *info);
/* Enrols the most recent capture's templates under id. */
ZEPH_API ZephResult Zeph_EnrollCapture(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_UnenrollTemplate(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_CommitGallery(ZephHandle handle);
/* distance: in, the largest distance of interest (the program passes 2.0).
 * Works on the most recent capture. A camera without the comparison feature
 * (features bit 1 clear) answers ZEPH_ERR_UNSUPPORTED. */
ZEPH_API ZephResult Zeph_Compare11(ZephHandle handle, const char *id, float *distance);
/* candidates: count records, best first; ids may lack their NUL. */
ZEPH_API ZephResult Zeph_Compare1N(ZephHandle handle, float maxDistance,
                                   const ZephMatchCandidate **candidates, int32_t *count);

/* ---- Security -------------------------------------------------------
 * Administrators live in a gallery of their own, apart from the enrollees;
 * super users are enrollees whose role was raised to SUPERUSER. Roles rank
 * ADMIN above SUPERUSER above USER. Each handle has its own login session;
 * Zeph_Logout, Zeph_CloseDevice and a lost handle end it.
 * Rights (ZEPH_ERR_PERMISSION_DENIED when missing, before the call's own
 * checks):
 * - Zeph_EnrollAsAdmin, Zeph_UnenrollAdmin, Zeph_LockDevice,
 *   Zeph_UnlockDevice and Zeph_SetDeviceConfig need an ADMIN session whose
 *   ID is still enrolled, but only once an administrator exists: a camera
 *   without one (new, or its last administrator removed) takes them from
 *   anybody, so that the first administrator can be enrolled.
 * - Zeph_SetUserRole needs a SUPERUSER or ADMIN session, always.
 * - With the configuration's supervisedEnrollment on, Zeph_EnrollCapture and
 *   Zeph_UnenrollTemplate need a SUPERUSER or ADMIN session.
 * The administrator gallery and the lock survive a restart of the camera. */
/* Logs the handle in as role (ZEPH_ROLE_ADMIN or ZEPH_ROLE_SUPERUSER, else
 * ZEPH_ERR_INVALID_PARAMETER) with the most recent capture (none:
 * ZEPH_ERR_FRAME_NOT_AVAILABLE; no qualified eye: ZEPH_ERR_NO_QUALIFIED_FRAME).
 * Accepted when the ID holds the role or a higher one (an administrator may
 * log in as SUPERUSER; super users are found in the enrollee gallery even
 * before Zeph_LoadGallery) and the capture matches its templates within the
 * configuration's authThreshold. An unknown ID, a role not held and a
 * capture that does not match all answer ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE
 * and leave the session as it was. The capture is kept. */
ZEPH_API ZephResult Zeph_Login(ZephHandle handle, const char *id, int32_t role);
/* Ends the handle's session; answers 0 with no session too. */
ZEPH_API ZephResult Zeph_Logout(ZephHandle handle);
/* The administrator IDs, valid until the next call of this function on the
 * device; needs no
 * login. ZEPH_ERR_GALLERY_EMPTY with count 0 when there are none,
 * ZEPH_ERR_GALLERY_LOAD_FAILED when the camera's store is damaged. */
ZEPH_API ZephResult Zeph_GetAdminGalleryInfo(ZephHandle handle, const char *const **ids,
                                             int32_t *count, int32_t *freeSlots,
                                             int32_t *capacity);
/* Enrols the most recent capture's templates as administrator id (an
 * existing one gets more templates), stored at once: no commit. Results as
 * Zeph_EnrollCapture (0x3005, 0x3006, 0x0F for a bad ID, 0x4004/0x4008 at
 * the limits). */
ZEPH_API ZephResult Zeph_EnrollAsAdmin(ZephHandle handle, const char *id);
/* Removes administrator id at once (ZEPH_ERR_ID_NOT_FOUND when absent); an
 * administrator removing himself is logged out. */
ZEPH_API ZephResult Zeph_UnenrollAdmin(ZephHandle handle, const char *id);
/* Sets an enrollee's role to ZEPH_ROLE_SUPERUSER or ZEPH_ROLE_USER (else
 * ZEPH_ERR_INVALID_PARAMETER); needs Zeph_LoadGallery (0x4001) and, to last,
 * Zeph_CommitGallery. ZEPH_ERR_ID_NOT_FOUND for an unknown ID. */
ZEPH_API ZephResult Zeph_SetUserRole(ZephHandle handle, const char *id, int32_t role);
/* A locked camera still captures and reports quality scores, enrols and
 * matches, but Zeph_GetResultImage and Zeph_GetResultIsoImage answer
 * ZEPH_ERR_DEVICE_LOCKED (when a capture is held) until it is unlocked.
 * With dataClosure or forceEncryption on in the configuration they answer
 * ZEPH_ERR_FUNCTION_DISABLED instead. Locking twice or unlocking an
 * unlocked camera answers 0. */
ZEPH_API ZephResult Zeph_LockDevice(ZephHandle handle);
ZEPH_API ZephResult Zeph_UnlockDevice(ZephHandle handle);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- Layout checks -------------------------------------------------- */
#ifdef __cplusplus
#  define ZEPH_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#  define ZEPH_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

ZEPH_STATIC_ASSERT(sizeof(ZephSdkConfig) == 20, "SDK configuration record is 20 bytes");
ZEPH_STATIC_ASSERT(offsetof(ZephSdkConfig, uartBaudrate) == 8, "uartBaudrate at 8");
ZEPH_STATIC_ASSERT(offsetof(ZephSdkConfig, flowControlOn) == 16, "flowControlOn at 16");

ZEPH_STATIC_ASSERT(sizeof(ZephDeviceInfo) == 104, "device information record is 104 bytes");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, productName) == 4, "productName at 4");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, binocular) == 68, "binocular at 68");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, serialNumber) == 69, "serialNumber at 69");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, propertiesFlag) == 88, "propertiesFlag at 88");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, kernelMajor) == 92, "kernelMajor at 92");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceInfo, features) == 100, "features at 100");

ZEPH_STATIC_ASSERT(sizeof(ZephDeviceConfig) == 52, "device configuration record is 52 bytes");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, dedupThreshold) == 4, "dedupThreshold at 4");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, authThreshold) == 8, "authThreshold at 8");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, enableStream) == 14, "enableStream at 14");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, compressionQuality) == 17, "compressionQuality at 17");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, uartBaudrate) == 20, "uartBaudrate at 20");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, uartFlowControl) == 24, "uartFlowControl at 24");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, deepSleepInterrupt) == 36, "deepSleepInterrupt at 36");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, sleepMode) == 37, "sleepMode at 37");
ZEPH_STATIC_ASSERT(offsetof(ZephDeviceConfig, sleepTimeout) == 38, "sleepTimeout at 38");

ZEPH_STATIC_ASSERT(offsetof(ZephImage, width) == 4, "width at 4");
ZEPH_STATIC_ASSERT(offsetof(ZephImage, height) == 8, "height at 8");
ZEPH_STATIC_ASSERT(offsetof(ZephImage, data) == (sizeof(void *) == 8 ? 16 : 12), "data pointer");
ZEPH_STATIC_ASSERT(offsetof(ZephImage, size) == (sizeof(void *) == 8 ? 24 : 16), "data size");
ZEPH_STATIC_ASSERT(sizeof(ZephImage) == (sizeof(void *) == 8 ? 32 : 20), "image record size");
ZEPH_STATIC_ASSERT(offsetof(ZephIsoRecord, data) == sizeof(void *), "ISO pair: size, pointer");

ZEPH_STATIC_ASSERT(sizeof(ZephQuality) == 2, "quality record is 2 bytes");
ZEPH_STATIC_ASSERT(sizeof(ZephEnrolleeInfo) == 24, "enrollee record is six uint32");
ZEPH_STATIC_ASSERT(sizeof(ZephMatchCandidate) == 36, "match candidate is 36 bytes");
ZEPH_STATIC_ASSERT(offsetof(ZephMatchCandidate, distance) == 32, "distance at 32");

#endif /* ZEPH_H */

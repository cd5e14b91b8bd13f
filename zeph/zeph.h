/*
 * zeph.h - C interface of the Zeph iris camera library.
 *
 * Every function returns a ZephResult (0 = success) except Zeph_GetSdkVersion.
 * Device functions take the handle that Zeph_OpenDevice returned.
 * Texts are NUL-terminated 8-bit strings. Arrays handed out by the library
 * (device names, image and quality records, ID lists, match candidates,
 * ISO record bytes) belong to the library: they stay valid until the next
 * call of the same function on the same device and are never freed by the
 * caller.
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
enum ZephEyeSubtype { ZEPH_EYE_UNKNOWN = 0, ZEPH_EYE_RIGHT = 1, ZEPH_EYE_LEFT = 2, ZEPH_EYE_BOTH = 3 };
enum ZephImageFormat {
    ZEPH_FORMAT_MONO_RAW = 2, ZEPH_FORMAT_MONO_JPEG = 6, ZEPH_FORMAT_MONO_JPEG2000 = 10,
    ZEPH_FORMAT_MONO_PNG = 14, ZEPH_FORMAT_CORVANE_RAW = 130, ZEPH_FORMAT_CORVANE_JPEG2000 = 138
};
enum ZephRecoveryStep {
    ZEPH_RECOVERY_CANCEL_IO = 0, ZEPH_RECOVERY_RESET_PIPES = 1, ZEPH_RECOVERY_RESET_PORT = 2,
    ZEPH_RECOVERY_CYCLE_PORT = 3, ZEPH_RECOVERY_SOFT_RESET = 4
};
enum ZephSleepMode { ZEPH_SLEEP_STANDBY = 1, ZEPH_SLEEP_SLEEP = 2, ZEPH_SLEEP_DEEP = 4 };
enum ZephUserRole { ZEPH_ROLE_ADMIN = 0, ZEPH_ROLE_SUPERUSER = 1, ZEPH_ROLE_USER = 2 };

/* Frequently tested result codes; the full list lives with the program's texts. */
enum ZephResultCode {
    ZEPH_OK = 0x0000,
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
    ZEPH_ERR_NOT_ENOUGH_BUFFER = 0x0011,
    ZEPH_ERR_UNSUPPORTED = 0x0014,
    ZEPH_ERR_WRONG_EYE_SUBTYPE = 0x0016,
    ZEPH_ERR_DEVICE_LOCKED = 0x100A,
    ZEPH_ERR_DEVICE_BUSY = 0x100B,
    ZEPH_ERR_PERMISSION_DENIED = 0x2010,
    ZEPH_ERR_CAMERA_NOT_INITIALIZED = 0x3001,
    ZEPH_ERR_FRAME_NOT_AVAILABLE = 0x3005,
    ZEPH_ERR_NO_QUALIFIED_FRAME = 0x3006,
    ZEPH_ERR_NO_QUALIFIED_RIGHT = 0x3007,
    ZEPH_ERR_NO_QUALIFIED_LEFT = 0x3008,
    ZEPH_ERR_GALLERY_NOT_INITIALIZED = 0x4001,
    ZEPH_ERR_GALLERY_EMPTY = 0x4003,
    ZEPH_ERR_GALLERY_FULL = 0x4004,
    ZEPH_ERR_ID_NOT_FOUND = 0x4005,
    ZEPH_ERR_DUPLICATE_IRIS = 0x4009,
    ZEPH_ERR_TEMPLATE_NOT_AVAILABLE = 0x5001
};

/* Called on the library's capture thread. images: two records (right, left)
 * or null; status and error may be null. Returns non-zero when the caller
 * accepted the frame. */
typedef int32_t (*ZephFrameCallback)(void *context, const ZephImage *images,
                                     int32_t reserved, const int32_t *status,
                                     const int32_t *error);

/* ---- Library -------------------------------------------------------- */
ZEPH_API int32_t Zeph_GetSdkVersion(void);
/* length: in, the buffer's capacity without the NUL; out, the text length. */
ZEPH_API ZephResult Zeph_GetSdkDescription(char *buffer, int32_t *length);
ZEPH_API ZephResult Zeph_GetSdkConfig(ZephSdkConfig *config);
ZEPH_API ZephResult Zeph_SetSdkConfig(const ZephSdkConfig *config);

/* ---- Device --------------------------------------------------------- */
ZEPH_API ZephResult Zeph_ScanDevices(const char *const **names, int32_t *count);
ZEPH_API ZephResult Zeph_OpenDevice(const char *name, ZephHandle *handle);
ZEPH_API ZephResult Zeph_CloseDevice(ZephHandle handle);
ZEPH_API ZephResult Zeph_GetDeviceInfo(ZephHandle handle, ZephDeviceInfo *info);
ZEPH_API ZephResult Zeph_GetDeviceConfig(ZephHandle handle, ZephDeviceConfig *config);
ZEPH_API ZephResult Zeph_SetDeviceConfig(ZephHandle handle, const ZephDeviceConfig *config);
ZEPH_API ZephResult Zeph_SleepDevice(ZephHandle handle, int32_t mode, int32_t reserved);
ZEPH_API ZephResult Zeph_Recovery(ZephHandle handle, int32_t step);

/* ---- Capture -------------------------------------------------------- */
ZEPH_API ZephResult Zeph_InitCamera(ZephHandle handle, int32_t *value1, int32_t *value2);
ZEPH_API ZephResult Zeph_DeinitCamera(ZephHandle handle);
ZEPH_API ZephResult Zeph_StartCapture(ZephHandle handle, int32_t captureMode, int32_t count,
                                      int32_t qualityMode, int32_t operationMode,
                                      int32_t eyeSubtype, int32_t streaming,
                                      ZephFrameCallback callback, void *context);
ZEPH_API ZephResult Zeph_StopCapture(ZephHandle handle);
ZEPH_API ZephResult Zeph_OperateCapture(ZephHandle handle);
ZEPH_API ZephResult Zeph_GetCaptureStatus(ZephHandle handle, int32_t *status);
ZEPH_API ZephResult Zeph_GetResultQuality(ZephHandle handle, const ZephQuality **quality,
                                          int32_t *count);
ZEPH_API ZephResult Zeph_GetResultImage(ZephHandle handle, int32_t resultKind,
                                        int32_t resultFormat, int32_t j2kQuality,
                                        const ZephImage **images, int32_t *count);
ZEPH_API ZephResult Zeph_GetResultIsoImage(ZephHandle handle, int32_t isoRevision,
                                           int32_t resultFormat, int32_t resultKind,
                                           int32_t j2kQuality, int32_t isoSubtype,
                                           ZephIsoRecord *record);
ZEPH_API ZephResult Zeph_ClearCapture(ZephHandle handle, int32_t eye);
ZEPH_API ZephResult Zeph_ControlLed(ZephHandle handle, int32_t led, int32_t on,
                                    int32_t milliseconds);
ZEPH_API ZephResult Zeph_ControlBlinkingLed(ZephHandle handle, int32_t led, int32_t on,
                                            int32_t period, int32_t duration);

/* ---- Gallery and matching ------------------------------------------- */
/* ids: array of count NUL-terminated IDs (each at most 31 characters). */
ZEPH_API ZephResult Zeph_GetGalleryInfo(ZephHandle handle, const char *const **ids,
                                        int32_t *count, int32_t *freeSlots,
                                        int32_t *capacity);
ZEPH_API ZephResult Zeph_LoadGallery(ZephHandle handle, const char *const **ids,
                                     int32_t *count, int32_t *freeSlots, int32_t *capacity);
ZEPH_API ZephResult Zeph_GetEnrolleeInfo(ZephHandle handle, const char *id,
                                         ZephEnrolleeInfo *info);
ZEPH_API ZephResult Zeph_EnrollCapture(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_UnenrollTemplate(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_CommitGallery(ZephHandle handle);
/* distance: in, the largest distance of interest (the program passes 2.0). */
ZEPH_API ZephResult Zeph_Compare11(ZephHandle handle, const char *id, float *distance);
ZEPH_API ZephResult Zeph_Compare1N(ZephHandle handle, float maxDistance,
                                   const ZephMatchCandidate **candidates, int32_t *count);

/* ---- Security ------------------------------------------------------- */
ZEPH_API ZephResult Zeph_Login(ZephHandle handle, const char *id, int32_t role);
ZEPH_API ZephResult Zeph_Logout(ZephHandle handle);
ZEPH_API ZephResult Zeph_GetAdminGalleryInfo(ZephHandle handle, const char *const **ids,
                                             int32_t *count, int32_t *freeSlots,
                                             int32_t *capacity);
ZEPH_API ZephResult Zeph_EnrollAsAdmin(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_UnenrollAdmin(ZephHandle handle, const char *id);
ZEPH_API ZephResult Zeph_SetUserRole(ZephHandle handle, const char *id, int32_t role);
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

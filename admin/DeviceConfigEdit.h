#ifndef GLINTVIEW_DEVICECONFIGEDIT_H
#define GLINTVIEW_DEVICECONFIGEDIT_H

// What the device configuration dialog shows of the camera's record, and the
// record it builds from the operator's entries. Plain logic, so that every
// rule of the dialog can be checked without a window.

#include "zeph/zeph.h"

#include <QString>
#include <cstdint>

class DeviceConfigEdit
{
public:
    // Items of the stream scale list: item i is the divisor 2^i.
    static constexpr int kScaleItems = 5;
    // Items of the sleep mode list, in order: standby, sleep, deep sleep.
    static constexpr int kSleepModeItems = 3;
    static constexpr int kDefaultSleepAfter = 60;
    static constexpr int kMinSleepTimeout = 10;
    static constexpr int kMaxSleepTimeout = 65535;

    // The entries of the dialog's controls.
    struct Entries {
        bool forceEncryption = false;
        bool enableDedup = false;
        double dedupThreshold = 0.0;
        double authThreshold = 0.0;
        int compressionQuality = 1;
        bool supervisedEnrollment = false;
        bool dataClosure = false;
        bool enableStream = false;
        int streamFormat = ZEPH_FORMAT_MONO_RAW; // code of the one format item
        int scaleIndex = 0;                      // -1: no item selected
        int uartBaudrate = 0;
        bool hardwareFlowControl = false;
        bool autoSleep = false;
        int sleepModeIndex = 0;                  // -1: no item selected
        int sleepAfter = kDefaultSleepAfter;
        bool deepSleepInterrupt = false;
    };

    enum class Problem { None, SleepTimeout, CompressionQuality };

    // Only the divisors 1, 2, 4, 8 and 16 have an item; any other stored
    // value shows the first item.
    static int scaleIndex(uint8_t streamScale);
    // The divisor of an item; no item (-1) or an unknown one keeps `stored`.
    static uint8_t scaleFromIndex(int index, uint8_t stored);

    // The value (1, 2, 4) of each sleep mode item, 0 for no item.
    static uint8_t sleepModeValue(int index);
    // The item of a stored mode, or `fallback` when the mode has none.
    static int sleepModeIndex(uint8_t mode, int fallback);

    static bool sleepTimeoutInRange(int seconds);

    // The camera accepts thresholds only within [0.8, 1.1]; true when the
    // record has one outside that it judges (dedup only when dedup is on).
    static bool thresholdsOutOfRange(const ZephDeviceConfig &config);

    // The format the link streams: MONO_JPEG on UART, MONO_RAW otherwise.
    static int streamFormatFor(int commStd);

    static Entries entriesFrom(const ZephDeviceConfig &config, int commStd);

    // What keeps the entries from being sent: a sleep timeout outside
    // [10, 65535] while automatic sleep is on (the field is 16 bits), a
    // compression quality that does not fit 1..100.
    static Problem check(const Entries &entries);
    static QString problemText(Problem problem);

    // The record to send: `base` with the entries laid over it, so reserved
    // bytes and fields the dialog does not show keep their values. Automatic
    // sleep off writes timeout 0 and keeps the stored mode; dedup off keeps
    // the stored dedup threshold. Call only when check() found nothing.
    static ZephDeviceConfig recordFrom(const ZephDeviceConfig &base, const Entries &entries);
};

#endif

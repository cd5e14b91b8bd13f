#include "admin/DeviceConfigEdit.h"

namespace {

const uint8_t kSleepModes[DeviceConfigEdit::kSleepModeItems] = {
    ZEPH_SLEEP_STANDBY, ZEPH_SLEEP_SLEEP, ZEPH_SLEEP_DEEP};

uint8_t flag(bool on) { return on ? 1 : 0; }

} // namespace

int DeviceConfigEdit::scaleIndex(uint8_t streamScale)
{
    for (int i = 0; i < kScaleItems; ++i) {
        if (streamScale == (1u << i))
            return i;
    }
    return 0;
}

uint8_t DeviceConfigEdit::scaleFromIndex(int index, uint8_t stored)
{
    if (index < 0 || index >= kScaleItems)
        return stored;
    return static_cast<uint8_t>(1u << index);
}

uint8_t DeviceConfigEdit::sleepModeValue(int index)
{
    return index >= 0 && index < kSleepModeItems ? kSleepModes[index] : 0;
}

int DeviceConfigEdit::sleepModeIndex(uint8_t mode, int fallback)
{
    for (int i = 0; i < kSleepModeItems; ++i) {
        if (kSleepModes[i] == mode)
            return i;
    }
    return fallback;
}

bool DeviceConfigEdit::sleepTimeoutInRange(int seconds)
{
    return seconds >= kMinSleepTimeout && seconds <= kMaxSleepTimeout;
}

bool DeviceConfigEdit::thresholdsOutOfRange(const ZephDeviceConfig &c)
{
    // Compared in single precision, as the camera compares them; a NaN is
    // outside any range.
    const auto outside = [](float v) {
        return !(v >= ZEPH_THRESHOLD_MIN && v <= ZEPH_THRESHOLD_MAX);
    };
    return outside(c.authThreshold) || (c.enableDedup != 0 && outside(c.dedupThreshold));
}

int DeviceConfigEdit::streamFormatFor(int commStd)
{
    return commStd == ZEPH_COMM_UART ? ZEPH_FORMAT_MONO_JPEG : ZEPH_FORMAT_MONO_RAW;
}

DeviceConfigEdit::Entries DeviceConfigEdit::entriesFrom(const ZephDeviceConfig &c, int commStd)
{
    Entries e;
    e.forceEncryption = c.forceEncryption == 1;
    e.enableDedup = c.enableDedup != 0;
    e.dedupThreshold = c.dedupThreshold;
    e.authThreshold = c.authThreshold;
    e.compressionQuality = c.compressionQuality;
    e.supervisedEnrollment = c.supervisedEnrollment != 0;
    e.dataClosure = c.dataClosure != 0;
    e.enableStream = c.enableStream != 0;
    e.streamFormat = streamFormatFor(commStd);
    e.scaleIndex = scaleIndex(c.streamScale);
    // The spin box holds an int; a rate beyond it is no rate the camera takes.
    e.uartBaudrate = c.uartBaudrate > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(c.uartBaudrate);
    e.hardwareFlowControl = c.uartFlowControl == 1;
    e.autoSleep = c.sleepTimeout != 0;
    e.sleepModeIndex = sleepModeIndex(c.sleepMode, 0);
    e.sleepAfter = c.sleepTimeout != 0 ? c.sleepTimeout : kDefaultSleepAfter;
    e.deepSleepInterrupt = c.deepSleepInterrupt != 0;
    return e;
}

DeviceConfigEdit::Problem DeviceConfigEdit::check(const Entries &e)
{
    if (e.autoSleep && !sleepTimeoutInRange(e.sleepAfter))
        return Problem::SleepTimeout;
    if (e.compressionQuality < 1 || e.compressionQuality > 100)
        return Problem::CompressionQuality;
    return Problem::None;
}

QString DeviceConfigEdit::problemText(Problem problem)
{
    switch (problem) {
    case Problem::SleepTimeout:
        return QStringLiteral("The timeout to sleep must be in range [10-65535]");
    case Problem::CompressionQuality:
        return QStringLiteral("The compression quality must be in range [1-100]");
    case Problem::None:
        break;
    }
    return QString();
}

ZephDeviceConfig DeviceConfigEdit::recordFrom(const ZephDeviceConfig &base, const Entries &e)
{
    ZephDeviceConfig c = base;
    c.forceEncryption = flag(e.forceEncryption);
    c.enableDedup = flag(e.enableDedup);
    if (e.enableDedup)
        c.dedupThreshold = static_cast<float>(e.dedupThreshold);
    c.authThreshold = static_cast<float>(e.authThreshold);
    // check() has kept the value within 1..100, so the byte holds it whole.
    c.compressionQuality = static_cast<uint8_t>(e.compressionQuality);
    c.dataClosure = flag(e.dataClosure);
    c.enableStream = flag(e.enableStream);
    c.supervisedEnrollment = flag(e.supervisedEnrollment);
    c.streamFormat = static_cast<uint8_t>(e.streamFormat);
    c.streamScale = scaleFromIndex(e.scaleIndex, base.streamScale);
    c.uartBaudrate = e.uartBaudrate < 0 ? 0u : static_cast<uint32_t>(e.uartBaudrate);
    c.uartFlowControl = flag(e.hardwareFlowControl);
    if (e.autoSleep) {
        const uint8_t mode = sleepModeValue(e.sleepModeIndex);
        if (mode != 0)
            c.sleepMode = mode;
        // check() has kept it within [10, 65535].
        c.sleepTimeout = static_cast<uint16_t>(e.sleepAfter);
    } else {
        c.sleepTimeout = 0;
    }
    c.deepSleepInterrupt = flag(e.deepSleepInterrupt);
    return c;
}

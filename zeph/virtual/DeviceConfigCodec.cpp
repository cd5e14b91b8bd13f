#include "DeviceConfigCodec.h"

#include "ByteCodec.h"

#include <cmath>

namespace zvc {
namespace {

const uint8_t kMagic[4] = {'Z', 'V', 'D', 'C'};
constexpr uint16_t kFormatVersion = 1;

bool isFlag(uint8_t v) { return v <= 1; }

bool isThreshold(float v)
{
    return std::isfinite(v) && v >= ZEPH_THRESHOLD_MIN && v <= ZEPH_THRESHOLD_MAX;
}

} // namespace

bool DeviceConfigCodec::isStandardBaudrate(uint32_t baud)
{
    switch (baud) {
    case 9600: case 19200: case 38400: case 57600:
    case 115200: case 230400: case 460800: case 921600:
        return true;
    default:
        return false;
    }
}

bool DeviceConfigCodec::isValid(const ZephDeviceConfig &c)
{
    const bool scaleOk = c.streamScale == 1 || c.streamScale == 2 || c.streamScale == 4
                         || c.streamScale == 8 || c.streamScale == 16;
    const bool formatOk = c.streamFormat == ZEPH_FORMAT_MONO_RAW
                          || c.streamFormat == ZEPH_FORMAT_MONO_JPEG;
    const bool sleepOk = c.sleepMode == ZEPH_SLEEP_STANDBY || c.sleepMode == ZEPH_SLEEP_SLEEP
                         || c.sleepMode == ZEPH_SLEEP_DEEP;
    return isFlag(c.forceEncryption) && isFlag(c.enableDedup) && isFlag(c.supervisedEnrollment)
           && isFlag(c.dataClosure) && isFlag(c.enableStream) && isFlag(c.deepSleepInterrupt)
           && isThreshold(c.dedupThreshold) && isThreshold(c.authThreshold) && scaleOk
           && formatOk && c.compressionQuality >= 1 && c.compressionQuality <= 100
           && isStandardBaudrate(c.uartBaudrate) && isFlag(c.uartFlowControl) && sleepOk;
}

std::vector<uint8_t> DeviceConfigCodec::encodeRecord(const ZephDeviceConfig &c)
{
    ByteWriter w;
    w.u8(c.forceEncryption);
    w.u8(c.enableDedup);
    w.raw(c.reserved2, sizeof c.reserved2);
    w.f32(c.dedupThreshold);
    w.f32(c.authThreshold);
    w.u8(c.supervisedEnrollment);
    w.u8(c.dataClosure);
    w.u8(c.enableStream);
    w.u8(c.streamScale);
    w.u8(c.streamFormat);
    w.u8(c.compressionQuality);
    w.raw(c.reserved18, sizeof c.reserved18);
    w.u32(c.uartBaudrate);
    w.u8(c.uartFlowControl);
    w.raw(c.reserved25, sizeof c.reserved25);
    w.u8(c.deepSleepInterrupt);
    w.u8(c.sleepMode);
    w.u16(c.sleepTimeout);
    w.raw(c.reserved40, sizeof c.reserved40);
    return w.bytes();
}

std::optional<ZephDeviceConfig> DeviceConfigCodec::decodeRecord(const uint8_t *data,
                                                               std::size_t size)
{
    if (!data || size != kRecordSize)
        return std::nullopt;
    ByteReader r(data, size);
    ZephDeviceConfig c{};
    c.forceEncryption = r.u8();
    c.enableDedup = r.u8();
    r.raw(c.reserved2, sizeof c.reserved2);
    c.dedupThreshold = r.f32();
    c.authThreshold = r.f32();
    c.supervisedEnrollment = r.u8();
    c.dataClosure = r.u8();
    c.enableStream = r.u8();
    c.streamScale = r.u8();
    c.streamFormat = r.u8();
    c.compressionQuality = r.u8();
    r.raw(c.reserved18, sizeof c.reserved18);
    c.uartBaudrate = r.u32();
    c.uartFlowControl = r.u8();
    r.raw(c.reserved25, sizeof c.reserved25);
    c.deepSleepInterrupt = r.u8();
    c.sleepMode = r.u8();
    c.sleepTimeout = r.u16();
    r.raw(c.reserved40, sizeof c.reserved40);
    if (!r.ok() || r.remaining() != 0)
        return std::nullopt;
    return c;
}

std::vector<uint8_t> DeviceConfigCodec::encodeFile(const ZephDeviceConfig &config)
{
    ByteWriter w;
    w.raw(kMagic, sizeof kMagic);
    w.u16(kFormatVersion);
    w.u16(static_cast<uint16_t>(kRecordSize));
    const std::vector<uint8_t> record = encodeRecord(config);
    w.raw(record.data(), record.size());
    w.u32(crc32(w.bytes().data(), w.size()));
    return w.bytes();
}

std::optional<ZephDeviceConfig> DeviceConfigCodec::decodeFile(const std::vector<uint8_t> &bytes)
{
    if (bytes.size() != kFileSize)
        return std::nullopt;
    ByteReader r(bytes.data(), bytes.size());
    uint8_t magic[4];
    r.raw(magic, sizeof magic);
    const uint16_t version = r.u16();
    const uint16_t recordSize = r.u16();
    if (!r.ok() || magic[0] != kMagic[0] || magic[1] != kMagic[1] || magic[2] != kMagic[2]
        || magic[3] != kMagic[3] || version != kFormatVersion || recordSize != kRecordSize)
        return std::nullopt;
    const std::size_t crcAt = bytes.size() - 4;
    ByteReader crcReader(bytes.data() + crcAt, 4);
    if (crcReader.u32() != crc32(bytes.data(), crcAt))
        return std::nullopt;
    std::optional<ZephDeviceConfig> config = decodeRecord(bytes.data() + r.position(), kRecordSize);
    if (!config || !isValid(*config))
        return std::nullopt;
    return config;
}

} // namespace zvc

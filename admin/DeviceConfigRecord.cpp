#include "admin/DeviceConfigRecord.h"

#include <cstring>

namespace DeviceConfigRecord {

namespace {

// Offsets of the record, in the order of the layout above.
enum Offset : std::size_t {
    kForceEncryption = 0,
    kEnableDedup = 1,
    kReserved2 = 2,
    kDedupThreshold = 4,
    kAuthThreshold = 8,
    kSupervisedEnrollment = 12,
    kDataClosure = 13,
    kEnableStream = 14,
    kStreamScale = 15,
    kStreamFormat = 16,
    kCompressionQuality = 17,
    kReserved18 = 18,
    kUartBaudrate = 20,
    kUartFlowControl = 24,
    kReserved25 = 25,
    kDeepSleepInterrupt = 36,
    kSleepMode = 37,
    kSleepTimeout = 38,
    kReserved40 = 40
};
static_assert(kReserved40 + sizeof(ZephDeviceConfig::reserved40) == kSize, "layout ends at 52");

// Little-endian access at fixed offsets of a buffer of kSize bytes; the
// offsets are constants of the layout, so every access is in bounds.
class Reader
{
public:
    explicit Reader(const uint8_t *data) : m_data(data) {}
    uint8_t u8(std::size_t at) const { return m_data[at]; }
    uint16_t u16(std::size_t at) const
    {
        return static_cast<uint16_t>(m_data[at] | m_data[at + 1] << 8);
    }
    uint32_t u32(std::size_t at) const
    {
        return uint32_t(m_data[at]) | uint32_t(m_data[at + 1]) << 8
               | uint32_t(m_data[at + 2]) << 16 | uint32_t(m_data[at + 3]) << 24;
    }
    float f32(std::size_t at) const
    {
        const uint32_t bits = u32(at);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    template <std::size_t N>
    void raw(std::size_t at, uint8_t (&out)[N]) const
    {
        for (std::size_t i = 0; i < N; ++i)
            out[i] = m_data[at + i];
    }

private:
    const uint8_t *m_data;
};

class Writer
{
public:
    explicit Writer(Bytes &bytes) : m_bytes(bytes) { m_bytes.fill(0); }
    void u8(std::size_t at, uint8_t v) { m_bytes[at] = v; }
    void u16(std::size_t at, uint16_t v)
    {
        m_bytes[at] = static_cast<uint8_t>(v & 0xFF);
        m_bytes[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void u32(std::size_t at, uint32_t v)
    {
        for (std::size_t i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void f32(std::size_t at, float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(at, bits);
    }
    template <std::size_t N>
    void raw(std::size_t at, const uint8_t (&in)[N])
    {
        for (std::size_t i = 0; i < N; ++i)
            m_bytes[at + i] = in[i];
    }

private:
    Bytes &m_bytes;
};

} // namespace

Bytes encode(const ZephDeviceConfig &c)
{
    Bytes bytes;
    Writer w(bytes);
    w.u8(kForceEncryption, c.forceEncryption);
    w.u8(kEnableDedup, c.enableDedup);
    w.raw(kReserved2, c.reserved2);
    w.f32(kDedupThreshold, c.dedupThreshold);
    w.f32(kAuthThreshold, c.authThreshold);
    w.u8(kSupervisedEnrollment, c.supervisedEnrollment);
    w.u8(kDataClosure, c.dataClosure);
    w.u8(kEnableStream, c.enableStream);
    w.u8(kStreamScale, c.streamScale);
    w.u8(kStreamFormat, c.streamFormat);
    w.u8(kCompressionQuality, c.compressionQuality);
    w.raw(kReserved18, c.reserved18);
    w.u32(kUartBaudrate, c.uartBaudrate);
    w.u8(kUartFlowControl, c.uartFlowControl);
    w.raw(kReserved25, c.reserved25);
    w.u8(kDeepSleepInterrupt, c.deepSleepInterrupt);
    w.u8(kSleepMode, c.sleepMode);
    w.u16(kSleepTimeout, c.sleepTimeout);
    w.raw(kReserved40, c.reserved40);
    return bytes;
}

std::optional<ZephDeviceConfig> decode(const uint8_t *data, std::size_t size)
{
    if (!data || size != kSize)
        return std::nullopt;
    const Reader r(data);
    ZephDeviceConfig c{};
    c.forceEncryption = r.u8(kForceEncryption);
    c.enableDedup = r.u8(kEnableDedup);
    r.raw(kReserved2, c.reserved2);
    c.dedupThreshold = r.f32(kDedupThreshold);
    c.authThreshold = r.f32(kAuthThreshold);
    c.supervisedEnrollment = r.u8(kSupervisedEnrollment);
    c.dataClosure = r.u8(kDataClosure);
    c.enableStream = r.u8(kEnableStream);
    c.streamScale = r.u8(kStreamScale);
    c.streamFormat = r.u8(kStreamFormat);
    c.compressionQuality = r.u8(kCompressionQuality);
    r.raw(kReserved18, c.reserved18);
    c.uartBaudrate = r.u32(kUartBaudrate);
    c.uartFlowControl = r.u8(kUartFlowControl);
    r.raw(kReserved25, c.reserved25);
    c.deepSleepInterrupt = r.u8(kDeepSleepInterrupt);
    c.sleepMode = r.u8(kSleepMode);
    c.sleepTimeout = r.u16(kSleepTimeout);
    r.raw(kReserved40, c.reserved40);
    return c;
}

bool same(const ZephDeviceConfig &a, const ZephDeviceConfig &b)
{
    return encode(a) == encode(b);
}

} // namespace DeviceConfigRecord

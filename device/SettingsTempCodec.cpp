#include "device/SettingsTempCodec.h"

namespace SettingsTempCodec {

namespace {

constexpr std::size_t kTagOffset = 0;
constexpr std::size_t kSaveBestOffset = 4;
constexpr std::size_t kPathOffset = 8;
constexpr std::size_t kRawAsBmpOffset = kPathOffset + 2 * kPathUnits; // 528
constexpr std::size_t kBaudrateOffset = 532;
constexpr std::size_t kFlowControlOffset = 536;
constexpr std::size_t kCommStdOffset = 540;
static_assert(kRawAsBmpOffset == 528, "path field is 520 bytes");
static_assert(kCommStdOffset + 4 == kFileSize, "the last field ends the file");

// Written as absent: values no reader accepts.
constexpr uint32_t kAbsentBaudrate = 0;
constexpr uint32_t kAbsentFlowControl = 0xFF;
constexpr int32_t kAbsentCommStd = 0;

// Reads little-endian values at fixed offsets of a buffer whose size the
// caller has already checked against kFileSize.
class Reader
{
public:
    explicit Reader(const uint8_t *data) : m_data(data) {}
    uint32_t u32(std::size_t offset) const
    {
        return uint32_t(m_data[offset]) | uint32_t(m_data[offset + 1]) << 8
               | uint32_t(m_data[offset + 2]) << 16 | uint32_t(m_data[offset + 3]) << 24;
    }
    int32_t i32(std::size_t offset) const { return static_cast<int32_t>(u32(offset)); }
    char16_t u16(std::size_t offset) const
    {
        return static_cast<char16_t>(m_data[offset] | m_data[offset + 1] << 8);
    }
    uint8_t u8(std::size_t offset) const { return m_data[offset]; }

private:
    const uint8_t *m_data;
};

class Writer
{
public:
    explicit Writer(Bytes &bytes) : m_bytes(bytes) { m_bytes.fill(0); }
    void u32(std::size_t offset, uint32_t v)
    {
        for (std::size_t i = 0; i < 4; ++i)
            m_bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void i32(std::size_t offset, int32_t v) { u32(offset, static_cast<uint32_t>(v)); }
    void u16(std::size_t offset, char16_t v)
    {
        m_bytes[offset] = static_cast<uint8_t>(v & 0xFF);
        m_bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
    }
    void u8(std::size_t offset, uint8_t v) { m_bytes[offset] = v; }

private:
    Bytes &m_bytes;
};

bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

// How many units of `path` go into the field: up to an embedded zero, at most
// kMaxPathUnits, and not ending between the halves of a surrogate pair.
std::size_t storedPathLength(const std::u16string &path)
{
    std::size_t n = 0;
    while (n < path.size() && n < kMaxPathUnits && path[n] != 0)
        ++n;
    if (n == kMaxPathUnits && n < path.size() && path[n] != 0 && isHighSurrogate(path[n - 1]))
        --n;
    return n;
}

} // namespace

bool Record::operator==(const Record &o) const
{
    return saveBestImage == o.saveBestImage && savedImagePath == o.savedImagePath
           && rawImageAsBmp == o.rawImageAsBmp && uartBaudrate == o.uartBaudrate
           && uartFlowControl == o.uartFlowControl && pendingCommStd == o.pendingCommStd;
}

std::optional<Record> decode(const uint8_t *data, std::size_t size)
{
    if (!data || size != kFileSize)
        return std::nullopt;
    const Reader in(data);
    if (in.u32(kTagOffset) != kFormatTag)
        return std::nullopt;

    Record r;
    r.saveBestImage = in.u8(kSaveBestOffset) != 0; // bytes 1..3 are filler

    // The last unit of the field is the terminator's place; a file without
    // any zero still gives the 259 units before it.
    for (std::size_t i = 0; i < kMaxPathUnits; ++i) {
        const char16_t unit = in.u16(kPathOffset + 2 * i);
        if (unit == 0)
            break;
        r.savedImagePath.push_back(unit);
    }

    r.rawImageAsBmp = in.u32(kRawAsBmpOffset) == 1;

    const uint32_t baud = in.u32(kBaudrateOffset);
    if (baud != 0)
        r.uartBaudrate = baud;
    const uint32_t flow = in.u32(kFlowControlOffset);
    if (flow == 0 || flow == 1)
        r.uartFlowControl = static_cast<uint8_t>(flow);
    const int32_t commStd = in.i32(kCommStdOffset);
    if (commStd == 1 || commStd == 2)
        r.pendingCommStd = commStd;
    return r;
}

Bytes encode(const Record &r)
{
    Bytes bytes;
    Writer out(bytes);
    out.u32(kTagOffset, kFormatTag);
    out.u8(kSaveBestOffset, r.saveBestImage ? 1 : 0);
    const std::size_t n = storedPathLength(r.savedImagePath);
    for (std::size_t i = 0; i < n; ++i)
        out.u16(kPathOffset + 2 * i, r.savedImagePath[i]);
    out.u32(kRawAsBmpOffset, r.rawImageAsBmp ? 1 : 0);
    out.u32(kBaudrateOffset, r.uartBaudrate.value_or(kAbsentBaudrate));
    out.u32(kFlowControlOffset, r.uartFlowControl ? *r.uartFlowControl : kAbsentFlowControl);
    out.i32(kCommStdOffset, r.pendingCommStd.value_or(kAbsentCommStd));
    return bytes;
}

} // namespace SettingsTempCodec

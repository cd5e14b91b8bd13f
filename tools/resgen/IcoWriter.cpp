#include "IcoWriter.h"

#include "LittleEndian.h"

namespace resgen {

QByteArray IcoWriter::encode(const QVector<Entry> &entries)
{
    if (entries.isEmpty() || entries.size() > 0xFFFF)
        return {};
    for (const Entry &e : entries) {
        if (e.size < 1 || e.size > 256 || e.png.isEmpty())
            return {};
    }

    QByteArray out;
    LittleEndian le(out);
    le.u16(0); // reserved
    le.u16(1); // type: icon
    le.u16(static_cast<std::uint16_t>(entries.size()));

    std::uint32_t offset = HeaderSize + DirectoryEntrySize * static_cast<std::uint32_t>(entries.size());
    for (const Entry &e : entries) {
        const std::uint8_t edge = static_cast<std::uint8_t>(e.size == 256 ? 0 : e.size);
        le.u8(edge);  // width
        le.u8(edge);  // height
        le.u8(0);     // no palette
        le.u8(0);     // reserved
        le.u16(1);    // colour planes
        le.u16(32);   // bits per pixel
        le.u32(static_cast<std::uint32_t>(e.png.size()));
        le.u32(offset);
        offset += static_cast<std::uint32_t>(e.png.size());
    }
    for (const Entry &e : entries)
        le.bytes(e.png);
    return out;
}

} // namespace resgen

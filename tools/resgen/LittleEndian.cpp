#include "LittleEndian.h"

namespace resgen {

void LittleEndian::u8(std::uint8_t v)
{
    m_out.append(static_cast<char>(v));
}

void LittleEndian::u16(std::uint16_t v)
{
    u8(static_cast<std::uint8_t>(v & 0xFFu));
    u8(static_cast<std::uint8_t>(v >> 8));
}

void LittleEndian::u32(std::uint32_t v)
{
    u16(static_cast<std::uint16_t>(v & 0xFFFFu));
    u16(static_cast<std::uint16_t>(v >> 16));
}

void LittleEndian::i16(std::int16_t v)
{
    u16(static_cast<std::uint16_t>(v));
}

void LittleEndian::i32(std::int32_t v)
{
    u32(static_cast<std::uint32_t>(v));
}

void LittleEndian::tag(const char (&fourCc)[5])
{
    m_out.append(fourCc, 4);
}

void LittleEndian::bytes(const QByteArray &data)
{
    m_out.append(data);
}

} // namespace resgen

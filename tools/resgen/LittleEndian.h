#ifndef RESGEN_LITTLEENDIAN_H
#define RESGEN_LITTLEENDIAN_H

#include <QByteArray>
#include <cstdint>

namespace resgen {

// Appends integers to a byte array least significant byte first, one field at
// a time, so that file headers never depend on the host's struct layout.
class LittleEndian
{
public:
    explicit LittleEndian(QByteArray &out) : m_out(out) {}

    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void i16(std::int16_t v);
    void i32(std::int32_t v);
    void tag(const char (&fourCc)[5]); // four ASCII bytes, no terminator
    void bytes(const QByteArray &data);

private:
    QByteArray &m_out;
};

} // namespace resgen

#endif

#include "ByteCodec.h"

#include <array>
#include <cstring>

namespace zvc {

void ByteWriter::u16(uint16_t v)
{
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void ByteWriter::u64(uint64_t v)
{
    for (int shift = 0; shift < 64; shift += 8)
        bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void ByteWriter::f32(float v)
{
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof v, "float is 32 bits");
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void ByteWriter::raw(const uint8_t *data, std::size_t size)
{
    bytes_.insert(bytes_.end(), data, data + size);
}

bool ByteReader::take(std::size_t n)
{
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t ByteReader::u8()
{
    if (!take(1))
        return 0;
    return data_[pos_++];
}

uint16_t ByteReader::u16()
{
    if (!take(2))
        return 0;
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t ByteReader::u32()
{
    if (!take(4))
        return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
}

uint64_t ByteReader::u64()
{
    if (!take(8))
        return 0;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 8;
    return v;
}

float ByteReader::f32()
{
    const uint32_t bits = u32();
    float v = 0.0f;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void ByteReader::raw(uint8_t *out, std::size_t size)
{
    if (!take(size)) {
        std::memset(out, 0, size);
        return;
    }
    std::memcpy(out, data_ + pos_, size);
    pos_ += size;
}

uint32_t crc32(const uint8_t *data, std::size_t size) { return crc32Update(0, data, size); }

uint32_t crc32Update(uint32_t previous, const uint8_t *data, std::size_t size)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = previous ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace zvc

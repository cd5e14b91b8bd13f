// Little-endian field-by-field encoding for the records the camera keeps in
// its state folder. Records are never written by dumping a struct: the
// layout on disk must not depend on the compiler.
#ifndef ZEPH_VIRTUAL_BYTECODEC_H
#define ZEPH_VIRTUAL_BYTECODEC_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zvc {

class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void f32(float v);
    void raw(const uint8_t *data, std::size_t size);

    const std::vector<uint8_t> &bytes() const { return bytes_; }
    std::vector<uint8_t> &bytes() { return bytes_; }
    void reserve(std::size_t n) { bytes_.reserve(n); }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads from a span; every read past the end fails and latches `ok()` false,
// so a decoder can read a whole record and test once.
class ByteReader {
public:
    ByteReader(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    float f32();
    void raw(uint8_t *out, std::size_t size);

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }

private:
    bool take(std::size_t n);

    const uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// CRC-32 (IEEE 802.3 polynomial, reflected), as zip and PNG use it.
uint32_t crc32(const uint8_t *data, std::size_t size);
// Continues a CRC-32 over more bytes: crc32Update(crc32(a), b) == crc32(a + b).
uint32_t crc32Update(uint32_t crc, const uint8_t *data, std::size_t size);

} // namespace zvc

#endif

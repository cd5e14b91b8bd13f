// ByteWriter.h - appends fixed-width fields to a byte vector, or patches
// them at an offset already written; little- or big-endian by call.
#ifndef ZEPH_IMAGING_BYTEWRITER_H
#define ZEPH_IMAGING_BYTEWRITER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeph_imaging {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t> &out) : out_(out) {}
    size_t size() const { return out_.size(); }
    void u8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void be16(uint32_t v) { u8(v >> 8); u8(v); }
    void be32(uint32_t v) { be16(v >> 16); be16(v); }
    void le16(uint32_t v) { u8(v); u8(v >> 8); }
    void le32(uint32_t v) { le16(v); le16(v >> 16); }
    void zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    void bytes(const uint8_t *p, size_t n) { if (n) out_.insert(out_.end(), p, p + n); }
    void text(const char *s, size_t n) { for (size_t i = 0; i < n; ++i) u8(static_cast<uint8_t>(s[i])); }
    void patchBe32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.at(at + i) = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
    void patchLe32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t> &out_;
};

} // namespace zeph_imaging

#endif

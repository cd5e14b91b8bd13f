#include "capture/BmpWriter.h"

#include <QIODevice>

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint64_t kMaxSigned = 0x7FFFFFFF;
constexpr uint64_t kMaxFileSize = 0xFFFFFFFF;

void put16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t *p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

bool writeAll(QIODevice &out, const uint8_t *data, uint64_t size)
{
    while (size > 0) {
        const qint64 n = out.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

uint64_t BmpWriter::paddedRowSize(uint32_t width)
{
    return (static_cast<uint64_t>(width) + 3) & ~uint64_t(3);
}

uint64_t BmpWriter::fileSize(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0 || width > kMaxSigned || height > kMaxSigned)
        return 0;
    const uint64_t row = paddedRowSize(width);
    // Both factors are below 2^32, so the product cannot wrap 64 bits.
    const uint64_t total = kPixelOffset + row * height;
    return total <= kMaxFileSize ? total : 0;
}

bool BmpWriter::write(QIODevice &out, uint32_t width, uint32_t height,
                      const uint8_t *pixels, uint64_t pixelBytes)
{
    const uint64_t total = fileSize(width, height);
    if (total == 0 || !pixels || static_cast<uint64_t>(width) * height > pixelBytes)
        return false;
    const uint64_t row = paddedRowSize(width);

    std::array<uint8_t, kPixelOffset> header{};
    uint8_t *h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<uint32_t>(total));
    put32(h + 6, 0);
    put32(h + 10, kPixelOffset);
    put32(h + 14, kInfoHeaderSize);
    put32(h + 18, width);
    put32(h + 22, height);
    put16(h + 26, 1);
    put16(h + 28, 8);
    put32(h + 30, 0);
    put32(h + 34, static_cast<uint32_t>(row * height));
    put32(h + 38, 0);
    put32(h + 42, 0);
    put32(h + 46, 256);
    put32(h + 50, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        uint8_t *entry = h + 54 + 4 * i;
        entry[0] = entry[1] = entry[2] = static_cast<uint8_t>(i);
        entry[3] = 0;
    }
    if (!writeAll(out, h, header.size()))
        return false;

    // One padded row at a time, the last image row first.
    std::vector<uint8_t> line(static_cast<std::size_t>(row), 0);
    for (uint32_t y = height; y-- > 0;) {
        std::memcpy(line.data(), pixels + static_cast<uint64_t>(y) * width, width);
        if (!writeAll(out, line.data(), row))
            return false;
    }
    return true;
}

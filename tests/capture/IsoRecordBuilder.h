#pragma once

// Hand-built iris records for the parser and saver tests: the fields the
// program reads at their offsets, big-endian, the rest of the headers zero.
// The lying variants overwrite single fields afterwards (count, length).

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace IsoRecordBuilder {

struct Image {
    uint16_t width = 0;   // 2011 only; 2005 takes the record's size
    uint16_t height = 0;
    QByteArray data;
};

inline void put(QByteArray &b, int offset, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[offset + i] = char((value >> (8 * (bytes - 1 - i))) & 0xFF);
}

// Bytes 0..n-1 of a recognisable pattern.
inline QByteArray pattern(int n, int seed)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 7 + seed * 31) & 0xFF);
    return b;
}

// 2005: 45-byte header (count at 14, width/height at 23/25), 14-byte blocks.
inline QByteArray edition2005(const std::vector<Image> &images, uint16_t width, uint16_t height)
{
    QByteArray r(45, 0);
    r.replace(0, 8, QByteArray("IIR\0" "010\0", 8));
    put(r, 14, images.size(), 1);
    put(r, 15, 45, 2);
    put(r, 23, width, 2);
    put(r, 25, height, 2);
    for (const Image &image : images) {
        QByteArray block(14, 0);
        put(block, 1, 1, 2);
        put(block, 10, uint64_t(image.data.size()), 4);
        r += block + image.data;
    }
    put(r, 8, uint64_t(r.size()), 4);
    return r;
}

// 2011: 16-byte header (count at 12), 57-byte blocks (width/height at 30/32,
// length at 53) with one quality block.
inline QByteArray edition2011(const std::vector<Image> &images)
{
    QByteArray r(16, 0);
    r.replace(0, 8, QByteArray("IIR\0" "020\0", 8));
    put(r, 12, images.size(), 2);
    put(r, 15, images.size(), 1);
    for (const Image &image : images) {
        QByteArray block(57, 0);
        put(block, 0, uint64_t(57 + image.data.size()), 4);
        put(block, 18, 1, 1);
        put(block, 30, image.width, 2);
        put(block, 32, image.height, 2);
        put(block, 53, uint64_t(image.data.size()), 4);
        r += block + image.data;
    }
    put(r, 8, uint64_t(r.size()), 4);
    return r;
}

} // namespace IsoRecordBuilder

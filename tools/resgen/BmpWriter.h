#ifndef RESGEN_BMPWRITER_H
#define RESGEN_BMPWRITER_H

#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace resgen {

// Encodes an image as an uncompressed 24-bit Windows bitmap: a 14-byte file
// header, a 40-byte information header, then the rows bottom-up in B, G, R
// order, each padded with zeros to a multiple of four bytes. Alpha is dropped
// (the image is composed over nothing: callers paint opaque pictures).
class BmpWriter
{
public:
    static constexpr int FileHeaderSize = 14;
    static constexpr int InfoHeaderSize = 40;
    static constexpr int PixelOffset = FileHeaderSize + InfoHeaderSize;
    static constexpr std::uint32_t PixelsPerMetre = 3780; // 96 dpi

    static int rowStride(int width);
    // Empty for a null image.
    static QByteArray encode(const QImage &image);
};

} // namespace resgen

#endif

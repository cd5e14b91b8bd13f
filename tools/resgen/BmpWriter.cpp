#include "BmpWriter.h"

#include "LittleEndian.h"

namespace resgen {

int BmpWriter::rowStride(int width)
{
    return (width * 3 + 3) / 4 * 4;
}

QByteArray BmpWriter::encode(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int width = rgb.width();
    const int height = rgb.height();
    const int stride = rowStride(width);
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(height);

    QByteArray out;
    out.reserve(PixelOffset + static_cast<int>(pixelBytes));
    LittleEndian le(out);

    // File header.
    le.u8('B');
    le.u8('M');
    le.u32(PixelOffset + pixelBytes); // file size
    le.u16(0);                        // reserved
    le.u16(0);                        // reserved
    le.u32(PixelOffset);              // offset of the pixels

    // Information header.
    le.u32(InfoHeaderSize);
    le.i32(width);
    le.i32(height); // positive: rows are stored bottom-up
    le.u16(1);      // planes
    le.u16(24);     // bits per pixel
    le.u32(0);      // no compression
    le.u32(pixelBytes);
    le.i32(static_cast<std::int32_t>(PixelsPerMetre));
    le.i32(static_cast<std::int32_t>(PixelsPerMetre));
    le.u32(0); // colours used: none (no palette)
    le.u32(0); // important colours: all

    const int padding = stride - width * 3;
    for (int y = height - 1; y >= 0; --y) {
        const uchar *line = rgb.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            le.u8(line[x * 3 + 2]);
            le.u8(line[x * 3 + 1]);
            le.u8(line[x * 3 + 0]);
        }
        for (int p = 0; p < padding; ++p)
            le.u8(0);
    }
    return out;
}

} // namespace resgen

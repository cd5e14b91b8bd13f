#ifndef GLINTVIEW_BMPWRITER_H
#define GLINTVIEW_BMPWRITER_H

// Our 8-bit grey BMP: little-endian, a palette of 256 greys, rows bottom-up
// and padded with zero bytes to a multiple of 4.
//
//    0  2  "BM"                 26  2  planes 1
//    2  4  file size            28  2  bits per pixel 8
//    6  4  reserved 0           30  4  compression 0
//   10  4  pixel offset 1078    34  4  image size (padded row × height)
//   14  4  header size 40       38  8  resolution 0, 0
//   18  4  width                46  4  colours used 256
//   22  4  height (positive)    50  4  important colours 256
//   54  1024 palette: entry i = (i, i, i, 0) as blue, green, red, 0
//   1078   pixels, last image row first
//
//   QFile f(path); f.open(QIODevice::WriteOnly);
//   bool ok = BmpWriter::write(f, image.width, image.height, image.data, image.size);

#include <QtGlobal>
#include <cstdint>

class QIODevice;

class BmpWriter
{
public:
    static constexpr uint32_t kPixelOffset = 1078;

    // Bytes of one stored row: width rounded up to a multiple of 4.
    static uint64_t paddedRowSize(uint32_t width);
    // Size of the whole file, or 0 when the image cannot be stored: a width
    // or height of 0, a width or height that the signed fields cannot hold,
    // or a file that would not fit the 32-bit size field.
    static uint64_t fileSize(uint32_t width, uint32_t height);

    // Writes the file to `out` (row by row; no copy of the whole image).
    // False, before anything is written, when fileSize() is 0, pixels is
    // null or holds fewer than width × height bytes; false when `out`
    // refuses a write.
    static bool write(QIODevice &out, uint32_t width, uint32_t height,
                      const uint8_t *pixels, uint64_t pixelBytes);
};

#endif

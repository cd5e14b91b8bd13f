// Jpeg2000Encoder.h - grey JPEG 2000 into memory, as a JP2 file or a bare
// codestream.
#ifndef ZEPH_IMAGING_JPEG2000ENCODER_H
#define ZEPH_IMAGING_JPEG2000ENCODER_H

#include "GreyImage.h"

#include <cstddef>

namespace zeph_imaging {

enum class Jp2Wrapping { File, Codestream };

// quality 1..100: compression ratio 100 / quality; 100 is lossless.
std::vector<uint8_t> encodeJpeg2000(const GreyImage &image, int quality, Jp2Wrapping wrapping);
// Lossy, at most maxBytes long (empty when that cannot be reached).
std::vector<uint8_t> encodeJpeg2000Budget(const GreyImage &image, size_t maxBytes, Jp2Wrapping wrapping);

} // namespace zeph_imaging

#endif

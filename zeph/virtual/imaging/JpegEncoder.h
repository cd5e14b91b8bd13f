// JpegEncoder.h - baseline grey JPEG into memory.
#ifndef ZEPH_IMAGING_JPEGENCODER_H
#define ZEPH_IMAGING_JPEGENCODER_H

#include "GreyImage.h"

namespace zeph_imaging {

// quality 1..100 (clamped). Empty on failure.
std::vector<uint8_t> encodeJpeg(const GreyImage &image, int quality);

} // namespace zeph_imaging

#endif

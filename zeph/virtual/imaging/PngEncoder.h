// PngEncoder.h - 8-bit grey PNG into memory.
#ifndef ZEPH_IMAGING_PNGENCODER_H
#define ZEPH_IMAGING_PNGENCODER_H

#include "GreyImage.h"

namespace zeph_imaging {

std::vector<uint8_t> encodePng(const GreyImage &image);

} // namespace zeph_imaging

#endif

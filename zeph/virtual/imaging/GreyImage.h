// GreyImage.h - an 8-bit grey picture, row after row, no padding.
#ifndef ZEPH_IMAGING_GREYIMAGE_H
#define ZEPH_IMAGING_GREYIMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeph_imaging {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    GreyImage() = default;
    GreyImage(int w, int h, uint8_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint8_t &at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    // Edge pixels repeat outside the picture, so crops near a border stay plausible.
    uint8_t clampedAt(int x, int y) const
    {
        x = x < 0 ? 0 : (x >= width ? width - 1 : x);
        y = y < 0 ? 0 : (y >= height ? height - 1 : y);
        return at(x, y);
    }
};

} // namespace zeph_imaging

#endif

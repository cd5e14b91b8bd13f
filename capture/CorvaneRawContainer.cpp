#include "capture/CorvaneRawContainer.h"

namespace {

uint32_t le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
           | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

bool readCorvaneRawContainer(const uint8_t *data, size_t size, uint64_t maxPixels, CorvaneRawFrame *frame)
{
    if (!data || !frame || size < 12)
        return false;
    const bool extended = data[0] == 0xFF;
    // 64-bit throughout: L, width and height are the sender's word only.
    const uint64_t total = size;
    const uint64_t widthAt = 12 + static_cast<uint64_t>(le32(data + 8)) + (extended ? 4 : 0);
    if (widthAt + 8 > total)
        return false;
    const uint32_t width = le32(data + widthAt);
    const uint32_t height = le32(data + widthAt + 4);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return false;
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    const uint64_t pixelAt = widthAt + 8 + (extended ? 32 : 0);
    if (pixels > maxPixels || pixelAt > total || pixels > total - pixelAt)
        return false;
    frame->width = width;
    frame->height = height;
    frame->pixelOffset = static_cast<size_t>(pixelAt);
    frame->extended = extended;
    return true;
}

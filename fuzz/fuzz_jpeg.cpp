// Any bytes through the preview JPEG decoder: into a frame buffer of exactly
// 640 x 480 (so a write past it is caught), and once more letting the
// decoder allocate the output itself, with the scalar inverse DCT: both
// must give the same answer and the same pixels.
#include "capture/JpegDecoder.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static JpegDecoder *decoder = [] {
        auto *d = new JpegDecoder;
        if (d->init(640, 480) != JPEG_OK)
            std::abort();
        return d;
    }();
    static JpegDecoder *scalar = [] {
        auto *d = new JpegDecoder;
        if (d->init(640, 480) != JPEG_OK)
            std::abort();
        d->setWideInverseDct(false);
        return d;
    }();
    static std::vector<uint8_t> frame(640 * 480);

    uint8_t *out = frame.data();
    size_t capacity = frame.size();
    int32_t width = 0, height = 0;
    const int32_t rc = decoder->decode(data, static_cast<int64_t>(size), &out, &capacity, &width, &height);
    if (rc == JPEG_OK && (capacity != static_cast<size_t>(width) * height || capacity > frame.size()))
        std::abort();

    // The allocating path, on a small share of inputs to keep the pace.
    if (size > 0 && (data[size - 1] & 7) == 0) {
        uint8_t *mine = nullptr;
        capacity = 0;
        const size_t first = static_cast<size_t>(width) * height;
        const int32_t again = scalar->decode(data, static_cast<int64_t>(size), &mine, &capacity, &width, &height);
        if (again != rc)
            std::abort();
        if (again == JPEG_OK && (capacity != first || std::memcmp(mine, frame.data(), capacity) != 0))
            std::abort();
        std::free(mine);
    }
    return 0;
}

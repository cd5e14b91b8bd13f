// DecompressJp2 on frames made in memory by the virtual camera's encoder:
// honest ones, and the ones it must refuse. Full 640 x 480 and odd-sized
// grey frames, drawn exactly, are capture/tst_captureresults's.

#include "platform/Jp2Decompress.h"

#include "zeph/virtual/imaging/Jpeg2000Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using zeph_imaging::Jp2Wrapping;

constexpr uint8_t kMonoJpeg2000 = 10;

int sample(int x, int y)
{
    return ((x * 7 + y * 3) ^ (x * y)) & 0xFF;
}

// A grey frame, lossless unless a lower quality is asked for.
Bytes encode(int width, int height, int quality = 100, Jp2Wrapping wrapping = Jp2Wrapping::Codestream)
{
    zeph_imaging::GreyImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at(x, y) = static_cast<uint8_t>(sample(x, y));
    return zeph_imaging::encodeJpeg2000(image, quality, wrapping);
}

// The codestream with its size header (right after the start marker) telling
// of other components: a frame is judged by that header before a byte is
// decoded. Its length is at 4, the component count at 40, then three bytes a
// component, the first being the depth less one.
Bytes withComponents(Bytes j2k, uint8_t components, uint8_t depth)
{
    const uint8_t component[3] = {static_cast<uint8_t>(depth - 1), 1, 1};
    j2k.erase(j2k.begin() + 42, j2k.begin() + 45);
    for (int c = 0; c < components; ++c)
        j2k.insert(j2k.begin() + 42, component, component + 3);
    j2k[5] = static_cast<uint8_t>(38 + 3 * components);
    j2k[41] = components;
    return j2k;
}

struct Call {
    int32_t rc;
    uint32_t width, height;
    uint8_t format;
    Bytes pixels;
};

// The ten-argument call as the program makes it.
Call decompress(const Bytes &jp2, uint32_t capacity, uint8_t format = kMonoJpeg2000)
{
    struct Record {
        uint8_t format;
        uint32_t width, height, size;
        const uint8_t *data;
    } src{format, 0, 0, static_cast<uint32_t>(jp2.size()), jp2.data()};
    Record dst{2, capacity, 0, 0, nullptr};
    Call call{};
    call.pixels.assign(static_cast<size_t>(capacity) + 32, 0xA5);
    call.rc = DecompressJp2(&src, &src.format, &src.size, 0, src.data, &dst, &dst.format, &dst.width,
                            &dst.height, call.pixels.data());
    call.width = dst.width;
    call.height = dst.height;
    call.format = dst.format;
    EXPECT_TRUE(std::all_of(call.pixels.begin() + capacity, call.pixels.end(), [](uint8_t b) { return b == 0xA5; }))
        << "wrote past the capacity";
    return call;
}

TEST(Jp2Decompress, DecodesOrRefuses)
{
    const Bytes grey = encode(64, 48);
    Bytes cut(grey.begin(), grey.begin() + static_cast<long>(grey.size() / 3));
    struct Case {
        const char *name;
        Bytes data;
        uint32_t capacity;
        uint8_t format;
        int32_t rc;
        int width = 0, height = 0; // of a frame decoded
        bool exact = true;         // pixel for pixel
    } cases[] = {
        {"64 x 48", grey, 307200, kMonoJpeg2000, JP2_OK, 64, 48},
        {"1 x 1", encode(1, 1), 307200, kMonoJpeg2000, JP2_OK, 1, 1},
        {"jp2 container", encode(50, 40, 100, Jp2Wrapping::File), 307200, kMonoJpeg2000, JP2_OK, 50, 40},
        {"lossy", encode(80, 60, 5), 307200, kMonoJpeg2000, JP2_OK, 80, 60, false},
        {"exactly the frame", grey, 64 * 48, kMonoJpeg2000, JP2_OK, 64, 48},
        {"CORVANE_JPEG2000 is JPEG 2000 too", grey, 307200, 138, JP2_OK, 64, 48},
        {"two components", withComponents(grey, 2, 8), 307200, kMonoJpeg2000, JP2_COLOUR},
        {"9 bits", withComponents(grey, 1, 9), 307200, kMonoJpeg2000, JP2_DEPTH},
        {"one byte short of the frame", grey, 64 * 48 - 1, kMonoJpeg2000, JP2_TOO_LARGE},
        {"format byte MONO_JPEG", grey, 307200, 6, JP2_NOT_JPEG2000},
        {"not JPEG 2000 bytes", Bytes(300, 0x42), 307200, kMonoJpeg2000, JP2_NOT_JPEG2000},
        {"cut short", cut, 307200, kMonoJpeg2000, JP2_DECODE_FAILED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Call call = decompress(c.data, c.capacity, c.format);
        EXPECT_EQ(call.rc, c.rc);
        if (c.rc != JP2_OK) {
            EXPECT_EQ(call.width, c.capacity); // left as it was
            EXPECT_EQ(call.height, 0u);
            continue;
        }
        ASSERT_EQ(call.width, static_cast<uint32_t>(c.width));
        ASSERT_EQ(call.height, static_cast<uint32_t>(c.height));
        EXPECT_EQ(call.format, 2);
        for (int y = 0; c.exact && y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(call.pixels[static_cast<size_t>(y * c.width + x)], sample(x, y)) << x << "," << y;
    }
}

// An empty source, or none, is refused; the other null pointers and the
// reserved argument no caller gets wrong.
TEST(Jp2Decompress, EmptySourceIsRefused)
{
    const Bytes grey = encode(8, 8);
    uint8_t format = kMonoJpeg2000, outFormat = 2;
    uint32_t size = static_cast<uint32_t>(grey.size()), zero = 0, width = 64, height = 0;
    uint8_t out[64];
    int record = 0;
    const uint8_t *data = grey.data();
    EXPECT_EQ(DecompressJp2(&record, &format, &zero, 0, data, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, nullptr, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, data, &record, &outFormat, &width, &height, out), JP2_OK);
    EXPECT_EQ(width, 8u);
    EXPECT_EQ(height, 8u);
}

} // namespace

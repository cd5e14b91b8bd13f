// DecompressJp2 on frames made by OpenJPEG's encoder in memory: honest
// ones, and the ones it must refuse. Full 640 x 480 and odd-sized grey
// frames, drawn exactly, are capture/tst_framedrawer's.

#include "platform/Jp2Decompress.h"

#include "capture/Jp2Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kMonoJpeg2000 = 10;

struct Picture {
    int width, height, components = 1, precision = 8;
    bool jp2 = false;
    bool lossy = false;
};

int sample(int x, int y, int c, int precision)
{
    return ((x * 7 + y * 3 + c * 50) ^ (x * y)) & ((1 << precision) - 1);
}

// A lossless (unless asked otherwise) frame, encoded in memory.
Bytes encode(const Picture &p)
{
    std::vector<opj_image_cmptparm_t> parms(static_cast<size_t>(p.components));
    for (auto &c : parms) {
        std::memset(&c, 0, sizeof c);
        c.dx = c.dy = 1;
        c.w = static_cast<OPJ_UINT32>(p.width);
        c.h = static_cast<OPJ_UINT32>(p.height);
        c.prec = static_cast<OPJ_UINT32>(p.precision);
    }
    opj_image_t *image = opj_image_create(static_cast<OPJ_UINT32>(p.components), parms.data(),
                                          p.components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    image->x1 = static_cast<OPJ_UINT32>(p.width);
    image->y1 = static_cast<OPJ_UINT32>(p.height);
    for (int c = 0; c < p.components; ++c)
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                image->comps[c].data[y * p.width + x] = sample(x, y, c, p.precision);

    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    int levels = 1;
    while (levels < 6 && (1 << levels) <= std::min(p.width, p.height))
        ++levels;
    cp.numresolution = levels;
    if (p.lossy) {
        cp.irreversible = 1;
        cp.tcp_numlayers = 1;
        cp.tcp_rates[0] = 20;
        cp.cp_disto_alloc = 1;
    }
    opj_codec_t *codec = opj_create_compress(p.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_set_info_handler(codec, jp2test::quiet, nullptr);
    opj_set_warning_handler(codec, jp2test::quiet, nullptr);
    opj_set_error_handler(codec, jp2test::quiet, nullptr);
    jp2test::Sink sink;
    opj_stream_t *stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, jp2test::writeSink);
    opj_stream_set_skip_function(stream, jp2test::skipSink);
    opj_stream_set_seek_function(stream, jp2test::seekSink);
    EXPECT_TRUE(opj_setup_encoder(codec, &cp, image) && opj_start_compress(codec, image, stream)
                && opj_encode(codec, stream) && opj_end_compress(codec, stream));
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return sink.bytes;
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
    const Bytes grey = encode({64, 48});
    Bytes cut(grey.begin(), grey.begin() + static_cast<long>(grey.size() / 3));
    Bytes damaged = grey;
    for (size_t i = 100; i < damaged.size(); i += 7)
        damaged[i] ^= 0x5A;
    Bytes garbage(300, 0x42);
    Bytes headerOnly(grey.begin(), grey.begin() + 4);
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
        {"1 x 1", encode({1, 1}), 307200, kMonoJpeg2000, JP2_OK, 1, 1},
        {"jp2 container", encode({50, 40, 1, 8, true}), 307200, kMonoJpeg2000, JP2_OK, 50, 40},
        {"lossy, close to the original", encode({80, 60, 1, 8, false, true}), 307200, kMonoJpeg2000, JP2_OK, 80, 60,
         false},
        {"exactly the frame", grey, 64 * 48, kMonoJpeg2000, JP2_OK, 64, 48},
        {"CORVANE_JPEG2000 is JPEG 2000 too", grey, 307200, 138, JP2_OK, 64, 48},
        {"colour", encode({32, 32, 3}), 307200, kMonoJpeg2000, JP2_COLOUR},
        {"two components", encode({32, 32, 2}), 307200, kMonoJpeg2000, JP2_COLOUR},
        {"12 bits", encode({32, 32, 1, 12}), 307200, kMonoJpeg2000, JP2_DEPTH},
        {"one byte short of the frame", grey, 64 * 48 - 1, kMonoJpeg2000, JP2_TOO_LARGE},
        {"no capacity", grey, 0, kMonoJpeg2000, JP2_TOO_LARGE},
        {"format byte MONO_JPEG", grey, 307200, 6, JP2_NOT_JPEG2000},
        {"not JPEG 2000 bytes", garbage, 307200, kMonoJpeg2000, JP2_NOT_JPEG2000},
        {"cut short", cut, 307200, kMonoJpeg2000, JP2_DECODE_FAILED},
        {"signature only", headerOnly, 307200, kMonoJpeg2000, JP2_DECODE_FAILED},
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
                ASSERT_EQ(call.pixels[static_cast<size_t>(y * c.width + x)], sample(x, y, 0, 8)) << x << "," << y;
    }
    // Damaged data: refused or decoded, never past the capacity.
    const Call d = decompress(damaged, 64 * 48);
    EXPECT_TRUE(d.rc == JP2_OK || d.rc == JP2_DECODE_FAILED) << d.rc;
}

TEST(Jp2Decompress, Arguments)
{
    const Bytes grey = encode({8, 8});
    uint8_t format = kMonoJpeg2000, outFormat = 2;
    uint32_t size = static_cast<uint32_t>(grey.size()), zero = 0, width = 64, height = 0;
    uint8_t out[64];
    int record = 0;
    const uint8_t *data = grey.data();
    EXPECT_EQ(DecompressJp2(nullptr, &format, &size, 0, data, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, nullptr, &size, 0, data, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &zero, 0, data, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 1, data, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, nullptr, &record, &outFormat, &width, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, data, &record, &outFormat, nullptr, &height, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, data, &record, &outFormat, &width, nullptr, out), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, data, &record, &outFormat, &width, &height, nullptr), JP2_INVALID_ARGUMENT);
    EXPECT_EQ(DecompressJp2(&record, &format, &size, 0, data, &record, &outFormat, &width, &height, out), JP2_OK);
    EXPECT_EQ(width, 8u);
    EXPECT_EQ(height, 8u);
}

} // namespace

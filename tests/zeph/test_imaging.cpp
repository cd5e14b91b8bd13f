// The virtual camera's pictures: result kinds, every encoder read back by the
// program's own decoders (libpng for PNG, which the program never reads), the
// raw container byte by byte, and both editions of the iris record field by
// field.
#include "capture/CorvaneRawContainer.h"
#include "capture/IsoIrisRecord.h"
#include "capture/JpegDecoder.h"
#include "platform/Jp2Decompress.h"
#include "zeph/virtual/imaging/CorvaneContainer.h"
#include "zeph/virtual/imaging/Imaging.h"
#include "zeph/virtual/imaging/KindRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <png.h>

using namespace zeph_imaging;

namespace {

using Bytes = std::vector<uint8_t>;

struct Decoded {
    int width = 0, height = 0;
    Bytes pixels;
};

uint32_t be16(const Bytes &b, size_t at) { return (b[at] << 8) | b[at + 1]; }
uint32_t be32(const Bytes &b, size_t at) { return (be16(b, at) << 16) | be16(b, at + 2); }
uint32_t le32(const Bytes &b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

std::optional<Decoded> decodeJpeg(const Bytes &data)
{
    JpegDecoder decoder;
    uint8_t *pixels = nullptr;
    size_t capacity = 0;
    int32_t w = 0, h = 0;
    if (decoder.init(640, 480) != JPEG_OK
        || decoder.decode(data.data(), int64_t(data.size()), &pixels, &capacity, &w, &h) != JPEG_OK)
        return std::nullopt;
    Decoded d{w, h, Bytes(pixels, pixels + capacity)};
    std::free(pixels);
    return d;
}

// A bare codestream or a JP2 file: the decoder tells them apart itself.
std::optional<Decoded> decodeJpeg2000(const Bytes &data)
{
    uint8_t format = FormatMonoJpeg2000, outFormat = FormatMonoRaw;
    const uint32_t size = uint32_t(data.size());
    Bytes pixels(640 * 480);
    uint32_t w = uint32_t(pixels.size()), h = 0;
    if (DecompressJp2(&data, &format, &size, 0, data.data(), &pixels, &outFormat, &w, &h, pixels.data()) != JP2_OK)
        return std::nullopt;
    pixels.resize(size_t(w) * h);
    return Decoded{int(w), int(h), pixels};
}

std::optional<Decoded> decodePng(const Bytes &data)
{
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data.data(), data.size())) return std::nullopt;
    img.format = PNG_FORMAT_GRAY;
    Decoded d{static_cast<int>(img.width), static_cast<int>(img.height), Bytes(PNG_IMAGE_SIZE(img))};
    if (!png_image_finish_read(&img, nullptr, d.pixels.data(), 0, nullptr)) return std::nullopt;
    return d;
}

EyeSpec eyeSpec(uint64_t subject, int eye = 1, int presentation = PresentSharp, uint64_t noise = 7)
{
    return {subject, eye, presentation, noise};
}

double meanAbsDiff(const Bytes &a, const Bytes &b)
{
    if (a.size() != b.size() || a.empty()) return 1e9;
    double s = 0;
    for (size_t i = 0; i < a.size(); ++i) s += std::abs(int(a[i]) - int(b[i]));
    return s / static_cast<double>(a.size());
}

// What the bytes of `format` decode to; raw pixels need their size told.
// The JPEG 2000 container's payload follows a 28-byte header (pinned in FieldsAtTheirOffsets).
std::optional<Decoded> readBack(int format, const Bytes &b, int w = 0, int h = 0)
{
    CorvaneRawFrame f;
    switch (format) {
    case FormatMonoRaw: return Decoded{w, h, b};
    case FormatMonoJpeg: return decodeJpeg(b);
    case FormatMonoJpeg2000: return decodeJpeg2000(b);
    case FormatMonoPng: return decodePng(b);
    case FormatCorvaneRaw:
        if (!readCorvaneRawContainer(b.data(), b.size(), 640 * 480, &f))
            return std::nullopt;
        return Decoded{int(f.width), int(f.height), Bytes(b.begin() + long(f.pixelOffset), b.end())};
    case FormatCorvaneJpeg2000: return decodeJpeg2000(Bytes(b.begin() + long(std::min<size_t>(28, b.size())), b.end()));
    }
    return std::nullopt;
}

} // namespace

TEST(ResultKinds, SizesAndCompactKinds)
{
    struct Case { int kind; int w, h; uint8_t compact; } cases[] = {
        {KindK1, 640, 480, 1}, {KindK2, 640, 480, 2}, {KindK3, 400, 300, 3}, {KindK7, 160, 120, 7},
    };
    for (const Case &c : cases) {
        EncodedImage img = makeResultImage(eyeSpec(3), c.kind, FormatMonoRaw, 0);
        ASSERT_FALSE(img.empty()) << c.kind;
        EXPECT_EQ(img.width, c.w) << c.kind;
        EXPECT_EQ(img.height, c.h) << c.kind;
        EXPECT_EQ(img.kind, c.compact) << c.kind;
        EXPECT_EQ(img.bytes.size(), size_t(c.w) * c.h) << c.kind;
    }
    // the compact kinds' numbers are pinned in CompactKindsKeepTheirBudgetInJpeg2000
    for (int bad : {0, 4, 8, 4102, 4107, -1}) {
        EXPECT_EQ(compactKind(bad), 0) << bad;
        EXPECT_TRUE(makeResultImage(eyeSpec(3), bad, FormatMonoRaw, 0).empty()) << bad;
    }
}

TEST(Encoders, EveryFormatReadsBackAtTheRightSize)
{
    const EyeSpec s = eyeSpec(21, 2);
    const Bytes raw = makeResultImage(s, KindK3, FormatMonoRaw, 0).bytes;
    struct Case { int format, quality; double maxError; } cases[] = {
        {FormatMonoJpeg, 90, 3.0}, {FormatMonoJpeg2000, 100, 0.0}, {FormatMonoJpeg2000, 20, 4.0},
        {FormatMonoPng, 0, 0.0}, {FormatCorvaneRaw, 0, 0.0}, {FormatCorvaneJpeg2000, 50, 3.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.format) + " q" + std::to_string(c.quality));
        EncodedImage img = makeResultImage(s, KindK3, c.format, c.quality);
        EXPECT_EQ(img.format, c.format);
        const auto d = readBack(c.format, img.bytes);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->width, 400);
        EXPECT_EQ(d->height, 300);
        EXPECT_LE(meanAbsDiff(d->pixels, raw), c.maxError);
    }
    // the quality is honoured
    auto size = [&](int format, int q) { return makeResultImage(s, KindK1, format, q).bytes.size(); };
    EXPECT_LT(size(FormatMonoJpeg, 20), size(FormatMonoJpeg, 90));
    EXPECT_LT(size(FormatMonoJpeg2000, 10), 640 * 480 / 10 + 400);
}

TEST(Encoders, CompactKindsKeepTheirBudgetInJpeg2000)
{
    const struct { int kind; uint8_t compact; size_t budget; } kinds[] = {
        {KindK7_1_5, 23, 1500}, {KindK7_2_5, 24, 2500}, {KindK7_3_5, 25, 3500}, {KindK7_5_0, 26, 5000}};
    for (const auto [kind, compact, budget] : kinds) {
        SCOPED_TRACE(kind);
        // whatever format is asked, these come as JPEG 2000
        EncodedImage img = makeResultImage(eyeSpec(8), kind, FormatMonoRaw, 90);
        EXPECT_EQ(img.format, FormatMonoJpeg2000);
        EXPECT_EQ(img.kind, compact);
        EXPECT_LE(img.bytes.size(), budget);
        const auto d = decodeJpeg2000(img.bytes);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->width, 160);
        EXPECT_EQ(d->height, 120);
    }
    EncodedImage c = makeResultImage(eyeSpec(8), KindK7_2_5, FormatCorvaneJpeg2000, 0);
    EXPECT_EQ(c.format, FormatCorvaneJpeg2000);
    EXPECT_LE(c.bytes.size(), 2500u);
}

TEST(CorvaneContainer, FieldsAtTheirOffsets)
{
    const Bytes pixels = {1, 2, 3, 4, 5, 6};
    CorvaneHeader h;
    h.eye = 2;
    h.kind = 7;
    h.sequence = 0x01020304;
    h.irisX = 0x1234;
    h.totalScore = 77;
    struct Case { bool extended; size_t width, height, payload; } cases[] = {{false, 20, 24, 28}, {true, 24, 28, 64}};
    for (const Case &c : cases) {
        h.extended = c.extended;
        const Bytes b = writeCorvaneContainer(h, 3, 2, pixels.data(), pixels.size());
        ASSERT_EQ(b.size(), c.payload + 6);
        EXPECT_EQ(corvanePayloadOffset(c.extended, kCorvaneBlockLength), c.payload);
        EXPECT_EQ(b[0], c.extended ? 0xFF : 0x00);
        EXPECT_EQ(b[3], 2);
        EXPECT_EQ(le32(b, 4), b.size());
        EXPECT_EQ(le32(b, 8), kCorvaneBlockLength);
        EXPECT_EQ(le32(b, 12), 0x01020304u);
        EXPECT_EQ(b[16], 7);
        EXPECT_EQ(le32(b, c.width), 3u);
        EXPECT_EQ(le32(b, c.height), 2u);
        EXPECT_EQ(Bytes(b.begin() + long(c.payload), b.end()), pixels);
        if (c.extended) {
            EXPECT_EQ(le32(b, 20), 1u);   // header flags
            EXPECT_EQ(b[32], 0x34);
            EXPECT_EQ(b[33], 0x12);
            EXPECT_EQ(b[40], 77);
        }
    }
}

TEST(IsoRecords, HeadersFieldByFieldInBothEditions)
{
    const IsoCaptureTime when{true, 2026, 12, 7, 3, 4, 5, 600};
    const std::vector<IsoEye> both = {{eyeSpec(30, 1), 81}, {eyeSpec(30, 2), 64}};
    const std::vector<IsoEye> leftOnly = {{eyeSpec(30, 2), 55}};
    struct Case {
        int revision, format, kind, subtype;
        std::vector<IsoEye> eyes;
        int w, h;
        uint8_t recordFormat, type;
    } cases[] = {
        {1, FormatMonoRaw, KindK1, 3, both, 640, 480, 2, 0},
        {1, FormatMonoJpeg2000, KindK2, 3, both, 640, 480, 14, 0},
        {1, FormatMonoRaw, KindK2, 2, leftOnly, 640, 480, 2, 0},
        {2, FormatMonoRaw, KindK3, 3, both, 400, 300, 2, 3},
        {2, FormatMonoRaw, KindK7_2_5, 3, both, 160, 120, 10, 7},   // compact kinds go JPEG 2000
        {2, FormatMonoPng, KindK1, 0, leftOnly, 640, 480, 14, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.revision) + "/" + std::to_string(c.format) + "/" + std::to_string(c.kind));
        Bytes r = makeIsoRecord(c.revision, c.format, c.kind, 40, c.subtype, c.eyes, when);
        ZephImage images[2];
        ASSERT_EQ(::IsoIrisRecord::parse({uint32_t(r.size()), r.data()}, {c.revision, c.kind, c.format, false}, images),
                  ZEPH_OK);
        ASSERT_GE(r.size(), 45u);
        EXPECT_EQ(be32(r, 8), r.size());
        if (c.revision == 1) {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "010\0", 8), 0);
            EXPECT_EQ(be16(r, 15), 45u);   // header length
            EXPECT_EQ(r[27], 8);
            EXPECT_EQ(r[29], 'D');
            EXPECT_EQ(be16(r, 45 + 3), 1u);   // first block at 45: image number
        } else {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "020\0", 8), 0);
            EXPECT_EQ(r[14], 0);
            EXPECT_EQ(r[15], c.eyes.size());
            const size_t b = 16;
            EXPECT_EQ(be16(r, b + 4), 2026u);
            EXPECT_EQ(r[b + 6], 12);
            EXPECT_EQ(r[b + 7], 7);
            EXPECT_EQ(be16(r, b + 11), 600u);
            EXPECT_EQ(be16(r, b + 20), zeph_imaging::IsoIrisRecord::kQualityVendor);
            EXPECT_EQ(be16(r, b + 24), 1u);
            EXPECT_EQ(r[b + 34], 8);
            EXPECT_GT(be16(r, b + 51), be16(r, b + 49));   // diameter range
            if (c.eyes.size() == 2) {
                EXPECT_EQ(be16(r, b + 57 + be32(r, b + 53) + 24), 2u);
            }
        }
        // labels, scores and formats in each block; sizes and pixels as the program reads them
        for (size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(images[i].data != nullptr, i < c.eyes.size());
            if (!images[i].data)
                continue;
            const size_t data = size_t(images[i].data - r.data()), block = data - (c.revision == 1 ? 14 : 57);
            EXPECT_EQ(r[c.revision == 1 ? block : block + 26], c.subtype == 0 ? 0 : c.eyes[i].want.eye);
            EXPECT_EQ(r[c.revision == 1 ? block + 5 : block + 19], c.eyes[i].totalScore);
            EXPECT_EQ(c.revision == 1 ? be16(r, 21) : r[block + 28], c.recordFormat);
            if (c.revision == 2) {
                EXPECT_EQ(be32(r, block), 57 + images[i].size);
                EXPECT_EQ(r[block + 27], c.type);
            }
            if (i + 1 == c.eyes.size()) {
                EXPECT_EQ(data + images[i].size, r.size()) << "nothing after the last block";
            }
            EXPECT_EQ(images[i].width, uint32_t(c.w));
            EXPECT_EQ(images[i].height, uint32_t(c.h));
            // the 2011 edition numbers formats as the camera does; the 2005
            // one has 14 for JPEG 2000
            const int format = c.revision == 1 && c.recordFormat == 14 ? int(FormatMonoJpeg2000) : c.recordFormat;
            const auto d = readBack(format, Bytes(images[i].data, images[i].data + images[i].size), c.w, c.h);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->width, c.w);
            EXPECT_EQ(d->height, c.h);
        }
    }
    // an unknown capture time is all 0xFF
    const Bytes r = makeIsoRecord(2, FormatMonoRaw, KindK7, 0, 3, leftOnly);
    ASSERT_GT(r.size(), 30u);
    for (size_t i = 20; i < 29; ++i) EXPECT_EQ(r[i], 0xFF) << i;
}

TEST(IsoRecords, CombinationsNotOfferedGiveNothing)
{
    const std::vector<IsoEye> one = {{eyeSpec(1), 50}};
    struct Case { int revision, format, kind; std::vector<IsoEye> eyes; } cases[] = {
        {1, FormatMonoPng, KindK1, one}, {1, FormatMonoRaw, KindK3, one}, {2, FormatMonoJpeg, KindK1, one},
        {2, FormatMonoRaw, 5, one}, {0, FormatMonoRaw, KindK1, one}, {3, FormatMonoRaw, KindK1, one},
        {2, FormatMonoRaw, KindK1, {}}, {2, FormatMonoRaw, KindK1, {one[0], one[0], one[0]}},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(makeIsoRecord(c.revision, c.format, c.kind, 50, 3, c.eyes).empty())
            << c.revision << "/" << c.format << "/" << c.kind << "/" << c.eyes.size();
}

TEST(Frames, ScaledInEveryStreamFormat)
{
    const EyeSpec s = eyeSpec(40, 1, PresentSharp, 99);
    for (int scale : {1, 2, 16}) {
        const int w = 640 / scale, h = 480 / scale;
        for (int format : {FormatMonoRaw, FormatMonoJpeg, FormatCorvaneRaw, FormatMonoJpeg2000}) {
            SCOPED_TRACE(std::to_string(scale) + "/" + std::to_string(format));
            EncodedImage f = makeFrame(s, scale, format, 75, FrameOptions{5, false});
            EXPECT_EQ(f.width, w);
            EXPECT_EQ(f.height, h);
            EXPECT_EQ(f.kind, 1);
            if (format == FormatCorvaneRaw) {
                EXPECT_EQ(le32(f.bytes, 12), 5u);   // the frame's sequence number
            }
            const auto d = readBack(format, f.bytes, w, h);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->width, w);
            EXPECT_EQ(d->height, h);
        }
    }
    // the extended container (laid out as FieldsAtTheirOffsets pins) holds the divided frame
    const Bytes ext = makeFrame(s, 2, FormatCorvaneRaw, 0, FrameOptions{9, true}).bytes;
    ASSERT_EQ(ext.size(), 64u + 320 * 240);
    EXPECT_EQ(Bytes(ext.begin() + 64, ext.end()), makeFrame(s, 2, FormatMonoRaw, 0).bytes);
    for (int bad : {0, 3, 32, -2}) EXPECT_TRUE(makeFrame(s, bad, FormatMonoRaw, 0).empty()) << bad;
    EXPECT_TRUE(makeFrame(s, 1, 99, 0).empty());
    // nobody in front: the empty scene, also for an absent eye
    EncodedImage empty = makeEmptyFrame(3, 2, FormatMonoRaw, 0);
    ASSERT_EQ(empty.bytes.size(), 320u * 240);
    EXPECT_EQ(makeFrame(eyeSpec(40, 1, PresentAbsent, 3), 2, FormatMonoRaw, 0).bytes, empty.bytes);
    EXPECT_EQ(usableIrisArea(eyeSpec(40, 1, PresentAbsent)), 0);
}

TEST(Frames, TwoThreadsGetWhatOneThreadGets)
{
    // the engine draws both eyes' frames on its own threads; the shared cache
    // of drawn eyes must not mix them up
    const auto frame = [](size_t i) { return makeFrame(eyeSpec(600 + i % 5, 1 + int(i % 2), int(i % 4), i), 4, FormatMonoRaw, 0).bytes; };
    std::vector<Bytes> expected, got(8);
    for (size_t i = 0; i < got.size(); ++i) expected.push_back(frame(i));
    auto work = [&](size_t first) {
        for (size_t i = first; i < got.size(); i += 2) got[i] = frame(i);
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(got, expected);
}

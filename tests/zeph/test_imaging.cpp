// The virtual camera's pictures: drawn eyes, result kinds, every encoder read
// back by an independent decoder (the codec libraries themselves, and a small
// bounds-checked reader of iris records), the raw container byte by byte, and
// both editions of the iris record field by field.
#include "zeph/virtual/imaging/CorvaneContainer.h"
#include "zeph/virtual/imaging/Imaging.h"
#include "zeph/virtual/imaging/KindRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

using namespace zeph_imaging;

namespace {

using Bytes = std::vector<uint8_t>;

struct Decoded {
    int width = 0, height = 0;
    Bytes pixels;
};

uint32_t be16(const Bytes &b, size_t at) { return at + 2 <= b.size() ? (b[at] << 8) | b[at + 1] : 0xFFFFFFFFu; }
uint32_t be32(const Bytes &b, size_t at)
{
    return at + 4 <= b.size() ? (static_cast<uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]
                              : 0xFFFFFFFFu;
}
uint32_t le32(const Bytes &b, size_t at)
{
    return at + 4 <= b.size() ? b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24)
                              : 0xFFFFFFFFu;
}

struct JpegTrap {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

std::optional<Decoded> decodeJpeg(const Bytes &data)
{
    jpeg_decompress_struct cinfo;
    JpegTrap trap;
    cinfo.err = jpeg_std_error(&trap.base);
    trap.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegTrap *>(c->err)->jump, 1); };
    trap.base.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&cinfo);
    Decoded d;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return std::nullopt;
    }
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.pixels.resize(static_cast<size_t>(d.width) * d.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &d.pixels[static_cast<size_t>(cinfo.output_scanline) * d.width];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

// codestream: true for a bare J2K codestream, false for a JP2 file. Read
// from a file (in the test's own temporary folder) so that the library's
// own stream does the seeking.
std::optional<Decoded> decodeJpeg2000(const Bytes &data, bool codestream)
{
    const std::string path = (std::filesystem::temp_directory_path() / "imgtest.j2k").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    opj_stream_t *stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
    opj_codec_t *codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    opj_set_error_handler(codec, [](const char *, void *) {}, nullptr);
    opj_set_warning_handler(codec, [](const char *, void *) {}, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    opj_image_t *image = nullptr;
    std::optional<Decoded> out;
    if (stream && opj_setup_decoder(codec, &params) && opj_read_header(stream, codec, &image)
        && opj_decode(codec, stream, image) && opj_end_decompress(codec, stream) && image->numcomps == 1) {
        Decoded d{static_cast<int>(image->comps[0].w), static_cast<int>(image->comps[0].h), {}};
        d.pixels.resize(static_cast<size_t>(d.width) * d.height);
        for (size_t i = 0; i < d.pixels.size(); ++i) {
            const int v = image->comps[0].data[i];
            d.pixels[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        out = d;
    }
    if (image) opj_image_destroy(image);
    opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
    std::remove(path.c_str());
    return out;
}

std::optional<Decoded> decodePng(const Bytes &data)
{
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data.data(), data.size())) return std::nullopt;
    img.format = PNG_FORMAT_GRAY;
    Decoded d{static_cast<int>(img.width), static_cast<int>(img.height), Bytes(PNG_IMAGE_SIZE(img))};
    if (!png_image_finish_read(&img, nullptr, d.pixels.data(), 0, nullptr)) return std::nullopt;
    return d;
}

// One image of an iris record, as this reader finds it.
struct IsoImage {
    int width = 0, height = 0;
    uint8_t eye = 0, quality = 0, type = 0, format = 0;
    Bytes data;
};

// Reads a record of either edition; nullopt when anything is inconsistent.
std::optional<std::vector<IsoImage>> readIso(const Bytes &r)
{
    if (r.size() < 16 || std::memcmp(r.data(), "IIR\0", 4) != 0 || be32(r, 8) != r.size()) return std::nullopt;
    std::vector<IsoImage> images;
    const auto take = [&](IsoImage im, size_t from, uint64_t len) {
        im.data.assign(r.begin() + static_cast<long>(from), r.begin() + static_cast<long>(from + len));
        images.push_back(im);
        return from + len;
    };
    size_t at = 0;
    if (std::memcmp(r.data() + 4, "010\0", 4) == 0) {
        if (r.size() < 45 || be16(r, 15) != 45) return std::nullopt;
        for (at = 45; images.size() < r[14];) {
            const uint64_t len = be32(r, at + 10);
            if (at + 14 > r.size() || be16(r, at + 1) != 1 || at + 14 + len > r.size()) return std::nullopt;
            at = take({int(be16(r, 23)), int(be16(r, 25)), r[at], r[at + 5], 0, uint8_t(be16(r, 21)), {}}, at + 14, len);
        }
    } else if (std::memcmp(r.data() + 4, "020\0", 4) == 0) {
        for (at = 16; images.size() < be16(r, 12);) {
            const uint64_t len = be32(r, at + 53);
            if (at + 57 + len > r.size() || r[at + 18] != 1 || be32(r, at) != 57 + len) return std::nullopt;
            at = take({int(be16(r, at + 30)), int(be16(r, at + 32)), r[at + 26], r[at + 19], r[at + 27], r[at + 28], {}},
                      at + 57, len);
        }
        if (r[15] != images.size()) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (at != r.size()) return std::nullopt;
    return images;
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

// Mean absolute Laplacian: what a blur takes away.
double highFrequency(const GreyImage &g)
{
    double s = 0;
    for (int y = 1; y < g.height - 1; ++y)
        for (int x = 1; x < g.width - 1; ++x)
            s += std::abs(4 * g.at(x, y) - g.at(x - 1, y) - g.at(x + 1, y) - g.at(x, y - 1) - g.at(x, y + 1));
    return s / ((g.width - 2.0) * (g.height - 2.0));
}

// Centre of the pixels darker than 35 (the pupil) and their count, within
// a window around (cx, cy) that keeps the lashes out.
struct Dark { double x = 0, y = 0; int n = 0; };
Dark darkCentre(const GreyImage &g, double cx, double cy, double halfW = 90, double halfH = 65)
{
    Dark d;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (std::fabs(x - cx) < halfW && std::fabs(y - cy) < halfH && g.at(x, y) < 35) { d.x += x + 0.5; d.y += y + 0.5; ++d.n; }
    if (d.n) { d.x /= d.n; d.y /= d.n; }
    return d;
}

GreyImage greyOf(const EncodedImage &img)
{
    GreyImage g(img.width, img.height);
    g.pixels = img.bytes;
    return g;
}

// What the bytes of `format` decode to; raw pixels need their size told.
// The containers' payload follows a 28-byte header (pinned in FieldsAtTheirOffsets).
std::optional<Decoded> readBack(int format, const Bytes &b, int w = 0, int h = 0)
{
    const Bytes payload(b.begin() + long(std::min<size_t>(28, b.size())), b.end());
    switch (format) {
    case FormatMonoRaw: return Decoded{w, h, b};
    case FormatMonoJpeg: return decodeJpeg(b);
    case FormatMonoJpeg2000: return decodeJpeg2000(b, false);
    case FormatMonoPng: return decodePng(b);
    case FormatCorvaneRaw: return Decoded{int(le32(b, 20)), int(le32(b, 24)), payload};
    case FormatCorvaneJpeg2000: return decodeJpeg2000(payload, true);
    }
    return std::nullopt;
}

Bytes irisCrop(const EyeSpec &s) { return makeResultImage(s, KindK3, FormatMonoRaw, 0).bytes; }

} // namespace

TEST(EyePictures, SameSeedsSameBytesOtherSeedsOtherEyes)
{
    const Bytes a = irisCrop(eyeSpec(11));
    const double noiseOnly = meanAbsDiff(a, irisCrop(eyeSpec(11, 1, PresentSharp, 8)));
    EXPECT_GT(noiseOnly, 0.3);   // the noise seed changes something...
    EXPECT_LT(noiseOnly, 4.0);   // ...but only a little
    struct Case { const char *what; EyeSpec other; } cases[] = {
        {"another subject", eyeSpec(12)}, {"the other eye", eyeSpec(11, 2)}, {"a distant subject", eyeSpec(987654321)}};
    for (const Case &c : cases)
        EXPECT_GT(meanAbsDiff(a, irisCrop(c.other)), 4 * noiseOnly) << c.what;
}

TEST(EyePictures, PresentationsShowInThePicture)
{
    const GreyImage sharp = renderEye(eyeSpec(5));
    const EyeGeometry gs = eyeGeometry(eyeSpec(5));
    // at a quarter of the size the sensor noise no longer hides the detail
    EXPECT_LT(highFrequency(downscale(renderEye(eyeSpec(5, 1, PresentBlurred)), 4)), highFrequency(downscale(sharp, 4)) * 0.6);

    EXPECT_GT(usableIrisArea(eyeSpec(5)), 80);
    EXPECT_LT(usableIrisArea(eyeSpec(5, 1, PresentHalfClosed)), 65);
    // the lid of a half-closed eye hides the top of the pupil: fewer dark pixels
    const EyeGeometry gh = eyeGeometry(eyeSpec(5, 1, PresentHalfClosed));
    EXPECT_LT(darkCentre(renderEye(eyeSpec(5, 1, PresentHalfClosed)), gh.pupilX, gh.pupilY).n,
              darkCentre(sharp, gs.pupilX, gs.pupilY).n * 0.8);

    const EyeGeometry ga = eyeGeometry(eyeSpec(5, 1, PresentLookingAside));
    EXPECT_GT(std::fabs(ga.irisX - gs.irisX), 0.5 * gs.irisR);
    EXPECT_LT(ga.squeezeX, 0.9f);
}

TEST(ResultKinds, SizesCompactKindsAndMasks)
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

    // K2 and K3 put the iris in the middle; K7 greys out all that is not iris
    const EyeGeometry geo = eyeGeometry(eyeSpec(3, 2, PresentLookingAside));
    for (int kind : {KindK2, KindK3}) {
        EncodedImage img = makeResultImage(eyeSpec(3, 2, PresentLookingAside), kind, FormatMonoRaw, 0);
        const Dark d = darkCentre(greyOf(img), img.width / 2.0, img.height / 2.0);
        EXPECT_NEAR(d.x, img.width / 2.0 + geo.pupilX - geo.irisX, 4) << kind;
        EXPECT_NEAR(d.y, img.height / 2.0 + geo.pupilY - geo.irisY, 4) << kind;
    }
    EncodedImage k7 = makeResultImage(eyeSpec(3), KindK7, FormatMonoRaw, 0);
    for (auto [x, y] : {std::pair{0, 0}, {159, 0}, {0, 119}, {159, 119}, {80, 2}})
        EXPECT_EQ(k7.bytes[size_t(y) * 160 + x], kMaskGrey) << x << "," << y;
    EXPECT_LT(k7.bytes[60 * 160 + 80], 60);   // the pupil stays
}

TEST(Encoders, EveryFormatReadsBackAtTheRightSize)
{
    const EyeSpec s = eyeSpec(21, 2);
    const Bytes raw = irisCrop(s);
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
    EXPECT_LT(size(FormatMonoJpeg2000, 5), size(FormatMonoJpeg2000, 100));
    EXPECT_LT(size(FormatMonoJpeg2000, 10), 640 * 480 / 10 + 400);
}

TEST(Encoders, CompactKindsKeepTheirBudgetInJpeg2000)
{
    size_t previous = 0;
    const struct { int kind; uint8_t compact; size_t budget; } kinds[] = {
        {KindK7_1_5, 23, 1500}, {KindK7_2_5, 24, 2500}, {KindK7_3_5, 25, 3500}, {KindK7_5_0, 26, 5000}};
    for (const auto [kind, compact, budget] : kinds) {
        SCOPED_TRACE(kind);
        // whatever format is asked, these come as JPEG 2000
        EncodedImage img = makeResultImage(eyeSpec(8), kind, FormatMonoRaw, 90);
        EXPECT_EQ(img.format, FormatMonoJpeg2000);
        EXPECT_EQ(img.kind, compact);
        EXPECT_LE(img.bytes.size(), budget);
        EXPECT_GT(img.bytes.size(), budget * 6 / 10);
        EXPECT_GT(img.bytes.size(), previous);
        previous = img.bytes.size();
        const auto d = decodeJpeg2000(img.bytes, false);
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
    // with L = 0 the extended layout puts the width at 16, height at 20, pixels at 56
    EXPECT_EQ(corvanePayloadOffset(true, 0), 56u);
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
        {2, FormatMonoJpeg2000, KindK7, 3, both, 160, 120, 10, 7},
        {2, FormatMonoRaw, KindK7_2_5, 3, both, 160, 120, 10, 7},   // compact kinds go JPEG 2000
        {2, FormatMonoPng, KindK1, 0, leftOnly, 640, 480, 14, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.revision) + "/" + std::to_string(c.format) + "/" + std::to_string(c.kind));
        const Bytes r = makeIsoRecord(c.revision, c.format, c.kind, 40, c.subtype, c.eyes, when);
        auto images = readIso(r);
        ASSERT_TRUE(images);
        ASSERT_EQ(images->size(), c.eyes.size());
        if (c.revision == 1) {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "010\0", 8), 0);
            EXPECT_EQ(r[27], 8);
            EXPECT_EQ(r[29], 'D');
            EXPECT_EQ(be16(r, 45 + 3), 1u);   // first block at 45: image number
        } else {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "020\0", 8), 0);
            EXPECT_EQ(r[14], 0);
            const size_t b = 16;
            EXPECT_EQ(be16(r, b + 4), 2026u);
            EXPECT_EQ(r[b + 6], 12);
            EXPECT_EQ(r[b + 7], 7);
            EXPECT_EQ(be16(r, b + 11), 600u);
            EXPECT_EQ(be16(r, b + 20), IsoIrisRecord::kQualityVendor);
            EXPECT_EQ(be16(r, b + 24), 1u);
            EXPECT_EQ(r[b + 34], 8);
            EXPECT_GT(be16(r, b + 51), be16(r, b + 49));   // diameter range
            if (c.eyes.size() == 2) {
                EXPECT_EQ(be16(r, b + 57 + be32(r, b + 53) + 24), 2u);
            }
        }
        // the reader found sizes, labels, scores and formats where they belong
        for (size_t i = 0; i < images->size(); ++i) {
            const IsoImage &im = (*images)[i];
            EXPECT_EQ(im.width, c.w);
            EXPECT_EQ(im.height, c.h);
            EXPECT_EQ(im.quality, c.eyes[i].totalScore);
            EXPECT_EQ(im.eye, c.subtype == 0 ? 0 : c.eyes[i].want.eye);
            EXPECT_EQ(im.format, c.recordFormat);
            EXPECT_EQ(im.type, c.type);
            // the 2011 edition numbers formats as the camera does; the 2005 one has 14 for JPEG 2000
            const int format = c.revision == 1 && c.recordFormat == 14 ? int(FormatMonoJpeg2000) : c.recordFormat;
            const auto d = readBack(format, im.data, c.w, c.h);
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
    // the extended container (laid out as FieldsAtTheirOffsets pins) carries
    // the iris where the divided frame has it
    const EyeGeometry g = eyeGeometry(s);
    const Bytes ext = makeFrame(s, 2, FormatCorvaneRaw, 0, FrameOptions{9, true}).bytes;
    ASSERT_EQ(ext.size(), 64u + 320 * 240);
    EXPECT_NEAR(ext[32] | (ext[33] << 8), g.irisX / 2, 1);
    EXPECT_NEAR(ext[36] | (ext[37] << 8), g.irisR / 2, 1);
    EXPECT_EQ(Bytes(ext.begin() + 64, ext.end()), makeFrame(s, 2, FormatMonoRaw, 0).bytes);
    for (int bad : {0, 3, 32, -2}) EXPECT_TRUE(makeFrame(s, bad, FormatMonoRaw, 0).empty()) << bad;
    EXPECT_TRUE(makeFrame(s, 1, 99, 0).empty());
    // nobody in front: a dim scene without a pupil in it, also for an absent eye
    EncodedImage empty = makeEmptyFrame(3, 2, FormatMonoRaw, 0);
    ASSERT_EQ(empty.bytes.size(), 320u * 240);
    EXPECT_EQ(makeFrame(eyeSpec(40, 1, PresentAbsent, 3), 2, FormatMonoRaw, 0).bytes, empty.bytes);
    EXPECT_EQ(usableIrisArea(eyeSpec(40, 1, PresentAbsent)), 0);
    EXPECT_EQ(darkCentre(greyOf(empty), 160, 120, 160, 120).n, 0);
    EXPECT_LT(highFrequency(greyOf(empty)), highFrequency(downscale(renderEye(s), 2)) * 0.8);
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

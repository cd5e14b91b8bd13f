// The virtual camera's pictures: drawn eyes, result kinds, every encoder read
// back by an independent decoder, the raw container byte by byte, and both
// editions of the iris record field by field.
#include "ImageDecoders.h"

#include "zeph/virtual/imaging/CorvaneContainer.h"
#include "zeph/virtual/imaging/Imaging.h"
#include "zeph/virtual/imaging/KindRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

using namespace zeph_imaging;
using imgtest::Bytes;
using imgtest::be16;
using imgtest::be32;
using imgtest::le32;

namespace {

EyeSpec eyeSpec(uint64_t subject, int eye = 1, int presentation = PresentSharp, uint64_t noise = 7)
{
    EyeSpec s;
    s.subjectSeed = subject;
    s.eye = eye;
    s.presentation = presentation;
    s.noiseSeed = noise;
    return s;
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

Bytes irisCrop(const EyeSpec &s) { return makeResultImage(s, KindK3, FormatMonoRaw, 0).bytes; }

} // namespace

TEST(EyePictures, SameSeedsSameBytesOtherSeedsOtherEyes)
{
    const Bytes a = irisCrop(eyeSpec(11));
    EXPECT_EQ(a, irisCrop(eyeSpec(11)));
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
    EXPECT_EQ(sharp.width, 640);
    EXPECT_EQ(sharp.height, 480);
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
    // the pupil is drawn where the geometry says, for every presentation
    for (int p : {PresentSharp, PresentBlurred, PresentLookingAside}) {
        const EyeGeometry g = eyeGeometry(eyeSpec(5, 1, p));
        const Dark d = darkCentre(renderEye(eyeSpec(5, 1, p)), g.irisX, g.irisY);
        EXPECT_NEAR(d.x, g.pupilX, 3) << p;
        EXPECT_NEAR(d.y, g.pupilY, 3) << p;
    }
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
    for (int kind : {KindK2, KindK3}) {
        EncodedImage img = makeResultImage(eyeSpec(3, 2, PresentLookingAside), kind, FormatMonoRaw, 0);
        GreyImage g(img.width, img.height);
        g.pixels = img.bytes;
        const EyeGeometry geo = eyeGeometry(eyeSpec(3, 2, PresentLookingAside));
        const Dark d = darkCentre(g, img.width / 2.0, img.height / 2.0);
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
    const Bytes raw = makeResultImage(s, KindK3, FormatMonoRaw, 0).bytes;
    struct Case { int format, quality; double maxError; } cases[] = {
        {FormatMonoJpeg, 90, 3.0}, {FormatMonoJpeg, 30, 6.0}, {FormatMonoJpeg2000, 100, 0.0},
        {FormatMonoJpeg2000, 20, 4.0}, {FormatMonoPng, 0, 0.0}, {FormatCorvaneRaw, 0, 0.0},
        {FormatCorvaneJpeg2000, 50, 3.0},
    };
    for (const Case &c : cases) {
        EncodedImage img = makeResultImage(s, KindK3, c.format, c.quality);
        ASSERT_FALSE(img.empty()) << c.format;
        EXPECT_EQ(img.format, c.format);
        std::optional<imgtest::Decoded> d;
        const size_t payload = corvanePayloadOffset(false, kCorvaneBlockLength);
        switch (c.format) {
        case FormatMonoJpeg: d = imgtest::decodeJpeg(img.bytes); break;
        case FormatMonoJpeg2000: d = imgtest::decodeJpeg2000(img.bytes, false); break;
        case FormatMonoPng: d = imgtest::decodePng(img.bytes); break;
        case FormatCorvaneRaw:
            d = imgtest::Decoded{int(le32(img.bytes, 20)), int(le32(img.bytes, 24)), Bytes(img.bytes.begin() + payload, img.bytes.end())};
            break;
        case FormatCorvaneJpeg2000:
            d = imgtest::decodeJpeg2000(Bytes(img.bytes.begin() + payload, img.bytes.end()), true);
            break;
        }
        ASSERT_TRUE(d) << c.format << " q" << c.quality;
        EXPECT_EQ(d->width, 400) << c.format;
        EXPECT_EQ(d->height, 300) << c.format;
        EXPECT_LE(meanAbsDiff(d->pixels, raw), c.maxError) << c.format << " q" << c.quality;
    }
    // the quality is honoured
    auto size = [&](int format, int q) { return makeResultImage(s, KindK1, format, q).bytes.size(); };
    EXPECT_LT(size(FormatMonoJpeg, 20), size(FormatMonoJpeg, 90));
    EXPECT_LT(size(FormatMonoJpeg2000, 5), size(FormatMonoJpeg2000, 30));
    EXPECT_LT(size(FormatMonoJpeg2000, 30), size(FormatMonoJpeg2000, 100));
    EXPECT_LT(size(FormatMonoJpeg2000, 10), 640 * 480 / 10 + 400);
}

TEST(Encoders, CompactKindsKeepTheirBudgetInJpeg2000)
{
    size_t previous = 0;
    const struct { int kind; uint8_t compact; } kinds[] = {{KindK7_1_5, 23}, {KindK7_2_5, 24}, {KindK7_3_5, 25}, {KindK7_5_0, 26}};
    for (const auto [kind, compact] : kinds) {
        // whatever format is asked, these come as JPEG 2000
        EncodedImage img = makeResultImage(eyeSpec(8), kind, FormatMonoRaw, 90);
        ASSERT_FALSE(img.empty()) << kind;
        EXPECT_EQ(img.format, FormatMonoJpeg2000);
        EXPECT_EQ(img.kind, compact);
        EXPECT_LE(img.bytes.size(), compactKindBudget(kind)) << kind;
        EXPECT_GT(img.bytes.size(), compactKindBudget(kind) * 6 / 10) << kind;
        EXPECT_GT(img.bytes.size(), previous);
        previous = img.bytes.size();
        auto d = imgtest::decodeJpeg2000(img.bytes, false);
        ASSERT_TRUE(d) << kind;
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
    IsoCaptureTime when;
    when.known = true;
    when.year = 2026; when.month = 12; when.day = 7; when.hour = 3; when.minute = 4; when.second = 5; when.millisecond = 600;
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
        {2, FormatMonoJpeg2000, KindK2, 2, leftOnly, 640, 480, 10, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.revision) + "/" + std::to_string(c.format) + "/" + std::to_string(c.kind));
        const Bytes r = makeIsoRecord(c.revision, c.format, c.kind, 40, c.subtype, c.eyes, when);
        ASSERT_FALSE(r.empty());
        auto images = imgtest::readIso(r);
        ASSERT_TRUE(images);
        ASSERT_EQ(images->size(), c.eyes.size());
        EXPECT_EQ(be32(r, 8), r.size());
        if (c.revision == 1) {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "010\0", 8), 0);
            EXPECT_EQ(r[14], c.eyes.size());
            EXPECT_EQ(be16(r, 15), 45u);
            EXPECT_EQ(be16(r, 21), c.recordFormat);
            EXPECT_EQ(be16(r, 23), unsigned(c.w));
            EXPECT_EQ(be16(r, 25), unsigned(c.h));
            EXPECT_EQ(r[27], 8);
            EXPECT_EQ(r[29], 'D');
            // first block at 45: length at 10, image from 14
            EXPECT_EQ(be16(r, 45 + 3), 1u);
            EXPECT_EQ(be32(r, 45 + 10), (*images)[0].data.size());
        } else {
            EXPECT_EQ(std::memcmp(r.data(), "IIR\0" "020\0", 8), 0);
            EXPECT_EQ(be16(r, 12), c.eyes.size());
            EXPECT_EQ(r[14], 0);
            EXPECT_EQ(r[15], c.eyes.size());
            const size_t b = 16;
            EXPECT_EQ(be32(r, b), 57 + be32(r, b + 53));
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
        for (size_t i = 0; i < images->size(); ++i) {
            const imgtest::IsoImage &im = (*images)[i];
            EXPECT_EQ(im.width, c.w);
            EXPECT_EQ(im.height, c.h);
            EXPECT_EQ(im.quality, c.eyes[i].totalScore);
            EXPECT_EQ(im.eye, c.subtype == 0 ? 0 : c.eyes[i].want.eye);
            EXPECT_EQ(im.format, c.recordFormat);
            if (c.revision == 2) {
                EXPECT_EQ(im.type, c.type);
            }
            std::optional<imgtest::Decoded> d;
            if (c.recordFormat == 2) d = imgtest::Decoded{c.w, c.h, im.data};
            else if (c.revision == 1 ? c.recordFormat == 14 : c.recordFormat == 10) d = imgtest::decodeJpeg2000(im.data, false);
            else d = imgtest::decodePng(im.data);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->width, c.w);
            EXPECT_EQ(d->height, c.h);
            EXPECT_EQ(d->pixels.size(), size_t(c.w) * c.h);
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
        {1, FormatMonoPng, KindK1, one}, {1, FormatMonoRaw, KindK3, one}, {1, FormatMonoRaw, KindK7_1_5, one},
        {2, FormatMonoJpeg, KindK1, one}, {2, FormatCorvaneRaw, KindK1, one}, {2, FormatMonoRaw, 5, one},
        {0, FormatMonoRaw, KindK1, one}, {3, FormatMonoRaw, KindK1, one}, {2, FormatMonoRaw, KindK1, {}},
        {2, FormatMonoRaw, KindK1, {one[0], one[0], one[0]}},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(makeIsoRecord(c.revision, c.format, c.kind, 50, 3, c.eyes).empty())
            << c.revision << "/" << c.format << "/" << c.kind << "/" << c.eyes.size();
}

TEST(Frames, ScaledInEveryStreamFormat)
{
    const EyeSpec s = eyeSpec(40, 1, PresentSharp, 99);
    for (int scale : {1, 2, 4, 8, 16}) {
        const int w = 640 / scale, h = 480 / scale;
        for (int format : {FormatMonoRaw, FormatMonoJpeg, FormatCorvaneRaw, FormatMonoJpeg2000}) {
            EncodedImage f = makeFrame(s, scale, format, 75, FrameOptions{5, false});
            ASSERT_FALSE(f.empty()) << scale << "/" << format;
            EXPECT_EQ(f.width, w);
            EXPECT_EQ(f.height, h);
            EXPECT_EQ(f.kind, 1);
            std::optional<imgtest::Decoded> d;
            if (format == FormatMonoRaw) d = imgtest::Decoded{w, h, f.bytes};
            if (format == FormatMonoJpeg) d = imgtest::decodeJpeg(f.bytes);
            if (format == FormatMonoJpeg2000) d = imgtest::decodeJpeg2000(f.bytes, false);
            if (format == FormatCorvaneRaw) {
                EXPECT_EQ(le32(f.bytes, 12), 5u);   // the frame's sequence number
                d = imgtest::Decoded{int(le32(f.bytes, 20)), int(le32(f.bytes, 24)), Bytes(f.bytes.begin() + 28, f.bytes.end())};
            }
            ASSERT_TRUE(d) << scale << "/" << format;
            EXPECT_EQ(d->width, w);
            EXPECT_EQ(d->height, h);
            EXPECT_EQ(d->pixels.size(), size_t(w) * h);
        }
    }
    // a divided frame averages the full one
    const GreyImage full = renderEye(s);
    const Bytes quarter = makeFrame(s, 4, FormatMonoRaw, 0).bytes;
    int sum = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) sum += full.at(40 + i, 60 + j);
    EXPECT_EQ(quarter[15 * 160 + 10], (sum + 8) / 16);
    // the extended container carries the iris where the divided frame has it
    const EyeGeometry g = eyeGeometry(s);
    const Bytes ext = makeFrame(s, 2, FormatCorvaneRaw, 0, FrameOptions{9, true}).bytes;
    ASSERT_EQ(ext.size(), 64u + 320 * 240);
    EXPECT_EQ(ext[0], 0xFF);
    EXPECT_EQ(le32(ext, 24), 320u);
    EXPECT_EQ(le32(ext, 28), 240u);
    EXPECT_NEAR(ext[32] | (ext[33] << 8), g.irisX / 2, 1);
    EXPECT_NEAR(ext[36] | (ext[37] << 8), g.irisR / 2, 1);
    EXPECT_EQ(Bytes(ext.begin() + 64, ext.end()), makeFrame(s, 2, FormatMonoRaw, 0).bytes);
    for (int bad : {0, 3, 32, -2}) EXPECT_TRUE(makeFrame(s, bad, FormatMonoRaw, 0).empty()) << bad;
    // nobody in front: a dim scene without a pupil in it, also for an absent eye
    EncodedImage empty = makeEmptyFrame(3, 2, FormatMonoRaw, 0);
    ASSERT_EQ(empty.bytes.size(), 320u * 240);
    EXPECT_EQ(makeFrame(eyeSpec(40, 1, PresentAbsent, 3), 2, FormatMonoRaw, 0).bytes, empty.bytes);
    EXPECT_EQ(usableIrisArea(eyeSpec(40, 1, PresentAbsent)), 0);
    GreyImage scene(320, 240);
    scene.pixels = empty.bytes;
    EXPECT_EQ(darkCentre(scene, 160, 120, 160, 120).n, 0);
    EXPECT_LT(highFrequency(scene), highFrequency(downscale(renderEye(s), 2)) * 0.8);
    EXPECT_TRUE(makeFrame(s, 1, 99, 0).empty());
}

TEST(Frames, TwoThreadsGetWhatOneThreadGets)
{
    // the engine draws both eyes' frames on its own threads; the shared cache
    // of drawn eyes must not mix them up
    std::vector<Bytes> expected;
    for (int i = 0; i < 8; ++i) expected.push_back(makeFrame(eyeSpec(600 + i % 5, 1 + i % 2, i % 4, i), 4, FormatMonoRaw, 0).bytes);
    std::vector<Bytes> got(expected.size());
    auto work = [&](int first) {
        for (size_t i = static_cast<size_t>(first); i < got.size(); i += 2)
            got[i] = makeFrame(eyeSpec(600 + i % 5, 1 + int(i % 2), int(i % 4), i), 4, FormatMonoRaw, 0).bytes;
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(got, expected);
}

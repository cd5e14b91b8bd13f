// Image records of every stream format through drawImage into a label:
// what is drawn, what is refused, and that records whose sizes do not add
// up are never drawn. Also the eye slots of the frame callback and the
// capture work area's one-eye frames.

#include "capture/CaptureResults.h"
#include "capture/CaptureWidget.h"
#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "core/AppContext.h"
#include "support/VirtualCameraFixture.h"

#include "Jp2Encoder.h"
#include "LibjpegReference.h"

#include <QLabel>
#include <QPixmap>
#include <QtTest>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes pattern(int width, int height, int seed = 0)
{
    Bytes px(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            px[size_t(y) * width + x] = uint8_t((x * 3 + y * 5 + seed) & 0xFF);
    return px;
}

ZephImage record(const Bytes &bytes, uint8_t format, uint32_t width = 0, uint32_t height = 0)
{
    ZephImage image{};
    image.kind = ZEPH_KIND_K1;
    image.format = format;
    image.width = width;
    image.height = height;
    image.data = const_cast<uint8_t *>(bytes.data());
    image.size = uint32_t(bytes.size());
    return image;
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    if (b.size() < at + 4)
        b.resize(at + 4, 0);
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A CORVANE_RAW container around `pixels`; fields may be made to lie.
Bytes container(bool extended, uint32_t blockLength, uint32_t width, uint32_t height, const Bytes &pixels)
{
    Bytes b(12 + size_t(blockLength) + (extended ? 4 : 0), 0x11);
    b[0] = extended ? 0xFF : 0x01;
    put32(b, 8, blockLength);
    const size_t widthAt = 12 + blockLength + (extended ? 4 : 0);
    put32(b, widthAt, width);
    put32(b, widthAt + 4, height);
    b.resize(widthAt + 8 + (extended ? 32 : 0), 0x22);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

QImage shown(const QLabel &label)
{
    return label.pixmap().toImage();
}

bool sameGrey(const QImage &img, const Bytes &px, int width, int height, int tolerance = 0)
{
    if (img.width() != width || img.height() != height)
        return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (qAbs(qGray(img.pixel(x, y)) - int(px[size_t(y) * width + x])) > tolerance)
                return false;
    return true;
}

// A label that already shows a picture, so that "left as it was" is seen.
struct Eye {
    QLabel label;
    qint64 before = 0;
    Eye()
    {
        label.setFixedSize(640, 480);
        const Bytes old(8 * 8, 200);
        FrameDrawer::drawRaw(&label, 8, 8, old.data(), old.size());
        before = label.pixmap().cacheKey();
    }
    bool unchanged() const { return label.pixmap().cacheKey() == before; }
};

// libjpeg's accurate integer decode of a grey frame.
Bytes referenceDecode(const Bytes &jpeg)
{
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d);
    Bytes out(size_t(d.output_width) * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.data() + size_t(d.output_scanline) * d.output_width;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

// JPEG 2000 stand-ins that write nothing and answer the given sizes.
uint32_t g_lieWidth = 0, g_lieHeight = 0;
int32_t lyingJp2(const void *, const uint8_t *, const uint32_t *, int32_t, const uint8_t *, void *,
                 uint8_t *, uint32_t *width, uint32_t *height, uint8_t *)
{
    *width = g_lieWidth;
    *height = g_lieHeight;
    return 0;
}

} // namespace

class TestFrameDrawer : public QObject
{
    Q_OBJECT
private slots:
    void corvaneRawContainers_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<uint>("blockLength");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("pixelsGiven");
        QTest::addColumn<int>("expectedStart"); // -1: not drawn
        QTest::newRow("plain, no block") << false << 0u << 640 << 480 << 640 * 480 << 20;
        QTest::newRow("plain, 5-byte block") << false << 5u << 33 << 7 << 33 * 7 << 25;
        QTest::newRow("extended, no block: width at 16, pixels at 56") << true << 0u << 641 << 3 << 641 * 3 << 56;
        QTest::newRow("extended, 9-byte block") << true << 9u << 12 << 12 << 144 << 65;
        QTest::newRow("one pixel short") << false << 0u << 64 << 48 << 64 * 48 - 1 << -1;
        QTest::newRow("no width") << false << 0u << 0 << 48 << 100 << -1;
        QTest::newRow("no height") << true << 0u << 48 << 0 << 100 << -1;
        QTest::newRow("block past the end") << false << 0xFFFFFFF0u << 4 << 4 << 16 << -1;
        QTest::newRow("product past 32 bits") << false << 0u << 0x10001 << 0x10000 << 64 << -1;
        QTest::newRow("sides past any picture") << false << 0u << 0x7FFFFFFF << 1 << 64 << -1;
    }
    void corvaneRawContainers()
    {
        QFETCH(bool, extended);
        QFETCH(uint, blockLength);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, pixelsGiven);
        QFETCH(int, expectedStart);
        // The block length is written as given; a lying one is not
        // followed by that many bytes.
        const bool honestBlock = blockLength < 1000;
        Bytes pixels(static_cast<size_t>(pixelsGiven));
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(i * 7 + 3);
        Bytes bytes;
        if (honestBlock) {
            bytes = container(extended, blockLength, uint32_t(width), uint32_t(height), pixels);
        } else {
            bytes.assign(12, 0);
            put32(bytes, 8, blockLength);
            bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        }
        FrameDrawer drawer;
        Eye eye;
        const bool drawn = drawer.drawImage(&eye.label, record(bytes, ZEPH_FORMAT_CORVANE_RAW, 1, 1));
        QCOMPARE(drawn, expectedStart >= 0);
        QCOMPARE(eye.unchanged(), !drawn);
        if (!drawn)
            return;
        const Bytes from(bytes.begin() + expectedStart, bytes.begin() + expectedStart + size_t(width) * height);
        QVERIFY(sameGrey(shown(eye.label), from, width, height));
    }

    void jpegFrames_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("640 x 480") << 640 << 480 << false << true;
        QTest::newRow("odd 321 x 17") << 321 << 17 << false << true;
        QTest::newRow("800 x 600 beyond the decoder's limit") << 800 << 600 << false << false;
        QTest::newRow("641 x 480") << 641 << 480 << false << false;
        QTest::newRow("colour") << 64 << 48 << true << false;
    }
    void jpegFrames()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, colour);
        QFETCH(bool, drawn);
        const Bytes grey = libjpegref::testPicture(width, height, 7);
        libjpegref::EncodeOptions o;
        o.quality = 15;
        o.colour = colour;
        const Bytes jpeg = libjpegref::encode(grey, width, height, o);
        FrameDrawer drawer;
        Eye eye;
        QCOMPARE(drawer.drawImage(&eye.label, record(jpeg, ZEPH_FORMAT_MONO_JPEG)), drawn);
        QCOMPARE(eye.unchanged(), !drawn);
        if (drawn) {
            const Bytes reference = referenceDecode(jpeg);
            QVERIFY(sameGrey(shown(eye.label), reference, width, height, 1));
        } else {
            QVERIFY(drawer.lastDecodeResult() != 0);
        }
        // Damaged data: cut short or no image at all.
        const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
        Eye other;
        drawer.drawImage(&other.label, record(cut, ZEPH_FORMAT_MONO_JPEG));
        const Bytes junk(5000, 0x5A);
        QVERIFY(!drawer.drawImage(&other.label, record(junk, ZEPH_FORMAT_MONO_JPEG)));
    }

    void jpeg2000Frames_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("640 x 480") << 640 << 480 << int(ZEPH_FORMAT_MONO_JPEG2000) << true;
        QTest::newRow("odd 161 x 3") << 161 << 3 << int(ZEPH_FORMAT_MONO_JPEG2000) << true;
        QTest::newRow("641 x 480 beyond the frame buffer") << 641 << 480 << int(ZEPH_FORMAT_MONO_JPEG2000) << false;
        QTest::newRow("CORVANE_JPEG2000 is not drawn") << 64 << 48 << int(ZEPH_FORMAT_CORVANE_JPEG2000) << false;
    }
    void jpeg2000Frames()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, format);
        QFETCH(bool, drawn);
        const Bytes grey = pattern(width, height, 9);
        const Bytes j2k = jp2test::encodeGrey(grey, width, height);
        QVERIFY(!j2k.empty());
        FrameDrawer drawer;
        Eye eye;
        QCOMPARE(drawer.drawImage(&eye.label, record(j2k, uint8_t(format))), drawn);
        QCOMPARE(eye.unchanged(), !drawn);
        if (drawn)
            QVERIFY(sameGrey(shown(eye.label), grey, width, height));
    }

    // The library's word on the sizes is checked against the frame buffer.
    void jpeg2000SizesChecked_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("fits exactly") << 640u << 480u << true;
        QTest::newRow("one line too many") << 640u << 481u << false;
        QTest::newRow("no width") << 0u << 480u << false;
        QTest::newRow("no height") << 640u << 0u << false;
        QTest::newRow("capacity left in the width") << 307200u << 1u << true;
        QTest::newRow("product wraps 32 bits") << 0x10000u << 0x10000u << false;
        QTest::newRow("negative as unsigned") << 0xFFFFFFFFu << 1u << false;
    }
    void jpeg2000SizesChecked()
    {
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(bool, drawn);
        g_lieWidth = width;
        g_lieHeight = height;
        FrameDrawer drawer;
        drawer.setJpeg2000Decoder(&lyingJp2);
        const Bytes anything(100, 1);
        Eye eye;
        // 307200 × 1 is wider than any picture may be: refused as well.
        const bool expect = drawn && width <= 8192;
        QCOMPARE(drawer.drawImage(&eye.label, record(anything, ZEPH_FORMAT_MONO_JPEG2000)), expect);
        QCOMPARE(eye.unchanged(), !expect);
    }

    void otherFormatsLeaveTheLabel()
    {
        const Bytes px = pattern(16, 16);
        FrameDrawer drawer;
        for (int format : {int(ZEPH_FORMAT_MONO_PNG), int(ZEPH_FORMAT_CORVANE_JPEG2000), 0, 255}) {
            Eye eye;
            QVERIFY(!drawer.drawImage(&eye.label, record(px, uint8_t(format), 16, 16)));
            QVERIFY(eye.unchanged());
        }
        // A raw record that claims more than it holds.
        Eye eye;
        QVERIFY(!drawer.drawImage(&eye.label, record(px, ZEPH_FORMAT_MONO_RAW, 16, 17)));
        QVERIFY(eye.unchanged());
    }

    // A copy that cannot be made marks the eye absent rather than leaving
    // the old frame described as present.
    void unmadeCopyMarksSlotAbsent()
    {
        LiveFrames frames;
        FrameRelay relay(frames);
        const Bytes px = pattern(8, 8);
        ZephImage both[2] = {record(px, ZEPH_FORMAT_MONO_RAW, 8, 8), record(px, ZEPH_FORMAT_MONO_RAW, 8, 8)};
        QVERIFY(relay.take(both, nullptr, nullptr));
        QVERIFY(frames.hasRightFrame && frames.hasLeftFrame);
        both[1].size = ImageSlot::kMaxDataSize + 1;
        QVERIFY(relay.take(both, nullptr, nullptr));
        QVERIFY(frames.hasRightFrame);
        QVERIFY(!frames.hasLeftFrame);
        QCOMPARE(frames.leftFrame.width, 8u); // the old copy stays whole
        QCOMPARE(frames.leftFrame.data.size(), size_t(64));
        QCoreApplication::processEvents();
    }

    // The capture work area draws each eye only when the callback gave it.
    void oneEyeCallbacksKeepTheOtherLabel()
    {
        VirtualCameraFixture camera;
        CaptureWidget area;
        auto *left = area.findChild<QLabel *>(QStringLiteral("lbLeftEye"));
        auto *right = area.findChild<QLabel *>(QStringLiteral("lbRightEye"));
        QVERIFY(left && right);
        FrameRelay &relay = CaptureResults::of(camera.context()).relay();

        const Bytes r = pattern(64, 48, 1), l = pattern(64, 48, 2);
        ZephImage both[2] = {record(r, ZEPH_FORMAT_MONO_RAW, 64, 48), record(l, ZEPH_FORMAT_MONO_RAW, 64, 48)};
        FrameRelay::frameCallback(&relay, both, 0, nullptr, nullptr);
        QCoreApplication::processEvents();
        QVERIFY(sameGrey(shown(*right), r, 64, 48));
        QVERIFY(sameGrey(shown(*left), l, 64, 48));
        const qint64 rightKey = right->pixmap().cacheKey();

        const Bytes l2 = pattern(64, 48, 3);
        ZephImage leftOnly[2] = {ZephImage{}, record(l2, ZEPH_FORMAT_MONO_RAW, 64, 48)};
        FrameRelay::frameCallback(&relay, leftOnly, 0, nullptr, nullptr);
        QCoreApplication::processEvents();
        QVERIFY(!camera.context().liveFrames.hasRightFrame);
        QCOMPARE(right->pixmap().cacheKey(), rightKey);
        QVERIFY(sameGrey(shown(*left), l2, 64, 48));
    }
};

QTEST_MAIN(TestFrameDrawer)
#include "tst_framedrawer.moc"

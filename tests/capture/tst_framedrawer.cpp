// Image records of every stream format through drawImage into a label:
// the very pixels drawn, and records whose sizes do not add up never drawn
// (tst_captureresults has the plain refusals). Also the eye slots of the
// frame callback and the capture work area's one-eye frames.

#include "capture/CaptureResults.h"
#include "capture/CaptureWidget.h"
#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "core/AppContext.h"
#include "support/VirtualCameraFixture.h"

#include "CorvaneRawBuilder.h"
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
    // Where the pixels start (the container's own test has the refusals).
    void corvaneRawContainers_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<uint>("blockLength");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("expectedStart");
        QTest::newRow("plain, 5-byte block") << false << 5u << 33 << 7 << 25;
        QTest::newRow("extended, 9-byte block") << true << 9u << 12 << 12 << 65;
    }
    void corvaneRawContainers()
    {
        QFETCH(bool, extended);
        QFETCH(uint, blockLength);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, expectedStart);
        const Bytes bytes = corvanetest::container(extended, blockLength, uint32_t(width), uint32_t(height));
        FrameDrawer drawer;
        Eye eye;
        QVERIFY(drawer.drawImage(&eye.label, record(bytes, ZEPH_FORMAT_CORVANE_RAW, 1, 1)));
        QVERIFY(sameGrey(shown(eye.label), Bytes(bytes.begin() + expectedStart, bytes.end()), width, height));
    }

    // Frames made by the reference encoders; a JPEG is drawn as libjpeg
    // decodes it (within 1), a lossless JPEG 2000 exactly.
    void compressedFrames_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("drawn");
        const int jpeg = ZEPH_FORMAT_MONO_JPEG, j2k = ZEPH_FORMAT_MONO_JPEG2000;
        QTest::newRow("jpeg odd 321 x 17") << jpeg << 321 << 17 << false << true;
        QTest::newRow("jpeg colour") << jpeg << 64 << 48 << true << false;
        QTest::newRow("jpeg 2000 odd 161 x 3") << j2k << 161 << 3 << false << true;
        QTest::newRow("CORVANE_JPEG2000 is not drawn")
            << int(ZEPH_FORMAT_CORVANE_JPEG2000) << 64 << 48 << false << false;
    }
    void compressedFrames()
    {
        QFETCH(int, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, colour);
        QFETCH(bool, drawn);
        const Bytes grey = libjpegref::testPicture(width, height, 7);
        Bytes bytes, expected = grey;
        if (format == ZEPH_FORMAT_MONO_JPEG) {
            libjpegref::EncodeOptions o;
            o.quality = 15;
            o.colour = colour;
            bytes = libjpegref::encode(grey, width, height, o);
            int w = 0, h = 0;
            libjpegref::Decoder().decode(bytes.data(), bytes.size(), expected.data(), &w, &h);
        } else {
            bytes = jp2test::encodeGrey(grey, width, height);
        }
        QVERIFY(!bytes.empty());
        FrameDrawer drawer;
        Eye eye;
        QCOMPARE(drawer.drawImage(&eye.label, record(bytes, uint8_t(format))), drawn);
        QCOMPARE(eye.unchanged(), !drawn);
        if (drawn)
            QVERIFY(sameGrey(shown(eye.label), expected, width, height, format == ZEPH_FORMAT_MONO_JPEG ? 1 : 0));
        else if (format == ZEPH_FORMAT_MONO_JPEG)
            QVERIFY(drawer.lastDecodeResult() != 0);
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
        QTest::newRow("fits the buffer, wider than any picture") << 307200u << 1u << false;
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
        QCOMPARE(drawer.drawImage(&eye.label, record(anything, ZEPH_FORMAT_MONO_JPEG2000)), drawn);
        QCOMPARE(eye.unchanged(), !drawn);
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

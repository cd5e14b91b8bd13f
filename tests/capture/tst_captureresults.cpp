// The capture state and its way to the screen: image copies, the frame
// relay between the SDK's thread and the GUI thread, drawing, the score
// boxes and what each eye label says without a picture.

#include "capture/CaptureResults.h"
#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "capture/ScoreOverlay.h"
#include "core/AppContext.h"
#include "core/ResultText.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QtTest>
#include <thread>
#include <vector>

namespace {

ZephImage raw(std::vector<uint8_t> &pixels, uint32_t width, uint32_t height, uint8_t kind = 3)
{
    ZephImage image{};
    image.kind = kind;
    image.format = ZEPH_FORMAT_MONO_RAW;
    image.width = width;
    image.height = height;
    image.data = pixels.data();
    image.size = uint32_t(pixels.size());
    return image;
}

// Stands in for the capture work area: takes one event per delivery, as
// the work area does, and notes the statuses it saw change.
class Receiver : public QObject
{
    Q_OBJECT
public:
    explicit Receiver(FrameRelay &relay, LiveFrames &frames) : m_relay(relay), m_frames(frames) {}
    QList<int> changes;
    int deliveries = 0;
public slots:
    void ProcessIncomingFrame()
    {
        ++deliveries;
        m_relay.takeEvent(nullptr);
        if (m_frames.captureStatus != m_frames.previousCaptureStatus) {
            m_frames.previousCaptureStatus = m_frames.captureStatus;
            changes << m_frames.captureStatus;
        }
    }

private:
    FrameRelay &m_relay;
    LiveFrames &m_frames;
};

QRgb pixelAt(const QLabel &label, int x, int y)
{
    return label.pixmap().toImage().pixel(x, y);
}

} // namespace

class TestCaptureResults : public QObject
{
    Q_OBJECT
private slots:
    // A copy grows its buffer first and describes the new image only when
    // the bytes are there; a copy that cannot be made leaves the old one
    // whole and says so.
    void imageSlotCopies()
    {
        ImageSlot slot;
        std::vector<uint8_t> small(4 * 3, 7);
        QVERIFY(slot.assign(raw(small, 4, 3)));
        QCOMPARE(slot.width, 4u);
        QCOMPARE(slot.data.size(), size_t(12));

        std::vector<uint8_t> big(640 * 480, 9);
        QVERIFY(slot.assign(raw(big, 640, 480, 2)));
        QCOMPARE(slot.kind, uint8_t(2));
        QCOMPARE(slot.record().size, uint32_t(640 * 480));
        QCOMPARE(slot.data.back(), uint8_t(9));

        // Smaller again: the buffer is reused, the size follows the data.
        QVERIFY(slot.assign(raw(small, 4, 3)));
        QCOMPARE(slot.data.size(), size_t(12));
        QVERIFY(slot.data.capacity() >= size_t(640 * 480));

        // A record claiming more than any camera sends is not believed.
        ZephImage lying = raw(small, 100000, 100000);
        lying.size = ImageSlot::kMaxDataSize + 1;
        QVERIFY(!slot.assign(lying));
        QCOMPARE(slot.width, 4u);
        QCOMPARE(slot.height, 3u);
        QCOMPARE(slot.data.size(), size_t(12));

        ZephImage empty{};
        QVERIFY(!slot.assign(empty));
        QCOMPARE(slot.width, 4u);
    }

    // Callbacks faster than the GUI thread: every status change still
    // reaches the work area, in order, even COMPLETE right after CAPTURING.
    void statusesSurviveACallbackBurst()
    {
        VirtualCameraFixture camera;
        LiveFrames &frames = camera.context().liveFrames;
        FrameRelay relay(frames);
        Receiver receiver(relay, frames);
        relay.setReceiver(&receiver);

        std::vector<uint8_t> pixels(8 * 2, 1);
        ZephImage images[2] = {raw(pixels, 8, 2), ZephImage{}};
        std::thread sdk([&] {
            const int32_t statuses[] = {1, 1, 2, 2, 2, 3};
            for (int32_t s : statuses)
                FrameRelay::frameCallback(&relay, images, 0, &s, nullptr);
        });
        sdk.join();
        QCOMPARE(relay.pendingDeliveries(), 6);
        QCoreApplication::processEvents();
        QCOMPARE(receiver.deliveries, 6);
        QCOMPARE(receiver.changes, QList<int>({1, 2, 3}));
        QCOMPARE(relay.pendingDeliveries(), 0);
        QVERIFY(frames.hasRightFrame);
        QVERIFY(!frames.hasLeftFrame);
    }

    // A callback without images clears both slots but keeps its status and
    // error; one after the receiver is gone is dropped with its event.
    void nullImagesAndLateCallbacks()
    {
        VirtualCameraFixture camera;
        LiveFrames &frames = camera.context().liveFrames;
        FrameRelay relay(frames);
        std::vector<uint8_t> pixels(4, 1);
        ZephImage images[2] = {raw(pixels, 2, 2), raw(pixels, 2, 2)};
        const int32_t capturing = 2;
        QVERIFY(FrameRelay::frameCallback(&relay, images, 0, &capturing, nullptr));
        QVERIFY(frames.hasLeftFrame && frames.hasRightFrame);

        const int32_t abort = 5;
        const int32_t error = ZEPH_ERR_NO_QUALIFIED_FRAME;
        {
            auto receiver = std::make_unique<Receiver>(relay, frames);
            relay.setReceiver(receiver.get());
            QVERIFY(FrameRelay::frameCallback(&relay, nullptr, 0, &abort, &error));
            QVERIFY(!frames.hasLeftFrame && !frames.hasRightFrame);
        } // the work area goes before its deliveries arrive
        QCoreApplication::processEvents();
        QCOMPARE(frames.captureStatus, abort);
        QCOMPARE(frames.captureError, error);
        QVERIFY(frames.events.empty());
        QCOMPARE(FrameRelay::frameCallback(nullptr, nullptr, 0, nullptr, nullptr), 0);
    }

    void resetKeepsCaptureTimeOnlyWhenAsked()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.lastCapture.captureTime = 123456;
        ctx.lastCapture.hasLeftImage = true;
        ctx.resetCaptureState(true);
        QCOMPARE(ctx.lastCapture.captureTime, qint64(123456));
        QVERIFY(!ctx.lastCapture.hasLeftImage);
        ctx.resetCaptureState();
        QCOMPARE(ctx.lastCapture.captureTime, qint64(0));
    }

    // The fetch's own reset keeps the completion time: otherwise every
    // fetched capture would look fresh to the age check.
    void fetchKeepsCaptureTime()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.lastCapture.captureTime = 987654;
        ctx.lastCapture.hasRightImage = true;
        CaptureResults::of(ctx).fetchCaptureResults(0, nullptr);
        QCOMPARE(ctx.lastCapture.captureTime, qint64(987654));
        QVERIFY(!ctx.lastCapture.hasRightImage);
    }

    // A camera that answers success (or one missing eye) but hands out no
    // arrays: nothing is read through the missing pointers.
    void fetchWithMissingArrays_data()
    {
        QTest::addColumn<int>("qualityAnswer");
        QTest::addColumn<int>("imageAnswer");
        QTest::newRow("all fine, nothing given") << 0 << 0;
        QTest::newRow("right missing") << int(ZEPH_ERR_NO_QUALIFIED_RIGHT) << int(ZEPH_ERR_NO_QUALIFIED_RIGHT);
        QTest::newRow("left missing") << int(ZEPH_ERR_NO_QUALIFIED_LEFT) << 0;
    }
    void fetchWithMissingArrays()
    {
        QFETCH(int, qualityAnswer);
        QFETCH(int, imageAnswer);
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(true), 0);
        Zvc_FailNext("Zeph_GetResultQuality", 1, qualityAnswer);
        Zvc_FailNext("Zeph_GetResultImage", 1, imageAnswer);
        CaptureResults::of(ctx).fetchCaptureResults(0, nullptr);
        QCOMPARE(ctx.lastCapture.lastCaptureResult, qualityAnswer);
        QCOMPARE(ctx.lastResult, imageAnswer);
        QCOMPARE(ctx.lastCapture.rightQuality.totalScore, uint8_t(0));
        QCOMPARE(ctx.lastCapture.leftQuality.totalScore, uint8_t(0));
        QVERIFY(!ctx.lastCapture.hasRightImage);
        QVERIFY(!ctx.lastCapture.hasLeftImage);
    }

    // No ISO record for the one eye asked for: the missing eye is named,
    // and the reason becomes the save error text.
    void isoWithoutRecord_data()
    {
        QTest::addColumn<int>("subtype");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("result");
        QTest::newRow("right asked") << 1 << 0 << int(ZEPH_ERR_NO_QUALIFIED_RIGHT);
        QTest::newRow("left asked") << 2 << 0 << int(ZEPH_ERR_NO_QUALIFIED_LEFT);
        QTest::newRow("both asked") << 3 << 0 << int(ZEPH_ERR_NO_QUALIFIED_FRAME);
        QTest::newRow("nothing qualified") << 1 << int(ZEPH_ERR_NO_QUALIFIED_FRAME)
                                           << int(ZEPH_ERR_NO_QUALIFIED_FRAME);
    }
    void isoWithoutRecord()
    {
        QFETCH(int, subtype);
        QFETCH(int, quality);
        QFETCH(int, result);
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(true), 0);
        ctx.isoSubtype = subtype;
        Zvc_FailNext("Zeph_GetResultQuality", 1, quality);
        Zvc_FailNext("Zeph_GetResultIsoImage", 1, ZEPH_ERR_NO_QUALIFIED_FRAME);
        CaptureResults &results = CaptureResults::of(ctx);
        results.fetchCaptureResults(ZEPH_ISO_2011, nullptr);
        QCOMPARE(ctx.lastResult, result);
        QCOMPARE(ctx.lastCapture.leftResult, result);
        QCOMPARE(results.saveError(), QString::fromLatin1(ResultText(result)));
        QVERIFY(!ctx.lastCapture.hasLeftImage && !ctx.lastCapture.hasRightImage);
    }

    void drawRawFrames_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("641 wide, padded in memory only") << 641u << 3u << 641 * 3 << true;
        QTest::newRow("exact") << 640u << 480u << 640 * 480 << true;
        QTest::newRow("one byte short") << 641u << 3u << 641 * 3 - 1 << false;
        QTest::newRow("no width") << 0u << 3u << 100 << false;
        QTest::newRow("product past 32 bits") << 70000u << 70000u << 1000 << false;
    }
    void drawRawFrames()
    {
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(int, bytes);
        QFETCH(bool, drawn);
        std::vector<uint8_t> pixels(static_cast<size_t>(bytes));
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(i % 251);
        QLabel label;
        label.setFixedSize(640, 480);
        QCOMPARE(FrameDrawer::drawRaw(&label, width, height, pixels.data(), pixels.size()), drawn);
        QCOMPARE(label.pixmap().isNull(), !drawn);
        if (drawn) {
            QCOMPARE(label.pixmap().width(), int(width));
            QVERIFY(!label.hasScaledContents());
            // Last pixel of the first row and first of the second: the
            // rows are not shifted by the padding.
            const QImage img = label.pixmap().toImage();
            QCOMPARE(qGray(img.pixel(int(width) - 1, 0)), int((width - 1) % 251));
            QCOMPARE(qGray(img.pixel(0, 1)), int(width % 251));
        }
    }

    void largerThanLabelIsScaled()
    {
        std::vector<uint8_t> pixels(640 * 480, 128);
        QLabel label;
        label.setFixedSize(320, 240);
        QVERIFY(FrameDrawer::drawRaw(&label, 640, 480, pixels.data(), pixels.size()));
        QVERIFY(label.hasScaledContents());
    }

    // Every format a frame or result comes in, drawn through its reader;
    // what a reader refuses leaves the label's previous picture.
    void drawCompressedFormats_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("drawn"); // empty: refused

        auto jpeg = [](int w, int h) {
            QImage grey(w, h, QImage::Format_Grayscale8);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    grey.scanLine(y)[x] = uchar((x * 7 + y * 3) & 0xFF);
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            grey.save(&buffer, "JPG", 90);
            return out;
        };
        auto le32 = [](QByteArray &b, int offset, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b[offset + i] = char((v >> (8 * i)) & 0xFF);
        };
        auto corvane = [&](bool extended, uint32_t block, uint32_t w, uint32_t h, int pixels) {
            const int head = 12 + int(block) + (extended ? 4 : 0);
            const int start = head + 8 + (extended ? 32 : 0);
            QByteArray b(start + pixels, char(0x40));
            b[0] = extended ? char(0xFF) : char(0);
            le32(b, 8, block);
            le32(b, head, w);
            le32(b, head + 4, h);
            return b;
        };
        QFile j2k(QStringLiteral(GLINT_SOURCE_ROOT "/fuzz/corpus/jp2/grey_16x12.j2k"));
        QVERIFY(j2k.open(QIODevice::ReadOnly));
        const QByteArray j2kBytes = j2k.readAll();

        QTest::newRow("jpeg 24x16") << int(ZEPH_FORMAT_MONO_JPEG) << jpeg(24, 16) << QSize(24, 16);
        QTest::newRow("jpeg 640x480") << int(ZEPH_FORMAT_MONO_JPEG) << jpeg(640, 480) << QSize(640, 480);
        QTest::newRow("jpeg 800x600 beyond the decoder") << int(ZEPH_FORMAT_MONO_JPEG) << jpeg(800, 600) << QSize();
        QTest::newRow("jpeg cut short") << int(ZEPH_FORMAT_MONO_JPEG) << jpeg(24, 16).left(40) << QSize();
        QTest::newRow("corvane plain") << int(ZEPH_FORMAT_CORVANE_RAW) << corvane(false, 5, 8, 2, 16) << QSize(8, 2);
        QTest::newRow("corvane extended, no block") << int(ZEPH_FORMAT_CORVANE_RAW) << corvane(true, 0, 3, 2, 6) << QSize(3, 2);
        QTest::newRow("corvane claiming more pixels") << int(ZEPH_FORMAT_CORVANE_RAW) << corvane(false, 0, 8, 8, 10) << QSize();
        QTest::newRow("corvane block past the end") << int(ZEPH_FORMAT_CORVANE_RAW) << corvane(false, 0, 2, 2, 4).left(14) << QSize();
        QTest::newRow("jpeg 2000 16x12") << int(ZEPH_FORMAT_MONO_JPEG2000) << j2kBytes << QSize(16, 12);
        QTest::newRow("jpeg 2000 damaged") << int(ZEPH_FORMAT_MONO_JPEG2000) << j2kBytes.left(30) << QSize();
    }
    void drawCompressedFormats()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, drawn);
        FrameDrawer drawer;
        QLabel label;
        label.setFixedSize(640, 480);
        std::vector<uint8_t> before(4, 9);
        QVERIFY(drawer.drawImage(&label, raw(before, 2, 2)));
        ZephImage image{};
        image.format = uint8_t(format);
        image.data = reinterpret_cast<uint8_t *>(bytes.data());
        image.size = uint32_t(bytes.size());
        QCOMPARE(drawer.drawImage(&label, image), drawn.isValid());
        QCOMPARE(label.pixmap().size(), drawn.isValid() ? drawn : QSize(2, 2));
        if (format == ZEPH_FORMAT_CORVANE_RAW && drawn.isValid())
            QCOMPARE(qGray(label.pixmap().toImage().pixel(0, 0)), 0x40);
    }

    // Formats that cannot be drawn leave the previous picture.
    void undrawableFormatsKeepPicture()
    {
        FrameDrawer drawer;
        std::vector<uint8_t> pixels(16, 50);
        QLabel label;
        label.setFixedSize(640, 480);
        QVERIFY(drawer.drawImage(&label, raw(pixels, 4, 4)));
        const qint64 before = label.pixmap().cacheKey();
        for (uint8_t format : {uint8_t(ZEPH_FORMAT_MONO_PNG), uint8_t(ZEPH_FORMAT_CORVANE_JPEG2000),
                               uint8_t(77)}) {
            ZephImage other = raw(pixels, 4, 4);
            other.format = format;
            QVERIFY(!drawer.drawImage(&label, other));
            QCOMPARE(label.pixmap().cacheKey(), before);
        }
    }

    void overlayOnlyOverPictures()
    {
        QLabel empty;
        QVERIFY(!ScoreOverlay::drawScores(&empty, 80, 70));
        QVERIFY(empty.pixmap().isNull());

        std::vector<uint8_t> pixels(200 * 100, 0);
        QLabel label;
        label.setFixedSize(640, 480);
        QVERIFY(FrameDrawer::drawRaw(&label, 200, 100, pixels.data(), pixels.size()));
        QVERIFY(ScoreOverlay::drawScores(&label, 80, 70));
        QCOMPARE(pixelAt(label, 4, 45), qRgb(255, 255, 255)); // inside the box
        QCOMPARE(pixelAt(label, 130, 45), qRgb(0, 0, 0));     // beside it
    }

    // What each eye label shows for each result when it has no picture,
    // and that scores are boxed only over a picture.
    void labelsByResult_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("eyeSubtype");
        QTest::addColumn<QString>("leftText");
        QTest::addColumn<QString>("rightText");
        const QString disabled = QStringLiteral(
            "The captured image cannot be displayed since the 'dataClosure' or the "
            "'forceEncryption' mode in the device configuration is on. Matching, enrollment, or "
            "login can still be carried out properly though.");
        const QString locked =
            QStringLiteral("The captured image cannot be displayed since the device was locked.");
        QTest::newRow("function disabled") << 4105 << 3 << disabled << disabled;
        QTest::newRow("device locked") << 4106 << 3 << locked << locked;
        QTest::newRow("right only") << 0x3006 << 1
                                    << QStringLiteral("The capture for left eye is disabled.")
                                    << QString::fromLatin1(ResultText(0x3006));
        QTest::newRow("nothing captured") << 0x3005 << 3 << QStringLiteral("left title")
                                          << QStringLiteral("right title");
        QTest::newRow("no qualified right") << 0x3007 << 3 << QString()
                                            << QString::fromLatin1(ResultText(0x3007));
        QTest::newRow("no qualified left") << 0x3008 << 3
                                           << QString::fromLatin1(ResultText(0x3008)) << QString();
    }
    void labelsByResult()
    {
        QFETCH(int, result);
        QFETCH(int, eyeSubtype);
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.eyeSubtype = eyeSubtype;
        ctx.lastCapture.leftResult = ctx.lastCapture.rightResult = result;
        ctx.lastCapture.leftQuality = ctx.lastCapture.rightQuality = ZephQuality{90, 80};
        QLabel left, right;
        left.setWindowTitle(QStringLiteral("left title"));
        right.setWindowTitle(QStringLiteral("right title"));
        left.setText(QStringLiteral("old"));
        CaptureResults::of(ctx).showCaptureResults(&left, &right, true);
        QTEST(left.text(), "leftText");
        QTEST(right.text(), "rightText");
        QVERIFY(left.pixmap().isNull());
        QVERIFY(right.pixmap().isNull());
    }

    void picturesWithScores()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        std::vector<uint8_t> pixels(640 * 480, 20);
        QVERIFY(ctx.lastCapture.leftImage.assign(raw(pixels, 640, 480)));
        ctx.lastCapture.hasLeftImage = true;
        ctx.lastCapture.leftQuality = ZephQuality{77, 66};
        QVERIFY(ctx.lastCapture.rightImage.assign(raw(pixels, 640, 480)));
        ctx.lastCapture.hasRightImage = true; // no score: no box
        QLabel left, right;
        left.setFixedSize(640, 480);
        right.setFixedSize(640, 480);
        CaptureResults::of(ctx).showCaptureResults(&left, &right, true);
        QCOMPARE(pixelAt(left, 4, 45), qRgb(255, 255, 255));
        QCOMPARE(pixelAt(right, 4, 45), qRgb(20, 20, 20));
        CaptureResults::of(ctx).showCaptureResults(&left, &right, false);
        QCOMPARE(pixelAt(left, 4, 45), qRgb(20, 20, 20));
    }
};

QTEST_MAIN(TestCaptureResults)
#include "tst_captureresults.moc"

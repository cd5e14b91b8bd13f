// The capture state on its way to the screen: the frame relay between the
// SDK's and the GUI thread (under load too), frames of every stream format
// drawn (the very pixels; sizes that do not add up never), score boxes and eye
// texts.

#include "capture/CaptureResults.h"
#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "capture/ScoreOverlay.h"
#include "core/AppContext.h"
#include "core/ResultText.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual/imaging/Jpeg2000Encoder.h"
#include "zeph/virtual_camera.h"

#include "CorvaneRawBuilder.h"
#include "LibjpegReference.h"

#include <QLabel>
#include <QPixmap>
#include <QScopeGuard>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

ZephImage record(const Bytes &bytes, uint8_t format, uint32_t width = 0, uint32_t height = 0, uint8_t kind = 1)
{
    ZephImage image{};
    image.kind = kind;
    image.format = format;
    image.width = width;
    image.height = height;
    image.data = const_cast<uint8_t *>(bytes.data());
    image.size = uint32_t(bytes.size());
    return image;
}
ZephImage raw(const Bytes &pixels, uint32_t width, uint32_t height, uint8_t kind = 3)
{
    return record(pixels, ZEPH_FORMAT_MONO_RAW, width, height, kind);
}

QImage shown(const QLabel &label)
{
    return label.pixmap().toImage();
}

Bytes pattern(int width, int height, int seed = 0)
{
    Bytes px(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            px[size_t(y) * width + x] = uint8_t((x * 3 + y * 5 + seed) & 0xFF);
    return px;
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

// Frame n of an eye: sizes follow n's parity, every byte is the mark of n and
// the eye, so a mixed copy shows.
QSize sizeOf(uint32_t n)
{
    return n % 2 ? QSize(640, 480) : QSize(161, 37);
}
uint8_t markOf(uint32_t n, int eye)
{
    return uint8_t(2 * n + eye); // the eye in bit 0, n's parity in bit 1
}
bool wholeFrame(const ImageSlot &slot, int eye)
{
    if (slot.data.empty() || (slot.data[0] & 1) != eye)
        return false;
    const uint8_t mark = slot.data[0];
    const QSize size = sizeOf(mark >> 1);
    return slot.width == uint32_t(size.width()) && slot.height == uint32_t(size.height())
           && slot.data.size() == size_t(size.width()) * size.height()
           && std::all_of(slot.data.begin(), slot.data.end(), [mark](uint8_t b) { return b == mark; });
}

// Stands in for the capture work area: one event per delivery, noting the
// status changes. Under load it falls behind now and then and copies the
// frames at every delivery (the work area only with none queued); each must be
// whole.
class Receiver : public QObject
{
    Q_OBJECT
public:
    Receiver(FrameRelay &relay, LiveFrames &frames, const std::atomic<uint32_t> *handedOver = nullptr,
             uint32_t total = 0)
        : m_relay(relay), m_frames(frames), m_handedOver(handedOver), m_total(total)
    {
    }
    QList<int> changes;
    int deliveries = 0, checked = 0, torn = 0, maxBacklog = 0;

public slots:
    void ProcessIncomingFrame()
    {
        ++deliveries;
        maxBacklog = qMax(maxBacklog, m_relay.pendingDeliveries());
        m_relay.takeEvent(nullptr);
        if (m_frames.captureStatus != m_frames.previousCaptureStatus) {
            m_frames.previousCaptureStatus = m_frames.captureStatus;
            changes << m_frames.captureStatus;
        }
        if (!m_handedOver)
            return;
        // Held up until 20 more frames are behind this one or the stream is
        // over; the SDK's thread never waits.
        if (deliveries % 50 == 0)
            for (const uint32_t target = qMin(*m_handedOver + 20, m_total); *m_handedOver < target;)
                std::this_thread::yield();
        bool has[2];
        {
            std::lock_guard<std::mutex> g(m_frames.guard);
            has[0] = m_frames.hasRightFrame && m_copy[0].assign(m_frames.rightFrame.record());
            has[1] = m_frames.hasLeftFrame && m_copy[1].assign(m_frames.leftFrame.record());
        }
        for (int eye = 0; eye < 2; ++eye)
            if (has[eye])
                ++(wholeFrame(m_copy[eye], eye) ? checked : torn);
    }

private:
    FrameRelay &m_relay;
    LiveFrames &m_frames;
    const std::atomic<uint32_t> *m_handedOver;
    uint32_t m_total;
    ImageSlot m_copy[2];
};

} // namespace

class TestCaptureResults : public QObject
{
    Q_OBJECT
private slots:
    // A callback without images clears both slots, keeping status and error;
    // one after the receiver went is dropped.
    void nullImagesAndLateCallbacks()
    {
        LiveFrames frames;
        FrameRelay relay(frames);
        Bytes pixels(4, 1);
        ZephImage images[2] = {raw(pixels, 2, 2), raw(pixels, 2, 2)};
        const int32_t capturing = 2, abort = 5, error = ZEPH_ERR_NO_QUALIFIED_FRAME;
        QVERIFY(FrameRelay::frameCallback(&relay, images, 0, &capturing, nullptr));
        QVERIFY(frames.hasLeftFrame && frames.hasRightFrame);
        {
            Receiver receiver(relay, frames);
            relay.setReceiver(&receiver);
            QVERIFY(FrameRelay::frameCallback(&relay, nullptr, 0, &abort, &error));
            QVERIFY(!frames.hasLeftFrame && !frames.hasRightFrame);
        } // the work area goes before its deliveries arrive
        QCoreApplication::processEvents();
        QCOMPARE(frames.captureStatus, abort);
        QCOMPARE(frames.captureError, error);
        QVERIFY(frames.events.empty());
        QCOMPARE(FrameRelay::frameCallback(nullptr, nullptr, 0, nullptr, nullptr), 0);
    }

    // The SDK's thread hands over frames of changing sizes faster than the GUI
    // thread, held up now and then, takes them: every copy taken is one whole
    // frame, and no status change is lost in the backlog, not even one
    // COMPLETE.
    void relayUnderLoad()
    {
        LiveFrames frames;
        FrameRelay relay(frames);
        constexpr uint32_t kFrames = 2000;
        std::atomic<uint32_t> handedOver{0};
        Receiver screen(relay, frames, &handedOver, kFrames);
        relay.setReceiver(&screen);
        const auto statusOf = [](uint32_t n) {
            return n < 700    ? ZEPH_STATUS_CAPTURING
                   : n == 700 ? ZEPH_STATUS_COMPLETE
                   : n < 1300 ? ZEPH_STATUS_READY
                   : n < 1900 ? ZEPH_STATUS_CAPTURING
                   : n == 1900 ? ZEPH_STATUS_ABORT
                               : ZEPH_STATUS_READY;
        };
        std::thread sdk([&] {
            Bytes px[2];
            for (uint32_t n = 1; n <= kFrames; ++n) {
                ZephImage both[2];
                const QSize size = sizeOf(n);
                for (int eye = 0; eye < 2; ++eye) {
                    px[eye].assign(size_t(size.width()) * size.height(), markOf(n, eye));
                    both[eye] = raw(px[eye], uint32_t(size.width()), uint32_t(size.height()));
                }
                const int32_t status = statusOf(n);
                relay.take(both, &status, nullptr);
                ++handedOver;
            }
        });
        const auto joined = qScopeGuard([&] { sdk.join(); });
        QTRY_VERIFY_WITH_TIMEOUT(handedOver == kFrames && relay.pendingDeliveries() == 0, 30000);

        QCOMPARE(screen.deliveries, int(kFrames));
        QCOMPARE(screen.torn, 0);
        QVERIFY2(screen.checked >= 4, qPrintable(QString::number(screen.checked)));
        QVERIFY2(screen.maxBacklog > 5, qPrintable(QString::number(screen.maxBacklog)));
        const QList<int> expected{ZEPH_STATUS_CAPTURING, ZEPH_STATUS_COMPLETE, ZEPH_STATUS_READY,
                                  ZEPH_STATUS_CAPTURING, ZEPH_STATUS_ABORT,    ZEPH_STATUS_READY};
        QCOMPARE(screen.changes, expected);
    }

    // A camera that answers success but hands out no arrays or ISO record:
    // nothing is read through the missing pointers; without a record the
    // missing eye is named, and the reason becomes the save error text.
    void fetchWithNothingHandedOut()
    {
        const int right = ZEPH_ERR_NO_QUALIFIED_RIGHT, none = ZEPH_ERR_NO_QUALIFIED_FRAME;
        const struct {
            int revision, subtype, quality, image, result;
        } rows[] = {{0, 0, 0, 0, 0},                   // all fine, nothing given
                    {2, 1, 0, none, right},            // ISO, right asked
                    {2, 3, 0, none, none},             // ISO, both asked
                    {2, 1, none, none, none}};         // ISO, nothing qualified
        for (const auto &r : rows) {
            VirtualCameraFixture camera;
            AppContext &ctx = camera.context();
            camera.select(ZVC_DEFAULT_USB_BINOCULAR);
            QCOMPARE(ctx.openDevice(true), 0);
            ctx.isoSubtype = r.subtype;
            Zvc_FailNext("Zeph_GetResultQuality", 1, r.quality);
            Zvc_FailNext(r.revision ? "Zeph_GetResultIsoImage" : "Zeph_GetResultImage", 1, r.image);
            CaptureResults &results = CaptureResults::of(ctx);
            results.fetchCaptureResults(r.revision, nullptr);
            const LastCapture &last = ctx.lastCapture;
            QCOMPARE(last.lastCaptureResult, r.quality);
            QCOMPARE(ctx.lastResult, r.result);
            QCOMPARE(last.leftResult, r.result);
            QCOMPARE(results.saveError(), r.revision ? QString::fromLatin1(ResultText(r.result)) : QString());
            QCOMPARE(last.rightQuality.totalScore, uint8_t(0));
            QCOMPARE(last.leftQuality.totalScore, uint8_t(0));
            QVERIFY(!last.hasRightImage && !last.hasLeftImage);
        }
    }

    void drawRawFrames_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QSize>("label");
        QTest::addColumn<bool>("drawn");
        const QSize vga(640, 480);
        QTest::newRow("641 wide, padded in memory only") << 641u << 3u << 641 * 3 << vga << true;
        QTest::newRow("larger than the label: scaled") << 640u << 480u << 640 * 480 << QSize(320, 240) << true;
        QTest::newRow("one byte short") << 641u << 3u << 641 * 3 - 1 << vga << false;
        QTest::newRow("no width") << 0u << 3u << 100 << vga << false;
        QTest::newRow("wider than any picture") << 8193u << 1u << 8193 << vga << false;
    }
    void drawRawFrames()
    {
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(int, bytes);
        QFETCH(QSize, label);
        QFETCH(bool, drawn);
        Bytes pixels(static_cast<size_t>(bytes));
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(i % 251);
        QLabel eye;
        eye.setFixedSize(label);
        QCOMPARE(FrameDrawer::drawRaw(&eye, width, height, pixels.data(), pixels.size()), drawn);
        QCOMPARE(eye.pixmap().isNull(), !drawn);
        if (!drawn)
            return;
        QCOMPARE(eye.hasScaledContents(), label.width() * label.height() < int(width * height));
        // Last pixel of the first row and first of the second: the rows are
        // not shifted by the padding.
        QCOMPARE(qGray(shown(eye).pixel(int(width) - 1, 0)), int((width - 1) % 251));
        QCOMPARE(qGray(shown(eye).pixel(0, 1)), int(width % 251));
    }

    // Drawn from where the container says its pixels start (layouts and
    // refusals: the container's own test).
    void corvaneRawContainer()
    {
        const Bytes bytes = corvanetest::container(true, 9, 12, 12);
        FrameDrawer drawer;
        Eye eye;
        QVERIFY(drawer.drawImage(&eye.label, record(bytes, ZEPH_FORMAT_CORVANE_RAW, 1, 1)));
        QVERIFY(sameGrey(shown(eye.label), Bytes(bytes.begin() + 65, bytes.end()), 12, 12));
    }

    // Frames of the reference encoders: a JPEG drawn as libjpeg decodes it
    // (within 1), a lossless JPEG 2000 exactly.
    void compressedFrames()
    {
        const struct {
            int format, width, height;
            bool drawn;
        } rows[] = {{ZEPH_FORMAT_MONO_JPEG, 321, 17, true},
                    {ZEPH_FORMAT_MONO_JPEG2000, 161, 3, true},
                    {ZEPH_FORMAT_CORVANE_JPEG2000, 64, 48, false}}; // not drawn
        for (const auto &r : rows) {
            const Bytes grey = libjpegref::testPicture(r.width, r.height, 7);
            Bytes bytes, expected = grey;
            if (r.format == ZEPH_FORMAT_MONO_JPEG) {
                libjpegref::EncodeOptions o;
                o.quality = 15;
                bytes = libjpegref::encode(grey, r.width, r.height, o);
                int w = 0, h = 0;
                libjpegref::Decoder().decode(bytes.data(), bytes.size(), expected.data(), &w, &h);
            } else {
                zeph_imaging::GreyImage image(r.width, r.height);
                image.pixels = grey;
                bytes = zeph_imaging::encodeJpeg2000(image, 100, zeph_imaging::Jp2Wrapping::Codestream);
            }
            QVERIFY(!bytes.empty());
            FrameDrawer drawer;
            Eye eye;
            QCOMPARE(drawer.drawImage(&eye.label, record(bytes, uint8_t(r.format))), r.drawn);
            QCOMPARE(eye.unchanged(), !r.drawn);
            const int tolerance = r.format == ZEPH_FORMAT_MONO_JPEG ? 1 : 0;
            QVERIFY(!r.drawn || sameGrey(shown(eye.label), expected, r.width, r.height, tolerance));
        }
    }

    // A copy that cannot be made marks the eye absent rather than leaving the
    // old frame described as present.
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

    // Scores are boxed over a picture only, and only when asked and scored.
    void scoreBoxes()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        Bytes pixels(640 * 480, 20);
        QVERIFY(ctx.lastCapture.leftImage.assign(raw(pixels, 640, 480)));
        ctx.lastCapture.hasLeftImage = true;
        ctx.lastCapture.leftQuality = ZephQuality{77, 66};
        QVERIFY(ctx.lastCapture.rightImage.assign(raw(pixels, 640, 480)));
        ctx.lastCapture.hasRightImage = true; // no score: no box
        QLabel left, right;
        left.setFixedSize(640, 480);
        right.setFixedSize(640, 480);
        CaptureResults::of(ctx).showCaptureResults(&left, &right, true);
        QCOMPARE(shown(left).pixel(4, 45), qRgb(255, 255, 255)); // inside the box
        QCOMPARE(shown(left).pixel(130, 45), qRgb(20, 20, 20));  // beside it
        QCOMPARE(shown(right).pixel(4, 45), qRgb(20, 20, 20));
        CaptureResults::of(ctx).showCaptureResults(&left, &right, false);
        QCOMPARE(shown(left).pixel(4, 45), qRgb(20, 20, 20));

        // A line wider than the box widens it: nothing is drawn beside it.
        QVERIFY(ScoreOverlay::drawScoreOverlay(&left, {"Usable Iris Area: 100, a line wider than the box"},
                                               {QPoint(8, 30)}, 10));
        const QImage boxed = shown(left);
        int edge = 4;
        while (edge < 639 && boxed.pixel(edge + 1, 27) == qRgb(255, 255, 255))
            ++edge;
        QVERIFY2(edge > 130 && edge < 600, qPrintable(QString::number(edge)));
        for (int y = 0; y < 60; ++y)
            for (int x = edge + 2; x < 640; ++x)
                QVERIFY2(boxed.pixel(x, y) == qRgb(20, 20, 20), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // What each eye label shows for each result without a picture; no score box without one either.
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
        // The locked device's text: tst_security's adminOperations.
        QTest::newRow("function disabled") << 4105 << 3 << disabled << disabled;
        QTest::newRow("right only") << 0x3006 << 1 << QStringLiteral("The capture for left eye is disabled.")
                                    << QString::fromLatin1(ResultText(0x3006));
        QTest::newRow("nothing captured") << 0x3005 << 3 << QStringLiteral("left title")
                                          << QStringLiteral("right title");
        QTest::newRow("no qualified right") << 0x3007 << 3 << QString() << QString::fromLatin1(ResultText(0x3007));
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
};

QTEST_MAIN(TestCaptureResults)
#include "tst_captureresults.moc"

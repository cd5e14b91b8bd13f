// The frame path under load: the virtual camera streams a frame every
// model millisecond while the GUI thread is held up now and then, so that
// callbacks pile up behind it. Every frame the GUI thread draws must be one
// whole frame, and no COMPLETE or ABORT may be lost.

#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "core/AppContext.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QLabel>
#include <QPixmap>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Frame n of an eye: its sizes follow n, every pixel is a function of n and
// its place, and the first four pixels carry n itself.
void sizesOf(uint32_t n, uint32_t *w, uint32_t *h)
{
    *w = n % 2 ? 640 : 161;
    *h = n % 2 ? 480 : 37;
}
uint8_t pixelOf(uint32_t n, int eye, uint32_t x, uint32_t y)
{
    return uint8_t(n * 7 + x + 3 * y + 128 * eye);
}
void stampFrame(std::vector<uint8_t> &px, uint32_t n, int eye, uint32_t w, uint32_t h)
{
    px.resize(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            px[size_t(y) * w + x] = pixelOf(n, eye, x, y);
    for (int i = 0; i < 4; ++i)
        px[size_t(i)] = uint8_t(n >> (8 * i));
}
bool wholeFrame(const ImageSlot &slot, int eye)
{
    if (slot.data.size() < 4)
        return false;
    const uint32_t n = uint32_t(slot.data[0]) | uint32_t(slot.data[1]) << 8 | uint32_t(slot.data[2]) << 16
                       | uint32_t(slot.data[3]) << 24;
    uint32_t w, h;
    sizesOf(n, &w, &h);
    if (slot.width != w || slot.height != h || slot.data.size() != size_t(w) * h)
        return false;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = (y == 0 ? 4 : 0); x < w; ++x)
            if (slot.data[size_t(y) * w + x] != pixelOf(n, eye, x, y))
                return false;
    return true;
}

// Stands in for the camera's frame source on the SDK's thread: the engine's
// frames are replaced by stamped ones before the relay copies them.
struct Stamper {
    FrameRelay *relay = nullptr;
    std::mutex lock;
    std::condition_variable moved;
    uint64_t callbacks = 0;
    uint32_t frameNumber = 0;
    std::vector<uint8_t> px[2];

    static int32_t callback(void *context, const ZephImage *images, int32_t reserved, const int32_t *status,
                            const int32_t *error)
    {
        auto *self = static_cast<Stamper *>(context);
        ZephImage stamped[2] = {};
        if (images) {
            const uint32_t n = ++self->frameNumber;
            for (int eye = 0; eye < 2; ++eye) {
                if (!images[eye].data)
                    continue;
                uint32_t w, h;
                sizesOf(n, &w, &h);
                stampFrame(self->px[eye], n, eye, w, h);
                stamped[eye] = images[eye];
                stamped[eye].format = ZEPH_FORMAT_MONO_RAW;
                stamped[eye].width = w;
                stamped[eye].height = h;
                stamped[eye].data = self->px[eye].data();
                stamped[eye].size = uint32_t(self->px[eye].size());
            }
        }
        const int32_t r = FrameRelay::frameCallback(self->relay, images ? stamped : nullptr, reserved, status, error);
        {
            std::lock_guard<std::mutex> g(self->lock);
            ++self->callbacks;
        }
        self->moved.notify_all();
        return r;
    }

    bool ended = false;

    // The GUI thread's hold-up: waits until `more` callbacks have come in
    // behind it, or the stream is over (bounded, so nothing can hang).
    void holdUntil(uint64_t more)
    {
        std::unique_lock<std::mutex> g(lock);
        const uint64_t target = callbacks + more;
        moved.wait_for(g, std::chrono::seconds(10), [&] { return ended || callbacks >= target; });
    }
    void end()
    {
        {
            std::lock_guard<std::mutex> g(lock);
            ended = true;
        }
        moved.notify_all();
    }
};

// Acts as the capture work area does: one event per delivery, the newest
// frames copied under the guard and drawn.
class Screen : public QObject
{
    Q_OBJECT
public:
    Screen(FrameRelay &relay, LiveFrames &frames, Stamper &stamper)
        : m_relay(relay), m_frames(frames), m_stamper(stamper)
    {
        left.setFixedSize(320, 240);
        right.setFixedSize(320, 240);
    }
    QList<int> changes;
    int deliveries = 0, drawn = 0, torn = 0, maxBacklog = 0;
    QLabel left, right;

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
        if (deliveries % 50 == 0)
            m_stamper.holdUntil(20); // the GUI thread falls behind
        if (m_relay.pendingDeliveries() > 0)
            return;
        bool hasRight, hasLeft;
        {
            std::lock_guard<std::mutex> g(m_frames.guard);
            hasRight = m_frames.hasRightFrame && m_right.assign(m_frames.rightFrame.record());
            hasLeft = m_frames.hasLeftFrame && m_left.assign(m_frames.leftFrame.record());
        }
        if (hasRight)
            show(right, m_right, 0);
        if (hasLeft)
            show(left, m_left, 1);
    }

private:
    // The copy and the picture drawn from it must both be one whole frame.
    void show(QLabel &label, const ImageSlot &slot, int eye)
    {
        if (!wholeFrame(slot, eye)) {
            ++torn;
            return;
        }
        if (!m_drawer.drawImage(&label, const_cast<ImageSlot &>(slot).record()))
            return;
        ++drawn;
        const QImage img = label.pixmap().toImage();
        const uint32_t n = uint32_t(slot.data[0]) | uint32_t(slot.data[1]) << 8 | uint32_t(slot.data[2]) << 16
                           | uint32_t(slot.data[3]) << 24;
        if (img.width() != int(slot.width) || img.height() != int(slot.height)
            || qGray(img.pixel(int(slot.width) - 1, int(slot.height) - 1))
                   != pixelOf(n, eye, slot.width - 1, slot.height - 1))
            ++torn;
    }

    FrameRelay &m_relay;
    LiveFrames &m_frames;
    Stamper &m_stamper;
    FrameDrawer m_drawer;
    ImageSlot m_right, m_left;
};

} // namespace

class TestFrameStress : public QObject
{
    Q_OBJECT
private slots:
    void fastStreamAgainstSlowGui()
    {
        VirtualCameraFixture camera;
        LiveFrames &frames = camera.context().liveFrames;
        FrameRelay relay(frames);
        Stamper stamper;
        stamper.relay = &relay;
        Screen screen(relay, frames, stamper);
        relay.setReceiver(&screen);

        Zvc_SetFrameInterval(1);
        ZephHandle h = 0;
        QCOMPARE(Zeph_OpenDevice(ZVC_DEFAULT_USB_BINOCULAR, &h), 0);
        QCOMPARE(Zeph_InitCamera(h, nullptr, nullptr), 0);
        QCOMPARE(Zvc_PresentSubject(ZVC_DEFAULT_USB_BINOCULAR, 7), 0);

        QCOMPARE(Zeph_StartCapture(h, ZEPH_CAPTURE_FRAME_BASED, 400, ZEPH_QUALITY_NORMAL, ZEPH_OPERATION_AUTO,
                                   ZEPH_EYE_BOTH, 1, &Stamper::callback, &stamper),
                 0);
        std::atomic<int> phase{0}; // 2: both captures over
        std::atomic<bool> quit{false};
        std::atomic<bool> secondStarted{false};
        auto moveTime = [&] {
            // A frame-based capture of 400 frames ends COMPLETE.
            for (int step = 0; step < 400 && !quit; ++step) {
                int32_t status = 0;
                Zvc_CaptureStatus(ZVC_DEFAULT_USB_BINOCULAR, &status);
                if (status == ZEPH_STATUS_COMPLETE)
                    break;
                Zvc_AdvanceTime(50);
            }
            if (quit)
                return;
            // The second one is stopped while it streams: ABORT.
            if (Zeph_StartCapture(h, ZEPH_CAPTURE_FRAME_BASED, 600, ZEPH_QUALITY_NORMAL, ZEPH_OPERATION_AUTO,
                                  ZEPH_EYE_BOTH, 1, &Stamper::callback, &stamper)
                != 0)
                return;
            secondStarted = true;
            for (int i = 0; i < 6 && !quit; ++i)
                Zvc_AdvanceTime(50);
            Zeph_StopCapture(h);
        };
        std::thread timeMover([&] {
            moveTime();
            // However it ended, the GUI side stops waiting at once.
            stamper.end();
            phase = 2;
        });
        // A failed check below still ends the thread before it goes.
        struct Joiner {
            std::atomic<bool> &quit;
            std::thread &thread;
            Stamper &stamper;
            ~Joiner()
            {
                quit = true;
                stamper.end();
                if (thread.joinable())
                    thread.join();
            }
        } joiner{quit, timeMover, stamper};
        // Generous for sanitizer builds; a normal run takes about a second.
        QTRY_VERIFY_WITH_TIMEOUT(phase == 2 && relay.pendingDeliveries() == 0, 120000);
        QCoreApplication::processEvents();
        quit = true;
        timeMover.join();
        Zeph_DeinitCamera(h);
        Zeph_CloseDevice(h);
        Zvc_SetFrameInterval(0);

        qInfo("%d deliveries, %d pictures drawn, backlog up to %d, %u frames", screen.deliveries, screen.drawn,
              screen.maxBacklog, stamper.frameNumber);
        QVERIFY(secondStarted);
        QCOMPARE(screen.torn, 0);
        QVERIFY2(screen.drawn >= 4, qPrintable(QString::number(screen.drawn)));
        QVERIFY2(screen.maxBacklog > 5, qPrintable(QString::number(screen.maxBacklog)));
        QVERIFY(stamper.frameNumber > 400);
        // Both captures' statuses, in order, none lost behind the backlog.
        const QList<int> expected{ZEPH_STATUS_READY, ZEPH_STATUS_CAPTURING, ZEPH_STATUS_COMPLETE,
                                  ZEPH_STATUS_READY, ZEPH_STATUS_CAPTURING, ZEPH_STATUS_ABORT};
        QCOMPARE(screen.changes, expected);
    }
};

QTEST_MAIN(TestFrameStress)
#include "tst_framestress.moc"

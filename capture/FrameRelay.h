#ifndef GLINTVIEW_FRAMERELAY_H
#define GLINTVIEW_FRAMERELAY_H

// The frame callback's context: an object that lives as long as the capture
// state (it belongs to the context's capture service), so a callback that
// arrives after the capture work area is gone still lands somewhere alive
// and is dropped there. On the SDK's thread the callback copies the frames
// into the context's slots and queues the callback's status and error,
// then posts one delivery; on the GUI thread each delivery calls the
// current work area's ProcessIncomingFrame(), which takes one event.

#include "core/LastCapture.h"
#include "zeph/zeph.h"

#include <QObject>
#include <QPointer>
#include <atomic>

class FrameRelay : public QObject
{
    Q_OBJECT
public:
    explicit FrameRelay(LiveFrames &frames, QObject *parent = nullptr);

    // The callback given to Zeph_StartCapture with a FrameRelay as context.
    static int32_t frameCallback(void *context, const ZephImage *images, int32_t reserved,
                                 const int32_t *status, const int32_t *error);

    // GUI thread. The object whose ProcessIncomingFrame() deliveries call;
    // deliveries for an object that is gone are dropped.
    void setReceiver(QObject *receiver);
    QObject *receiver() const { return m_receiver; }

    // GUI thread. Takes the oldest event not yet taken and moves the status
    // view on (previous = current, current = the event's); false when none.
    bool takeEvent(FrameEvent *event);
    // Deliveries posted and not yet run: while some are, a newer frame is
    // on its way and drawing the present one is wasted.
    int pendingDeliveries() const { return m_pending.load(); }

    // SDK thread (or a test standing in for it): what the callback does.
    bool take(const ZephImage *images, const int32_t *status, const int32_t *error);

public slots:
    void deliver();

private:
    LiveFrames &m_frames;
    QPointer<QObject> m_receiver;
    std::atomic<int> m_pending{0};
};

#endif

#include "capture/FrameRelay.h"

#include <QMetaObject>

FrameRelay::FrameRelay(LiveFrames &frames, QObject *parent)
    : QObject(parent), m_frames(frames)
{
}

int32_t FrameRelay::frameCallback(void *context, const ZephImage *images, int32_t,
                                  const int32_t *status, const int32_t *error)
{
    auto *relay = static_cast<FrameRelay *>(context);
    if (!relay)
        return 0;
    return relay->take(images, status, error) ? 1 : 0;
}

bool FrameRelay::take(const ZephImage *images, const int32_t *status, const int32_t *error)
{
    {
        std::lock_guard<std::mutex> lock(m_frames.guard);
        // An eye whose copy cannot be made is absent, not the old frame
        // under a new description.
        m_frames.hasRightFrame = images && images[0].data && m_frames.rightFrame.assign(images[0]);
        m_frames.hasLeftFrame = images && images[1].data && m_frames.leftFrame.assign(images[1]);
        FrameEvent event;
        if (status) {
            event.hasStatus = true;
            event.status = *status;
        }
        if (error) {
            event.hasError = true;
            event.error = *error;
        }
        m_frames.events.push_back(event);
    }
    // Copy first, then post: the delivery must find what it announces.
    ++m_pending;
    if (QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection))
        return true;
    --m_pending;
    return false;
}

void FrameRelay::setReceiver(QObject *receiver)
{
    m_receiver = receiver;
}

bool FrameRelay::takeEvent(FrameEvent *event)
{
    std::lock_guard<std::mutex> lock(m_frames.guard);
    if (m_frames.events.empty())
        return false;
    const FrameEvent e = m_frames.events.front();
    m_frames.events.pop_front();
    if (e.hasStatus) {
        m_frames.previousCaptureStatus = m_frames.captureStatus;
        m_frames.captureStatus = e.status;
    }
    if (e.hasError)
        m_frames.captureError = e.error;
    if (event)
        *event = e;
    return true;
}

void FrameRelay::deliver()
{
    --m_pending;
    if (m_receiver) {
        QMetaObject::invokeMethod(m_receiver, "ProcessIncomingFrame", Qt::DirectConnection);
    } else {
        // Nobody to act on it: the event goes with its delivery.
        takeEvent(nullptr);
    }
}

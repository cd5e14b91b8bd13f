#ifndef GLINTVIEW_LASTCAPTURE_H
#define GLINTVIEW_LASTCAPTURE_H

// The capture state held by AppContext: the live frames that the SDK's frame
// callback delivers and the most recent capture's results. Each image slot
// owns its pixel buffer, reused and only grown.

#include "zeph/zeph.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <vector>

struct ImageSlot {
    // Nothing the camera sends comes near this; a record claiming more is
    // refused rather than trusted with an allocation.
    static constexpr uint32_t kMaxDataSize = 32u * 1024u * 1024u;

    uint8_t kind = 0;
    uint8_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> data; // size() is the data size

    // Copies a record the SDK handed out. False when it carries no data or
    // the buffer cannot be grown; the slot then keeps its previous contents,
    // consistent with their own description, and the caller marks the eye
    // absent. Never throws: it runs on the SDK's thread.
    bool assign(const ZephImage &image) noexcept
    {
        if (!image.data || image.size > kMaxDataSize)
            return false;
        if (data.capacity() < image.size) {
            try {
                data.reserve(image.size);
            } catch (...) {
                return false;
            }
        }
        // Within the capacity now: neither resize nor copy allocates.
        data.resize(image.size);
        if (image.size)
            std::copy(image.data, image.data + image.size, data.begin());
        kind = image.kind;
        format = image.format;
        width = image.width;
        height = image.height;
        return true;
    }

    // A record view of the slot (points into the slot's buffer).
    ZephImage record()
    {
        ZephImage r{};
        r.kind = kind;
        r.format = format;
        r.width = width;
        r.height = height;
        r.data = data.empty() ? nullptr : data.data();
        r.size = static_cast<uint32_t>(data.size());
        return r;
    }

    void release()
    {
        std::vector<uint8_t>().swap(data);
        width = height = 0;
    }
};

struct LastCapture {
    ImageSlot rightImage, leftImage;
    bool hasRightImage = false;
    bool hasLeftImage = false;
    ZephResult lastCaptureResult = ZEPH_ERR_FRAME_NOT_AVAILABLE;
    ZephResult rightResult = 0;
    ZephResult leftResult = 0;
    ZephQuality rightQuality{};
    ZephQuality leftQuality{};
    int64_t captureTime = 0; // monotonic ms of completion; 0 = unknown
};

// What one frame callback reported besides its frames. Each callback queues
// one and posts one call to the GUI thread, which takes them in order, so a
// status that a later callback follows at once is still seen.
struct FrameEvent {
    bool hasStatus = false;
    int32_t status = 0;
    bool hasError = false;
    int32_t error = 0;
};

struct LiveFrames {
    // Guards the slots, their flags and the event queue: the SDK's thread
    // writes them while the GUI thread reads them.
    std::mutex guard;
    ImageSlot rightFrame, leftFrame;
    bool hasRightFrame = false;
    bool hasLeftFrame = false;
    std::deque<FrameEvent> events;

    // The GUI thread's view of the status, moved on as events are taken.
    int32_t captureStatus = 0;
    int32_t previousCaptureStatus = 0;
    int32_t captureError = 0;
};

#endif

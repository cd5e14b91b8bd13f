#ifndef GLINTVIEW_LASTCAPTURE_H
#define GLINTVIEW_LASTCAPTURE_H

// The capture state held by AppContext: the live frames that the SDK's frame
// callback delivers and the most recent capture's results. Each image slot
// owns its pixel buffer, reused and only grown.

#include "zeph/zeph.h"

#include <cstdint>
#include <vector>

struct ImageSlot {
    uint8_t kind = 0;
    uint8_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> data; // size() is the data size

    // Copies a record the SDK handed out; false when it carries no data.
    bool assign(const ZephImage &image)
    {
        if (!image.data)
            return false;
        kind = image.kind;
        format = image.format;
        width = image.width;
        height = image.height;
        data.assign(image.data, image.data + image.size);
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

struct LiveFrames {
    ImageSlot rightFrame, leftFrame;
    bool hasRightFrame = false;
    bool hasLeftFrame = false;
    int32_t captureStatus = 0;
    int32_t previousCaptureStatus = 0;
    int32_t captureError = 0;
};

#endif

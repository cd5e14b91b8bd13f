#ifndef GLINTVIEW_FRAMEDRAWER_H
#define GLINTVIEW_FRAMEDRAWER_H

// Turns an image record of the camera into a picture in an eye label: live
// frames and result images alike. Held by the capture service for the whole
// run, so whatever a decoder keeps between frames is made once.

#include "zeph/zeph.h"

#include <memory>

#include <QVector>
#include <QRgb>
#include <cstddef>
#include <cstdint>
#include <vector>

class JpegDecoder;
class QLabel;

class FrameDrawer
{
public:
    static constexpr int kFrameBufferSize = 640 * 480;

    FrameDrawer();
    ~FrameDrawer();

    // GUI thread. Draws the record when its format is one that can be drawn
    // and its data holds what it claims; true when a picture was set.
    // Anything else leaves the label's previous picture.
    bool drawImage(QLabel *label, const ZephImage &image);

    // 8-bit grey pixels, rows of `width` bytes back to back. Refused (false,
    // label untouched) when the sizes are 0 or `size` is smaller than
    // width × height. A picture larger than the label is scaled to it.
    static bool drawRaw(QLabel *label, uint32_t width, uint32_t height, const uint8_t *pixels,
                        std::size_t size);

private:
    std::vector<uint8_t> m_frameBuffer; // decoded compressed frames
    std::unique_ptr<JpegDecoder> m_jpeg; // prepared once for 640 x 480
    bool m_jpegReady = false;
};

#endif

#ifndef GLINTVIEW_FRAMEDRAWER_H
#define GLINTVIEW_FRAMEDRAWER_H

// Turns an image record of the camera into a picture in an eye label: live
// frames and result images alike. Held by the capture service for the whole
// run, so the JPEG decoder's tables and buffers are made once, at start-up,
// and every compressed frame is decoded into the one frame buffer.

#include "capture/JpegDecoder.h"
#include "zeph/zeph.h"

#include <QRgb>
#include <QVector>
#include <cstddef>
#include <cstdint>
#include <vector>

class QLabel;

class FrameDrawer
{
public:
    static constexpr int kFrameBufferSize = 640 * 480;

    // Decodes into a frame buffer of its own (tests, benchmarks).
    FrameDrawer();
    // Decodes into the context's frame buffer and draws with its colour
    // table; both must outlive the drawer. A buffer smaller than
    // kFrameBufferSize (released at exit) means compressed frames are not
    // drawn.
    FrameDrawer(std::vector<uint8_t> &frameBuffer, const QVector<QRgb> &colorTable);

    FrameDrawer(const FrameDrawer &) = delete;
    FrameDrawer &operator=(const FrameDrawer &) = delete;

    // GUI thread. Draws MONO_RAW, CORVANE_RAW, MONO_JPEG and MONO_JPEG2000
    // records whose data holds what they claim; true when a picture was set.
    // Anything else (other formats, a decoder's refusal, sizes that do not
    // add up) leaves the label's previous picture.
    bool drawImage(QLabel *label, const ZephImage &image);

    // 8-bit grey pixels, rows of `width` bytes back to back. Refused (false,
    // label untouched) when a size is 0 or `size` is smaller than
    // width × height. A picture larger than the label is scaled to it.
    // Without a table the plain grey ramp is used.
    static bool drawRaw(QLabel *label, uint32_t width, uint32_t height, const uint8_t *pixels,
                        std::size_t size, const QVector<QRgb> *colorTable = nullptr);

    // The JPEG 2000 library's call; replaceable so that a test can stand in
    // for a library that answers sizes it did not keep to.
    using Jp2Function = int32_t (*)(const void *, const uint8_t *, const uint32_t *, int32_t,
                                    const uint8_t *, void *, uint8_t *, uint32_t *, uint32_t *,
                                    uint8_t *);
    void setJpeg2000Decoder(Jp2Function decoder);

    // The result of the last decoder call (0 when the last draw needed none).
    int32_t lastDecodeResult() const { return m_lastDecodeResult; }

private:
    bool drawJpeg(QLabel *label, const ZephImage &image);
    bool drawJpeg2000(QLabel *label, const ZephImage &image);
    bool frameBufferReady() const;

    std::vector<uint8_t> m_ownBuffer;
    std::vector<uint8_t> *m_frameBuffer;
    const QVector<QRgb> *m_colorTable = nullptr;
    Jp2Function m_jp2;
    JpegDecoder m_jpeg;
    bool m_jpegReady = false;
    int32_t m_lastDecodeResult = 0;
};

#endif

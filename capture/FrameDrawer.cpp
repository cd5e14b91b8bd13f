#include "capture/FrameDrawer.h"

#include "capture/CorvaneRawContainer.h"
#include "capture/JpegDecoder.h"
#include "platform/Jp2Decompress.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <cstring>

namespace {
// Larger pictures than this do not come from the camera; a record claiming
// one is not believed.
constexpr uint32_t kMaxSide = 8192;

const QVector<QRgb> &grayTable()
{
    static const QVector<QRgb> table = [] {
        QVector<QRgb> t(256);
        for (int i = 0; i < 256; ++i)
            t[i] = qRgb(i, i, i);
        return t;
    }();
    return table;
}
} // namespace

FrameDrawer::FrameDrawer()
    : m_frameBuffer(kFrameBufferSize, 0), m_jpeg(std::make_unique<JpegDecoder>())
{
    m_jpegReady = m_jpeg->init(640, 480) == JPEG_OK;
}

FrameDrawer::~FrameDrawer() = default;

bool FrameDrawer::drawImage(QLabel *label, const ZephImage &image)
{
    if (!label || !image.data)
        return false;
    switch (image.format) {
    case ZEPH_FORMAT_MONO_RAW:
        return drawRaw(label, image.width, image.height, image.data, image.size);
    case ZEPH_FORMAT_CORVANE_RAW: {
        CorvaneRawFrame frame;
        if (!readCorvaneRawContainer(image.data, image.size, uint64_t(kMaxSide) * kMaxSide, &frame))
            return false;
        return drawRaw(label, frame.width, frame.height, image.data + frame.pixelOffset,
                       image.size - frame.pixelOffset);
    }
    case ZEPH_FORMAT_MONO_JPEG: {
        if (!m_jpegReady || image.size == 0)
            return false;
        uint8_t *pixels = m_frameBuffer.data();
        size_t capacity = m_frameBuffer.size();
        int32_t width = 0;
        int32_t height = 0;
        if (m_jpeg->decode(image.data, image.size, &pixels, &capacity, &width, &height) != JPEG_OK ||
            width <= 0 || height <= 0)
            return false;
        return drawRaw(label, uint32_t(width), uint32_t(height), m_frameBuffer.data(),
                       m_frameBuffer.size());
    }
    case ZEPH_FORMAT_MONO_JPEG2000: {
        ZephImage source = image;
        ZephImage decoded{};
        decoded.format = ZEPH_FORMAT_MONO_RAW;
        decoded.width = uint32_t(m_frameBuffer.size()); // the capacity on entry
        decoded.data = m_frameBuffer.data();
        if (DecompressJp2(&source, &source.format, &source.size, 0, source.data, &decoded,
                          &decoded.format, &decoded.width, &decoded.height, decoded.data) != JP2_OK)
            return false;
        return drawRaw(label, decoded.width, decoded.height, m_frameBuffer.data(),
                       m_frameBuffer.size());
    }
    default:
        return false;
    }
}

bool FrameDrawer::drawRaw(QLabel *label, uint32_t width, uint32_t height, const uint8_t *pixels,
                          std::size_t size)
{
    if (!label || !pixels || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return false;
    const uint64_t needed = uint64_t(width) * uint64_t(height);
    if (needed > size)
        return false;

    const uint64_t room = uint64_t(label->maximumWidth()) * uint64_t(label->maximumHeight());
    const bool scaled = needed > room;

    // QImage lines are 32-bit aligned: rows are copied into its padded lines.
    QImage picture(int(width), int(height), QImage::Format_Indexed8);
    if (picture.isNull())
        return false;
    picture.setColorTable(grayTable());
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(picture.scanLine(int(y)), pixels + std::size_t(y) * width, width);

    label->setScaledContents(scaled);
    label->setPixmap(QPixmap::fromImage(picture));
    return true;
}

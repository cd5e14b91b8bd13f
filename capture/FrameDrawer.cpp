#include "capture/FrameDrawer.h"

#include "capture/CorvaneRawContainer.h"
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

// What a decoder says it wrote is believed only when it fits the buffer it
// was given.
bool decodedSizeFits(int64_t width, int64_t height, std::size_t capacity)
{
    return width > 0 && height > 0 && uint64_t(width) <= kMaxSide && uint64_t(height) <= kMaxSide
           && uint64_t(width) * uint64_t(height) <= capacity;
}
} // namespace

FrameDrawer::FrameDrawer()
    : m_ownBuffer(kFrameBufferSize, 0), m_frameBuffer(&m_ownBuffer), m_jp2(&DecompressJp2)
{
    m_jpegReady = m_jpeg.init(640, 480) == JPEG_OK;
}

FrameDrawer::FrameDrawer(std::vector<uint8_t> &frameBuffer, const QVector<QRgb> &colorTable)
    : m_frameBuffer(&frameBuffer), m_colorTable(&colorTable), m_jp2(&DecompressJp2)
{
    m_jpegReady = m_jpeg.init(640, 480) == JPEG_OK;
}

void FrameDrawer::setJpeg2000Decoder(Jp2Function decoder)
{
    m_jp2 = decoder ? decoder : &DecompressJp2;
}

bool FrameDrawer::frameBufferReady() const
{
    return m_frameBuffer->size() >= std::size_t(kFrameBufferSize);
}

bool FrameDrawer::drawImage(QLabel *label, const ZephImage &image)
{
    m_lastDecodeResult = 0;
    if (!label || !image.data || image.size == 0)
        return false;
    switch (image.format) {
    case ZEPH_FORMAT_MONO_RAW:
        return drawRaw(label, image.width, image.height, image.data, image.size, m_colorTable);
    case ZEPH_FORMAT_CORVANE_RAW: {
        CorvaneRawFrame frame;
        if (!readCorvaneRawContainer(image.data, image.size, uint64_t(kMaxSide) * kMaxSide, &frame))
            return false;
        return drawRaw(label, frame.width, frame.height, image.data + frame.pixelOffset,
                       image.size - frame.pixelOffset, m_colorTable);
    }
    case ZEPH_FORMAT_MONO_JPEG:
        return drawJpeg(label, image);
    case ZEPH_FORMAT_MONO_JPEG2000:
        return drawJpeg2000(label, image);
    default:
        return false;
    }
}

bool FrameDrawer::drawJpeg(QLabel *label, const ZephImage &image)
{
    if (!m_jpegReady || !frameBufferReady())
        return false;
    uint8_t *pixels = m_frameBuffer->data();
    std::size_t capacity = kFrameBufferSize;
    int32_t width = 0, height = 0;
    m_lastDecodeResult = m_jpeg.decode(image.data, image.size, &pixels, &capacity, &width, &height);
    if (m_lastDecodeResult != JPEG_OK || pixels != m_frameBuffer->data())
        return false;
    if (!decodedSizeFits(width, height, kFrameBufferSize))
        return false;
    return drawRaw(label, uint32_t(width), uint32_t(height), pixels, kFrameBufferSize, m_colorTable);
}

bool FrameDrawer::drawJpeg2000(QLabel *label, const ZephImage &image)
{
    if (!frameBufferReady())
        return false;
    ZephImage out{};
    out.format = ZEPH_FORMAT_MONO_RAW;
    out.width = kFrameBufferSize; // capacity in bytes on entry
    out.height = 0;
    out.data = m_frameBuffer->data();
    m_lastDecodeResult = m_jp2(&image, &image.format, &image.size, 0, image.data, &out,
                                       &out.format, &out.width, &out.height, out.data);
    if (m_lastDecodeResult != 0)
        return false;
    if (!decodedSizeFits(out.width, out.height, kFrameBufferSize))
        return false;
    return drawRaw(label, out.width, out.height, m_frameBuffer->data(), kFrameBufferSize, m_colorTable);
}

bool FrameDrawer::drawRaw(QLabel *label, uint32_t width, uint32_t height, const uint8_t *pixels,
                          std::size_t size, const QVector<QRgb> *colorTable)
{
    if (!label || !pixels || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return false;
    const uint64_t needed = uint64_t(width) * uint64_t(height);
    if (needed > size)
        return false;

    const uint64_t room = uint64_t(label->maximumWidth()) * uint64_t(label->maximumHeight());
    const bool scaled = needed > room;
    const QVector<QRgb> &table = colorTable && colorTable->size() == 256 ? *colorTable : grayTable();

    QImage picture;
    if (width % 4 == 0) {
        // Lines already 32-bit aligned: the image is built on the pixels
        // themselves; the pixmap below takes its own copy. Nothing writes
        // through it: the writable form only keeps the colour table from
        // copying the pixels.
        picture = QImage(const_cast<uint8_t *>(pixels), int(width), int(height), int(width),
                         QImage::Format_Indexed8);
    } else {
        // The image's own lines are padded to a multiple of 4 bytes; the
        // picture keeps the frame's width.
        picture = QImage(int(width), int(height), QImage::Format_Indexed8);
        if (picture.isNull())
            return false;
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(picture.scanLine(int(y)), pixels + std::size_t(y) * width, width);
    }
    if (picture.isNull())
        return false;
    picture.setColorTable(table);

    label->setScaledContents(scaled);
    label->setPixmap(QPixmap::fromImage(picture));
    return true;
}

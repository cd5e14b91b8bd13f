#include "capture/FrameDrawer.h"

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
    : m_frameBuffer(kFrameBufferSize, 0)
{
}

bool FrameDrawer::drawImage(QLabel *label, const ZephImage &image)
{
    if (!label || !image.data)
        return false;
    switch (image.format) {
    case ZEPH_FORMAT_MONO_RAW:
        return drawRaw(label, image.width, image.height, image.data, image.size);
    // CORVANE_RAW, MONO_JPEG and MONO_JPEG2000 are drawn once their readers
    // are in (the container reader and the decoders fill m_frameBuffer).
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

#include "ResourceSet.h"

#include "BannerPainter.h"
#include "BmpWriter.h"
#include "IcoWriter.h"
#include "IconPainter.h"
#include "OutputFolder.h"
#include "Palette.h"
#include "ResultPainter.h"
#include "SoundDesigner.h"
#include "WavWriter.h"

#include <QBuffer>
#include <QFontInfo>
#include <QImageWriter>

namespace resgen {

bool ResourceSet::houseFontInstalled()
{
    return QFontInfo(houseFont(12)).family() == QLatin1String("DejaVu Sans") &&
           QFontInfo(houseFont(12, QFont::Bold)).family() == QLatin1String("DejaVu Sans");
}

QByteArray ResourceSet::png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Opaque pictures go out as RGB, icons as straight (not premultiplied) RGBA.
    const QImage out =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!writer.write(out))
        return {};
    return bytes;
}

namespace {

bool writeIcons(OutputFolder &out)
{
    QVector<IcoWriter::Entry> entries;
    for (int size : ResourceSet::IconSizes)
        entries.append({size, ResourceSet::png(IconPainter::appIcon(size))});
    return out.write(QStringLiteral("icon/corvane.ico"), IcoWriter::encode(entries)) &&
           out.write(QStringLiteral("icon/play.png"), ResourceSet::png(IconPainter::playGlyph(ResourceSet::GlyphSize))) &&
           out.write(QStringLiteral("icon/next.png"), ResourceSet::png(IconPainter::nextGlyph(ResourceSet::GlyphSize)));
}

bool writeImages(OutputFolder &out)
{
    if (!out.write(QStringLiteral("image/banner.png"), ResourceSet::png(BannerPainter::banner(false))) ||
        !out.write(QStringLiteral("image/banner_bino.png"), ResourceSet::png(BannerPainter::banner(true))))
        return false;
    for (const ResultPainter::Verdict &v : ResultPainter::verdicts()) {
        const QImage picture = ResultPainter::picture(v);
        if (!out.write(QStringLiteral("image/%1.BMP").arg(v.name), BmpWriter::encode(picture)) ||
            !out.write(QStringLiteral("image/%1.PNG").arg(v.name), ResourceSet::png(picture)))
            return false;
    }
    return true;
}

bool writeSounds(OutputFolder &out)
{
    const std::uint32_t rate = SoundDesigner::SampleRate;
    return out.write(QStringLiteral("sound/start-A.wav"), WavWriter::encodeMono16(SoundDesigner::startA(), rate)) &&
           out.write(QStringLiteral("sound/start-F.wav"), WavWriter::encodeMono16(SoundDesigner::startF(), rate)) &&
           out.write(QStringLiteral("sound/capture.wav"), WavWriter::encodeMono16(SoundDesigner::capture(), rate)) &&
           out.write(QStringLiteral("sound/timeout.wav"), WavWriter::encodeMono16(SoundDesigner::timeout(), rate));
}

} // namespace

bool ResourceSet::writeAll(OutputFolder &out)
{
    return writeIcons(out) && writeImages(out) && writeSounds(out);
}

} // namespace resgen

#include "BannerPainter.h"

#include "IconPainter.h"
#include "IrisMark.h"
#include "Palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace resgen {

namespace {

void paintBackground(QPainter &p)
{
    const int w = BannerPainter::Width;
    const int h = BannerPainter::Height;
    QLinearGradient base(0, 0, 0, h);
    base.setColorAt(0.0, QColor(0x16, 0x47, 0x7A));
    base.setColorAt(0.5, Palette::navy());
    base.setColorAt(1.0, QColor(0x0C, 0x2A, 0x4E));
    p.fillRect(0, 0, w, h, base);

    // A wash of light behind the mark that fades out to the right.
    QLinearGradient wash(0, 0, 900, 0);
    wash.setColorAt(0.0, QColor(0x3F, 0xC1, 0xD9, 70));
    wash.setColorAt(0.35, QColor(0x3F, 0xC1, 0xD9, 22));
    wash.setColorAt(1.0, QColor(0x3F, 0xC1, 0xD9, 0));
    p.fillRect(0, 0, w, h, wash);

    // Glass: the upper half a shade lighter, fading towards the middle.
    QLinearGradient glass(0, 0, 0, h / 2);
    glass.setColorAt(0.0, QColor(255, 255, 255, 26));
    glass.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, w, h / 2, glass);

    // Edges: a light line on top, the toolbar's cyan on the bottom.
    p.fillRect(0, 0, w, 1, QColor(255, 255, 255, 40));
    p.fillRect(0, h - 1, w, 1, QColor(0x6F, 0xD3, 0xEC, 150));
}

} // namespace

QImage BannerPainter::banner(bool binocular)
{
    QImage image = blankImage(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackground(p);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    IrisMark::Style lids;
    lids.lidWidth = 1.6;
    qreal x = 12;
    const qreal markWidth = 30;
    if (binocular) {
        IrisMark::paint(p, QPointF(x + markWidth / 2, 20), markWidth, lids);
        x += markWidth + 4;
    }
    IrisMark::paint(p, QPointF(x + markWidth / 2, 20), markWidth, lids);
    x += markWidth + 12;

    const QFont title = houseFont(21, QFont::Bold);
    const QFontMetricsF tm(title);
    const QString name = QStringLiteral("Glintview");
    const qreal baseline = 20 + (tm.ascent() - tm.descent()) / 2.0;
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 70)); // a one-pixel shadow lifts the name off the gradient
    p.drawText(QPointF(x + 1, baseline + 1), name);
    p.setPen(Qt::white);
    p.drawText(QPointF(x, baseline), name);
    x += tm.horizontalAdvance(name) + 14;

    // A thin divider, then the edition in small light capitals.
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.drawLine(QPointF(x + 0.5, 11), QPointF(x + 0.5, 29));
    x += 12;
    const QFont tagFont = houseFont(11, QFont::DemiBold);
    QFont spaced = tagFont;
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    const QFontMetricsF sm(spaced);
    const QString tag = binocular ? QStringLiteral("BINOCULAR IRIS RECOGNITION") : QStringLiteral("IRIS RECOGNITION");
    p.setFont(spaced);
    p.setPen(Palette::mist());
    p.drawText(QPointF(x, 20 + (sm.ascent() - sm.descent()) / 2.0), tag);
    p.end();
    return image;
}

} // namespace resgen

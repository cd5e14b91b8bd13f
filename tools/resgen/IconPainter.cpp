#include "IconPainter.h"

#include "IrisMark.h"
#include "Palette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace resgen {

QImage blankImage(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

namespace {

// The glyphs share one look: a blue body with a light top edge and a darker
// outline, so they read on the toolbar's gradient and on grey buttons alike.
void fillGlyph(QPainter &p, const QPainterPath &shape, int size)
{
    QLinearGradient body(0, 0, 0, size);
    body.setColorAt(0.0, Palette::sky());
    body.setColorAt(1.0, Palette::blue());
    QPen outline(Palette::navy());
    outline.setWidthF(size / 24.0);
    outline.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(body);
    p.drawPath(shape);
}

QPainterPath roundedTriangle(QPointF a, QPointF b, QPointF c, qreal radius)
{
    // Corners rounded by cutting each one and bridging with a quadratic curve.
    const QPointF pts[3] = {a, b, c};
    QPainterPath path;
    for (int i = 0; i < 3; ++i) {
        const QPointF cur = pts[i];
        const QPointF prev = pts[(i + 2) % 3];
        const QPointF next = pts[(i + 1) % 3];
        const QPointF toPrev = prev - cur;
        const QPointF toNext = next - cur;
        const qreal lp = std::sqrt(QPointF::dotProduct(toPrev, toPrev));
        const qreal ln = std::sqrt(QPointF::dotProduct(toNext, toNext));
        const QPointF in = cur + toPrev * (radius / lp);
        const QPointF out = cur + toNext * (radius / ln);
        if (i == 0)
            path.moveTo(in);
        else
            path.lineTo(in);
        path.quadTo(cur, out);
    }
    path.closeSubpath();
    return path;
}

} // namespace

QImage IconPainter::appIcon(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Tile: a deep blue rounded square with a soft light at the top.
    const qreal inset = size >= 48 ? size / 32.0 : 0.5;
    const QRectF tile(inset, inset, size - 2 * inset, size - 2 * inset);
    const qreal radius = size * 0.22;
    QLinearGradient bg(0, tile.top(), 0, tile.bottom());
    bg.setColorAt(0.0, QColor(0x1B, 0x5A, 0x96));
    bg.setColorAt(0.55, Palette::navy());
    bg.setColorAt(1.0, Palette::navyDeep());
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(tile, radius, radius);
    if (size >= 32) {
        QLinearGradient sheen(0, tile.top(), 0, tile.center().y());
        sheen.setColorAt(0.0, QColor(255, 255, 255, 60));
        sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(sheen);
        p.drawRoundedRect(tile.adjusted(size / 32.0, size / 32.0, -size / 32.0, 0), radius, radius);
    }

    const QPointF centre(size / 2.0, size / 2.0);
    IrisMark::Style style;
    if (size < 24) {
        // At 16 pixels the lids would be mush: the iris alone carries the mark.
        style.lids = false;
        IrisMark::paint(p, centre, size * 0.74, style);
    } else {
        style.lidWidth = size >= 128 ? size / 30.0 : qMax<qreal>(1.5, size / 20.0);
        IrisMark::paint(p, centre, size * 0.84, style);
    }
    p.end();
    return image;
}

QImage IconPainter::playGlyph(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    fillGlyph(p, roundedTriangle({s * 0.26, s * 0.14}, {s * 0.86, s * 0.50}, {s * 0.26, s * 0.86}, s * 0.10),
              size);
    p.end();
    return image;
}

QImage IconPainter::nextGlyph(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath shape =
        roundedTriangle({s * 0.14, s * 0.16}, {s * 0.66, s * 0.50}, {s * 0.14, s * 0.84}, s * 0.09);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(s * 0.70, s * 0.16, s * 0.15, s * 0.68), s * 0.05, s * 0.05);
    shape.addPath(bar);
    fillGlyph(p, shape, size);
    p.end();
    return image;
}

} // namespace resgen

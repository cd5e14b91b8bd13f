#include "IrisMark.h"

#include "Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace resgen {

void IrisMark::paintIris(QPainter &p, QPointF c, qreal d)
{
    const qreal r = d / 2.0;
    p.save();
    p.setPen(Qt::NoPen);

    // Iris: light around the pupil, deep blue towards the rim.
    QRadialGradient iris(c, r);
    iris.setColorAt(0.00, Palette::glow());
    iris.setColorAt(0.38, Palette::teal());
    iris.setColorAt(0.78, Palette::blue());
    iris.setColorAt(1.00, Palette::limbus());
    p.setBrush(iris);
    p.drawEllipse(c, r, r);

    if (d >= 40) {
        // Fibres: thin light spokes between pupil and rim, at fixed angles.
        QPen fibre(QColor(255, 255, 255, 46));
        fibre.setWidthF(qMax<qreal>(1.0, d / 90.0));
        fibre.setCapStyle(Qt::RoundCap);
        p.setPen(fibre);
        const int spokes = 36;
        for (int i = 0; i < spokes; ++i) {
            const qreal a = i * 2.0 * M_PI / spokes + (i % 2 ? 0.04 : 0.0);
            const qreal inner = r * (i % 3 == 0 ? 0.40 : 0.46);
            const qreal outer = r * (i % 2 ? 0.80 : 0.88);
            p.drawLine(QPointF(c.x() + inner * qCos(a), c.y() + inner * qSin(a)),
                       QPointF(c.x() + outer * qCos(a), c.y() + outer * qSin(a)));
        }
        p.setPen(Qt::NoPen);
    }

    // Limbal ring: a crisp dark edge.
    if (d >= 12) {
        QPen rim(Palette::limbus());
        rim.setWidthF(qMax<qreal>(1.0, d / 22.0));
        p.setPen(rim);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r - rim.widthF() / 2.0, r - rim.widthF() / 2.0);
        p.setPen(Qt::NoPen);
    }

    // Pupil.
    const qreal pr = r * 0.40;
    QRadialGradient pupil(c, pr);
    pupil.setColorAt(0.0, Palette::pupil());
    pupil.setColorAt(0.85, Palette::pupil());
    pupil.setColorAt(1.0, QColor(0x10, 0x2A, 0x48));
    p.setBrush(pupil);
    p.drawEllipse(c, pr, pr);

    // Glint: the bright reflection the product is named for.
    const QPointF g(c.x() - r * 0.30, c.y() - r * 0.30);
    const qreal gr = qMax<qreal>(0.9, r * 0.17);
    p.setBrush(Qt::white);
    p.drawEllipse(g, gr, gr);
    if (d >= 24) {
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(QPointF(c.x() + r * 0.22, c.y() + r * 0.20), gr * 0.45, gr * 0.45);
    }
    p.restore();
}

void IrisMark::paint(QPainter &p, QPointF c, qreal width, const Style &style)
{
    if (!style.lids) {
        paintIris(p, c, width);
        return;
    }
    const qreal half = width / 2.0;
    const qreal lift = width * 0.36; // how far the lids bow away from the axis
    QPainterPath eye;
    eye.moveTo(c.x() - half, c.y());
    eye.cubicTo(QPointF(c.x() - half * 0.45, c.y() - lift), QPointF(c.x() + half * 0.45, c.y() - lift),
                QPointF(c.x() + half, c.y()));
    eye.cubicTo(QPointF(c.x() + half * 0.45, c.y() + lift), QPointF(c.x() - half * 0.45, c.y() + lift),
                QPointF(c.x() - half, c.y()));

    p.save();
    // The iris sits under the lids, cut by them at top and bottom.
    p.setClipPath(eye, Qt::IntersectClip);
    paintIris(p, c, width * 0.50);
    p.restore();

    p.save();
    QPen lid(style.lidColour);
    lid.setWidthF(style.lidWidth > 0 ? style.lidWidth : qMax<qreal>(1.0, width / 16.0));
    lid.setJoinStyle(Qt::RoundJoin);
    lid.setCapStyle(Qt::RoundCap);
    p.setPen(lid);
    p.setBrush(Qt::NoBrush);
    p.drawPath(eye);
    p.restore();
}

} // namespace resgen

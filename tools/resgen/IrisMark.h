#ifndef RESGEN_IRISMARK_H
#define RESGEN_IRISMARK_H

#include <QColor>
#include <QPointF>

class QPainter;

namespace resgen {

// The product's mark: an almond-shaped eye around an iris with a bright
// glint. The detail follows the size: fibres from 40 pixels up, eyelids only
// where they stay legible.
class IrisMark
{
public:
    struct Style
    {
        bool lids = true;       // draw the eye outline around the iris
        QColor lidColour = Qt::white;
        qreal lidWidth = 0;     // 0: derived from the size
    };

    // Paints the mark centred on `centre`, `width` pixels from corner to corner
    // of the eye (the iris is 0.46 of that; without lids the iris fills it).
    static void paint(QPainter &p, QPointF centre, qreal width, const Style &style);

    // Only the iris disc (limbus ring, fibres, pupil, glint), `diameter` across.
    static void paintIris(QPainter &p, QPointF centre, qreal diameter);
};

} // namespace resgen

#endif

#ifndef RESGEN_ICONPAINTER_H
#define RESGEN_ICONPAINTER_H

#include <QImage>

namespace resgen {

// Square icons with alpha: the application icon at any size and the two
// toolbar glyphs.
class IconPainter
{
public:
    static QImage appIcon(int size);
    static QImage playGlyph(int size);
    static QImage nextGlyph(int size);
};

// A transparent premultiplied square, ready to paint on, at 96 dpi.
QImage blankImage(int width, int height, QImage::Format format = QImage::Format_ARGB32_Premultiplied);

} // namespace resgen

#endif

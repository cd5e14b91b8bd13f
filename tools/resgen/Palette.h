#ifndef RESGEN_PALETTE_H
#define RESGEN_PALETTE_H

#include <QColor>
#include <QFont>

namespace resgen {

// The house colours, chosen to sit with the program's blue toolbar and its
// #E1EAF6 work areas.
namespace Palette {
inline QColor navyDeep() { return QColor(0x0A, 0x1F, 0x3A); }
inline QColor navy() { return QColor(0x12, 0x3B, 0x68); }
inline QColor blue() { return QColor(0x1E, 0x6F, 0xB0); }
inline QColor sky() { return QColor(0x4F, 0xB0, 0xE8); }
inline QColor teal() { return QColor(0x1F, 0xB5, 0xC8); }
inline QColor glow() { return QColor(0x8A, 0xE6, 0xEF); }
inline QColor limbus() { return QColor(0x0B, 0x2E, 0x58); }
inline QColor pupil() { return QColor(0x07, 0x12, 0x1E); }
inline QColor slate() { return QColor(0x22, 0x34, 0x4A); }
inline QColor mist() { return QColor(0xA9, 0xCB, 0xE6); }
inline QColor green() { return QColor(0x2F, 0xA3, 0x5F); }
inline QColor greenLight() { return QColor(0x4C, 0xC7, 0x7E); }
inline QColor greenDark() { return QColor(0x1D, 0x7A, 0x45); }
inline QColor red() { return QColor(0xD6, 0x43, 0x3B); }
inline QColor redLight() { return QColor(0xF0, 0x68, 0x5F); }
inline QColor redDark() { return QColor(0xAE, 0x28, 0x22); }
inline QColor panelBorder() { return QColor(0xC3, 0xD0, 0xDE); }
} // namespace Palette

// Text is set in DejaVu Sans at pixel sizes, without hinting, so that the
// result depends on neither the screen's resolution nor the desktop settings.
inline QFont houseFont(int pixelSize, QFont::Weight weight = QFont::Normal)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setKerning(true);
    return f;
}

} // namespace resgen

#endif

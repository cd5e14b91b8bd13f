#include "ResultPainter.h"

#include "IconPainter.h"
#include "IrisMark.h"
#include "Palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace resgen {

namespace {

constexpr qreal SymbolDiameter = 150;
constexpr qreal SymbolGap = 34;
constexpr qreal TextWidth = 372;
constexpr int MaxTextPixels = 60;

struct TextLayout
{
    int pixelSize = MaxTextPixels;
    qreal widest = 0; // the longest line of any verdict at that size
};

// One size and one position for every verdict, so that the symbol stays in
// place when the label changes from one verdict to another.
const TextLayout &textLayout()
{
    static const TextLayout layout = [] {
        TextLayout l;
        for (; l.pixelSize > 12; --l.pixelSize) {
            const QFontMetricsF fm(houseFont(l.pixelSize, QFont::Bold));
            l.widest = 0;
            for (const ResultPainter::Verdict &v : ResultPainter::verdicts()) {
                l.widest = qMax(l.widest, fm.horizontalAdvance(v.action));
                l.widest = qMax(l.widest, fm.horizontalAdvance(v.outcome));
            }
            if (l.widest <= TextWidth)
                break;
        }
        return l;
    }();
    return layout;
}

void paintPanel(QPainter &p)
{
    QLinearGradient bg(0, 0, 0, ResultPainter::Height);
    bg.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
    bg.setColorAt(1.0, QColor(0xEE, 0xF3, 0xF9));
    p.fillRect(0, 0, ResultPainter::Width, ResultPainter::Height, bg);
    p.setPen(QPen(Palette::panelBorder(), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, ResultPainter::Width - 1, ResultPainter::Height - 1));
}

void paintWatermark(QPainter &p)
{
    // The product mark, barely there, in the lower right corner.
    p.save();
    p.setOpacity(0.055);
    IrisMark::Style style;
    style.lidColour = Palette::navy();
    style.lidWidth = 7;
    IrisMark::paint(p, QPointF(ResultPainter::Width - 70, ResultPainter::Height - 40), 190, style);
    p.restore();
}

void paintSymbol(QPainter &p, QPointF c, bool success)
{
    const qreal r = SymbolDiameter / 2.0;
    const QColor light = success ? Palette::greenLight() : Palette::redLight();
    const QColor mid = success ? Palette::green() : Palette::red();
    const QColor dark = success ? Palette::greenDark() : Palette::redDark();

    p.save();
    p.setPen(Qt::NoPen);
    // Soft shadow: a few widening, fading discs below the badge.
    for (int i = 6; i >= 1; --i) {
        p.setBrush(QColor(0x10, 0x25, 0x40, 7));
        p.drawEllipse(QPointF(c.x(), c.y() + 5), r + i * 1.5, r + i * 1.5);
    }
    QLinearGradient body(0, c.y() - r, 0, c.y() + r);
    body.setColorAt(0.0, light);
    body.setColorAt(0.6, mid);
    body.setColorAt(1.0, dark);
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    // A gentle highlight on the upper half.
    QRadialGradient sheen(QPointF(c.x() - r * 0.25, c.y() - r * 0.55), r * 0.95);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawEllipse(c, r, r);
    // Inner ring.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), 2.0));
    p.drawEllipse(c, r - 7, r - 7);

    QPen stroke(Qt::white);
    stroke.setWidthF(SymbolDiameter * 0.105);
    stroke.setCapStyle(Qt::RoundCap);
    stroke.setJoinStyle(Qt::RoundJoin);
    p.setPen(stroke);
    if (success) {
        QPainterPath tick;
        tick.moveTo(c.x() - r * 0.42, c.y() + r * 0.02);
        tick.lineTo(c.x() - r * 0.12, c.y() + r * 0.32);
        tick.lineTo(c.x() + r * 0.45, c.y() - r * 0.30);
        p.drawPath(tick);
    } else {
        const qreal k = r * 0.33;
        p.drawLine(QPointF(c.x() - k, c.y() - k), QPointF(c.x() + k, c.y() + k));
        p.drawLine(QPointF(c.x() + k, c.y() - k), QPointF(c.x() - k, c.y() + k));
    }
    p.restore();
}

} // namespace

QVector<ResultPainter::Verdict> ResultPainter::verdicts()
{
    return {
        {QStringLiteral("ACCESSGRANTED"), QStringLiteral("ACCESS"), QStringLiteral("GRANTED"), true},
        {QStringLiteral("ACCESSDENIED"), QStringLiteral("ACCESS"), QStringLiteral("DENIED"), false},
        {QStringLiteral("ENROLLMENTSUCCEEDED"), QStringLiteral("ENROLLMENT"), QStringLiteral("SUCCEEDED"), true},
        {QStringLiteral("ENROLLMENTFAILED"), QStringLiteral("ENROLLMENT"), QStringLiteral("FAILED"), false},
        {QStringLiteral("UNENROLLMENTSUCCEEDED"), QStringLiteral("UNENROLLMENT"), QStringLiteral("SUCCEEDED"), true},
        {QStringLiteral("UNENROLLMENTFAILED"), QStringLiteral("UNENROLLMENT"), QStringLiteral("FAILED"), false},
    };
}

QImage ResultPainter::picture(const Verdict &v)
{
    QImage image = blankImage(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintPanel(p);
    paintWatermark(p);

    const TextLayout &layout = textLayout();
    const QFont font = houseFont(layout.pixelSize, QFont::Bold);
    const QFontMetricsF fm(font);
    const qreal groupWidth = SymbolDiameter + SymbolGap + layout.widest;
    const qreal left = (Width - groupWidth) / 2.0;
    const qreal midY = Height / 2.0;

    paintSymbol(p, QPointF(left + SymbolDiameter / 2.0, midY), v.success);

    // Two lines of capitals, centred as a block on the symbol's middle; the
    // cap height, not the font's full ascent, decides the visual centre.
    const qreal capHeight = fm.capHeight();
    const qreal lineGap = capHeight * 0.42;
    const qreal blockHeight = 2 * capHeight + lineGap;
    const qreal firstBaseline = midY - blockHeight / 2.0 + capHeight;
    const qreal textLeft = left + SymbolDiameter + SymbolGap;
    p.setFont(font);
    p.setPen(Palette::slate());
    p.drawText(QPointF(textLeft, firstBaseline), v.action);
    p.setPen(v.success ? Palette::greenDark() : Palette::redDark());
    p.drawText(QPointF(textLeft, firstBaseline + capHeight + lineGap), v.outcome);
    p.end();
    return image;
}

} // namespace resgen

#include "capture/ScoreOverlay.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

bool ScoreOverlay::drawScoreOverlay(QLabel *label, const QStringList &texts,
                                    const QVector<QPoint> &positions, int pointSize)
{
    if (!label)
        return false;
    QPixmap picture = label->pixmap();
    if (picture.isNull())
        return false;

    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSize(pointSize);
    const int n = int(qMin(texts.size(), positions.size()));

    QPainter painter(&picture);
    painter.setFont(font);
    // The box is made for that face; where another stands in and runs wider,
    // it grows so that no line spills over the picture.
    int width = 122;
    for (int i = 0; i < n; ++i)
        width = qMax(width, positions[i].x() + painter.fontMetrics().horizontalAdvance(texts[i]) + 6);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::white);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.drawRoundedRect(QRect(1, 1, width, 48), 8, 8);

    painter.setPen(Qt::black);
    for (int i = 0; i < n; ++i) {
        // The position is the text's top left corner, so the lines sit in
        // the box whatever the font's ascent.
        const QRect line(positions[i], QSize(picture.width() - positions[i].x(), 20));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, texts[i]);
    }
    painter.end();
    label->setPixmap(picture);
    return true;
}

bool ScoreOverlay::drawScores(QLabel *label, int totalScore, int usableArea)
{
    return drawScoreOverlay(label,
                            {QStringLiteral("Total Score: %1").arg(totalScore),
                             QStringLiteral("Usable Iris Area: %1").arg(usableArea)},
                            {QPoint(8, 10), QPoint(8, 30)}, 10);
}

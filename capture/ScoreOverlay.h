#ifndef GLINTVIEW_SCOREOVERLAY_H
#define GLINTVIEW_SCOREOVERLAY_H

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

class QLabel;

// The white box with the quality scores over an eye picture.
class ScoreOverlay
{
public:
    // Draws the texts, each at its position, over the label's picture; does
    // nothing (false) when the label shows no picture.
    static bool drawScoreOverlay(QLabel *label, const QStringList &texts,
                                 const QVector<QPoint> &positions, int pointSize);

    // The two score lines of an eye, at their places.
    static bool drawScores(QLabel *label, int totalScore, int usableArea);
};

#endif

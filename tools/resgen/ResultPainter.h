#ifndef RESGEN_RESULTPAINTER_H
#define RESGEN_RESULTPAINTER_H

#include <QImage>
#include <QString>
#include <QVector>

namespace resgen {

// The verdict pictures of the matching work area: a round green tick or red
// cross beside the verdict in large capitals, on a light panel.
class ResultPainter
{
public:
    static constexpr int Width = 640;
    static constexpr int Height = 240;

    struct Verdict
    {
        QString name;   // file stem, e.g. "ACCESSGRANTED"
        QString action; // first line, e.g. "ACCESS"
        QString outcome; // second line, e.g. "GRANTED"
        bool success;
    };

    static QVector<Verdict> verdicts();

    // Opaque picture. Every verdict is set at one text size and position: the
    // largest at which the longest line of any of them fits.
    static QImage picture(const Verdict &verdict);
};

} // namespace resgen

#endif

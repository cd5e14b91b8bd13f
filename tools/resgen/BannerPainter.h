#ifndef RESGEN_BANNERPAINTER_H
#define RESGEN_BANNERPAINTER_H

#include <QImage>

namespace resgen {

// The strip behind the main window's empty menu bar. It is drawn as a style
// sheet background from the left edge, so everything that matters sits at
// the left and the rest is a calm gradient that may be cut anywhere.
class BannerPainter
{
public:
    static constexpr int Width = 1600; // wider than the widest window (1300)
    static constexpr int Height = 40;

    // `binocular`: the two-eye edition, shown by a pair of marks and its name.
    static QImage banner(bool binocular);
};

} // namespace resgen

#endif

#ifndef GLINTVIEW_SCREENFIT_H
#define GLINTVIEW_SCREENFIT_H

#include <QRect>

// Fits the nominal 1300 x 700 work-area region to the available part of the
// primary screen (task bars excluded), leaving 129 pixels of height for the
// window frame, tool bar, banner and status bar.
struct ScreenFit {
    static constexpr int kNominalWidth = 1300;
    static constexpr int kNominalHeight = 700;

    int windowWidth = kNominalWidth;
    int windowHeight = kNominalHeight;
    float uiScale = 1.0f;

    static ScreenFit fit(const QRect &available);
};

#endif

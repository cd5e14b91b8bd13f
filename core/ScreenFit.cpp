#include "core/ScreenFit.h"

ScreenFit ScreenFit::fit(const QRect &available)
{
    ScreenFit result;
    const int w = available.right() - available.left() + 1;
    const int h = available.bottom() - available.top() - 129;
    if (w >= kNominalWidth && h >= kNominalHeight)
        return result;

    const float sx = static_cast<float>(w / 1300.0);
    const float sy = static_cast<float>(h / 700.0);
    result.uiScale = sx < sy ? sx : sy;
    result.windowHeight = static_cast<int>(700 * result.uiScale + 50.0);
    result.windowWidth = static_cast<int>(1300 * result.uiScale - 10.0);
    return result;
}

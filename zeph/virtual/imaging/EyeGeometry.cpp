#include "EyeGeometry.h"

#include <cmath>

namespace zeph_imaging {

namespace {
// Lid profile: 1 at the apex, 0 at the corners, rounder than a parabola.
float lidShape(float t)
{
    float s = 1.0f - t * t;
    return s <= 0 ? 0.0f : std::sqrt(s) * (0.55f + 0.45f * s);
}
float lidT(const EyeGeometry &g, float x)
{
    float t = (x - g.eyeX) / g.halfWidth;
    // the apex sits off centre: stretch one side, squeeze the other
    return t < g.skew ? (t - g.skew) / (1.0f + g.skew) : (t - g.skew) / (1.0f - g.skew);
}
} // namespace

float EyeGeometry::upperLidY(float x) const
{
    return cornerY - (cornerY - upperTopY) * lidShape(lidT(*this, x));
}

float EyeGeometry::lowerLidY(float x) const
{
    return cornerY + (lowerBottomY - cornerY) * lidShape(lidT(*this, x));
}

float EyeGeometry::irisDistance(float x, float y) const
{
    float u = (x - irisX) / (irisR * squeezeX), v = (y - irisY) / irisR;
    return std::sqrt(u * u + v * v);
}

int EyeGeometry::visibleIrisPercent() const
{
    int inside = 0, visible = 0;
    for (int j = -20; j <= 20; ++j)
        for (int i = -20; i <= 20; ++i) {
            float u = i / 20.0f, v = j / 20.0f;
            if (u * u + v * v >= 1) continue;
            ++inside;
            float x = irisX + u * irisR * squeezeX, y = irisY + v * irisR;
            float pu = (x - pupilX) / (pupilR * squeezeX), pv = (y - pupilY) / pupilR;
            if (pu * pu + pv * pv < 1) { --inside; continue; } // the pupil is no iris
            if (insideOpening(x, y)) ++visible;
        }
    return inside ? (visible * 100 + inside / 2) / inside : 0;
}

} // namespace zeph_imaging

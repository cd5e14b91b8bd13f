#include "KindRenderer.h"

#include <cmath>

namespace zeph_imaging {

namespace {

GreyImage shifted(const GreyImage &base, int w, int h, int left, int top)
{
    GreyImage out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.at(x, y) = base.clampedAt(left + x, top + y);
    return out;
}

} // namespace

GreyImage renderKind(int kind, const GreyImage &base, const EyeGeometry &g, KindGeometry *where)
{
    if (base.width <= 0 || base.height <= 0) return {};
    const int cx = static_cast<int>(std::lround(g.irisX)), cy = static_cast<int>(std::lround(g.irisY));
    KindGeometry k;
    GreyImage out;
    switch (kind) {
    case 1:
        out = base;
        k = {g.irisX, g.irisY, g.irisR};
        break;
    case 2: {
        const int left = cx - base.width / 2, top = cy - base.height / 2;
        out = shifted(base, base.width, base.height, left, top);
        k = {g.irisX - left, g.irisY - top, g.irisR};
        break;
    }
    case 3: {
        const int left = cx - kCropWidth / 2, top = cy - kCropHeight / 2;
        out = shifted(base, kCropWidth, kCropHeight, left, top);
        k = {g.irisX - left, g.irisY - top, g.irisR};
        break;
    }
    case 7: case 4103: case 4104: case 4105: case 4106: {
        // each output pixel averages the 3 x 3 source samples it covers (scale 2.5)
        const float scale = static_cast<float>(kCropWidth) / kMaskedWidth;
        const float left = static_cast<float>(cx - kCropWidth / 2), top = static_cast<float>(cy - kCropHeight / 2);
        out = GreyImage(kMaskedWidth, kMaskedHeight);
        for (int y = 0; y < kMaskedHeight; ++y)
            for (int x = 0; x < kMaskedWidth; ++x) {
                const float sx = left + (x + 0.5f) * scale, sy = top + (y + 0.5f) * scale;
                if (g.irisDistance(sx, sy) >= 1.0f || !g.insideOpening(sx, sy)) {
                    out.at(x, y) = kMaskGrey;
                    continue;
                }
                int sum = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        sum += base.clampedAt(static_cast<int>(sx + i * 0.8f), static_cast<int>(sy + j * 0.8f));
                out.at(x, y) = static_cast<uint8_t>((sum + 4) / 9);
            }
        k = {(g.irisX - left) / scale, (g.irisY - top) / scale, g.irisR / scale};
        break;
    }
    default:
        return {};
    }
    if (where) *where = k;
    return out;
}

} // namespace zeph_imaging

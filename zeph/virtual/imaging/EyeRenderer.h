// EyeRenderer.h - procedurally drawn near-infrared eye pictures, 640 x 480,
// 8-bit grey. The same subject seed and eye always give the same eye; the
// noise seed adds a little sensor noise on top.
#ifndef ZEPH_IMAGING_EYERENDERER_H
#define ZEPH_IMAGING_EYERENDERER_H

#include "EyeGeometry.h"
#include "GreyImage.h"

#include <cstdint>

namespace zeph_imaging {

class EyeRenderer {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    // eye: 1 right, 2 left (anything else draws the right eye);
    // presentation: the Presentation values (Presentation.h); an absent eye is
    // drawn as a sharp one here, the caller shows the empty scene instead.
    EyeRenderer(uint64_t subjectSeed, int eye, int presentation);

    const EyeGeometry &geometry() const { return geometry_; }
    // The picture without sensor noise (blur already applied).
    GreyImage renderClean() const;
    // Adds sensor noise of the given seed in place.
    static void addNoise(GreyImage &image, uint64_t noiseSeed);

private:
    void drawLashes(GreyImage &image) const;

    uint64_t eyeSeed_;
    uint64_t subjectSeed_;
    int eye_;
    int presentation_;
    EyeGeometry geometry_;
};

} // namespace zeph_imaging

#endif

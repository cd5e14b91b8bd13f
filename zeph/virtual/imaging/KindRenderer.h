// KindRenderer.h - the result image kinds cut from a rendered eye picture.
//   K1 (1)        the whole 640 x 480 frame as captured
//   K2 (2)        640 x 480 with the iris moved to the centre
//   K3 (3)        400 x 300 crop centred on the iris, at full resolution
//   K7 (7) and the compact K7 kinds (4103..4106)
//                 the K3 crop scaled to 160 x 120, everything that is not iris
//                 (sclera, lids, lashes, skin) set to the mask grey 128
#ifndef ZEPH_IMAGING_KINDRENDERER_H
#define ZEPH_IMAGING_KINDRENDERER_H

#include "EyeGeometry.h"
#include "GreyImage.h"

namespace zeph_imaging {

constexpr int kCropWidth = 400, kCropHeight = 300;
constexpr int kMaskedWidth = 160, kMaskedHeight = 120;
constexpr uint8_t kMaskGrey = 128;

struct KindGeometry {
    float irisX = 0, irisY = 0, irisR = 0;   // limbus centre and radius in the kind's own pixels
};

// An empty picture for kinds that do not exist.
GreyImage renderKind(int kind, const GreyImage &base, const EyeGeometry &geometry, KindGeometry *where = nullptr);

} // namespace zeph_imaging

#endif

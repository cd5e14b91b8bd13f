// EyeGeometry.h - where the iris, the pupil and the eyelids lie in a
// rendered 640 x 480 eye picture. Shared by the renderer and by the kinds
// that crop and mask around the iris.
#ifndef ZEPH_IMAGING_EYEGEOMETRY_H
#define ZEPH_IMAGING_EYEGEOMETRY_H

namespace zeph_imaging {

struct EyeGeometry {
    float irisX = 320, irisY = 240;   // limbus centre
    float irisR = 115;                // limbus radius (vertical half axis)
    float squeezeX = 1;               // horizontal foreshortening of iris and pupil (1 = frontal)
    float pupilX = 320, pupilY = 240, pupilR = 45;
    float cornerY = 250;              // height of both eye corners
    float eyeX = 320, halfWidth = 290; // centre and half width of the lid opening
    float upperTopY = 140;            // highest point of the upper lid margin
    float lowerBottomY = 350;         // lowest point of the lower lid margin
    float skew = 0;                   // shifts the lids' apex sideways (fraction of halfWidth)

    // Lid margins at column x; outside the opening both equal cornerY.
    float upperLidY(float x) const;
    float lowerLidY(float x) const;
    bool insideOpening(float x, float y) const { return y > upperLidY(x) && y < lowerLidY(x); }
    // Normalised distance from the limbus centre: < 1 inside the iris ellipse.
    float irisDistance(float x, float y) const;
    // Share of the iris disc (0..100) not hidden by the lids.
    int visibleIrisPercent() const;
};

} // namespace zeph_imaging

#endif

// Presentation.h - how an eye is presented to the camera; the same values
// as the virtual camera's control interface uses.
#ifndef ZEPH_IMAGING_PRESENTATION_H
#define ZEPH_IMAGING_PRESENTATION_H

namespace zeph_imaging {

enum Presentation {
    PresentAbsent = 0,       // no eye there: the empty scene
    PresentSharp = 1,        // open, frontal, in focus
    PresentBlurred = 2,      // out of focus
    PresentHalfClosed = 3,   // the upper lid covers much of the iris
    PresentLookingAside = 4  // gaze turned: iris off centre and foreshortened
};

} // namespace zeph_imaging

#endif

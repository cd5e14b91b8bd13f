// Presentation.h - how an eye is presented to the camera.
#ifndef ZEPH_IMAGING_PRESENTATION_H
#define ZEPH_IMAGING_PRESENTATION_H

namespace zeph_imaging {

enum Presentation {
    PresentSharp = 0,        // open, frontal, in focus
    PresentBlurred = 1,      // out of focus
    PresentHalfClosed = 2,   // the upper lid covers much of the iris
    PresentLookingAside = 3  // gaze turned: iris off centre and foreshortened
};

} // namespace zeph_imaging

#endif

#ifndef GLINTVIEW_CAPTURESERVICE_H
#define GLINTVIEW_CAPTURESERVICE_H

#include "zeph/zeph.h"

class KeldWaitingDlg;
class QLabel;

// What every work area needs of the capture results: fetching them from
// the camera into the context's LastCapture and showing them in two eye
// labels. The capture work area's floor implements it (it holds the image
// decoders and the ISO record reader); the shell installs it in the context
// at start-up, so the shared floor and the other work areas reach it
// without including the capture floor.
class CaptureService
{
public:
    virtual ~CaptureService() = default;

    // Fetches the last capture's scores and images (ISO record for revision
    // 1 or 2). With a dialog it runs on a pool thread, reports its stages
    // there and finishes the dialog; without one it runs on the caller's
    // thread. Keeps the capture's completion time.
    virtual void fetchCaptureResults(int32_t isoRevision, KeldWaitingDlg *dialog) = 0;

    // GUI thread. Draws LastCapture into the labels, or says per eye why
    // there is no picture; withScores adds the score boxes.
    virtual void showCaptureResults(QLabel *leftLabel, QLabel *rightLabel, bool withScores) = 0;
};

#endif

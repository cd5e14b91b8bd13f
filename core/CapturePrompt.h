#ifndef GLINTVIEW_CAPTUREPROMPT_H
#define GLINTVIEW_CAPTUREPROMPT_H

// The boxes every action that uses a capture shows: the prompt to capture
// first, the quality judgement for a purpose and the age confirmation. A
// request for a new capture goes to the main window as a queued call of its
// slot "OnActionAutoCapture": callers pass the main window they were given
// at construction (after installation a work area's parent chain no longer
// leads there reliably).

#include <QString>

class QLabel;
class QObject;
class QWidget;

class CapturePrompt
{
public:
    // Warning box "Please capture your iris image first." with "Capture"
    // (default) and "Cancel"; "Capture" requests a capture. True when it did.
    static bool askForCapture(QWidget *parent, const QString &title, QObject *mainWindow);

    // Queues "OnActionAutoCapture" on the main window; false when there is
    // none or it has no such slot.
    static bool requestCapture(QObject *mainWindow);

    // purpose: CapturePurpose. True when LastCapture may be used for it.
    // Clears a rejected eye on the device (and in the label) and fetches
    // the capture again without it.
    static bool judgeCaptureQuality(QWidget *parent, QObject *mainWindow, int purpose,
                                    QLabel *leftLabel, QLabel *rightLabel);

    // True when LastCapture is recent enough, or the operator takes it anyway.
    static bool confirmCaptureAge(QWidget *parent, QObject *mainWindow);
};

#endif

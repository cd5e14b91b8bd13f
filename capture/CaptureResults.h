#ifndef GLINTVIEW_CAPTURERESULTS_H
#define GLINTVIEW_CAPTURERESULTS_H

// The capture floor's side of the context's capture service: fetching the
// last capture's results into LastCapture, showing them, and what must
// outlive any one capture work area (the frame callback's context and the
// frame drawer with its decoder state).

#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "capture/ResultSaver.h"
#include "core/CaptureService.h"

#include <QMutex>
#include <QString>
#include <memory>

class AppContext;

class CaptureResults : public CaptureService
{
public:
    explicit CaptureResults(AppContext &context);
    ~CaptureResults() override;

    // The service installed in the context; installs one first when the
    // context holds none (a context built by hand, as in a test).
    static CaptureResults &of(AppContext &context);

    void fetchCaptureResults(int32_t isoRevision, KeldWaitingDlg *dialog) override;
    void showCaptureResults(QLabel *leftLabel, QLabel *rightLabel, bool withScores) override;

    FrameRelay &relay() { return m_relay; }
    FrameDrawer &drawer() { return m_drawer; }

    // The saver of the latest fetch: it wrote the ISO record (on the
    // fetch's thread) and writes the images afterwards (on the GUI thread).
    // A new one per fetch, so its error text is that fetch's alone.
    ResultSaver &saver();
    QString saveError() const;

private:
    void copyImages(const ZephImage *right, const ZephImage *left);

    AppContext &m_context;
    FrameRelay m_relay;
    FrameDrawer m_drawer;
    std::unique_ptr<ResultSaver> m_saver;
};

#endif

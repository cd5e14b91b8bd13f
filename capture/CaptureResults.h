#ifndef GLINTVIEW_CAPTURERESULTS_H
#define GLINTVIEW_CAPTURERESULTS_H

// The capture floor's side of the context's capture service: fetching the
// last capture's results into LastCapture, showing them, and what must
// outlive any one capture work area (the frame callback's context and the
// frame drawer with its decoder state).

#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "core/CaptureService.h"

#include <QMutex>
#include <QString>

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

    // The last failure of saving a fetched result; empty when none. Cleared
    // once at the start of each fetch, so a later success cannot hide it.
    QString saveError() const;
    void setSaveError(const QString &text);

private:
    void copyImages(const ZephImage *right, const ZephImage *left);

    AppContext &m_context;
    FrameRelay m_relay;
    FrameDrawer m_drawer;
    mutable QMutex m_saveErrorLock;
    QString m_saveError;
};

#endif

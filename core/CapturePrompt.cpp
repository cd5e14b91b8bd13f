#include "core/CapturePrompt.h"

#include "core/AppContext.h"
#include "core/CaptureJudgement.h"
#include "core/CaptureService.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"
#include "platform/Clock.h"

#include <QLabel>
#include <QMetaObject>

namespace {
const QString kRecapture = QStringLiteral("Re-capture");
const QString kProceed = QStringLiteral("Proceed Anyway");
const QString kCancel = QStringLiteral("Cancel");

// Re-capture / Proceed Anyway / Cancel: true only for Proceed Anyway.
bool askToProceed(QWidget *parent, QObject *mainWindow, const QString &text)
{
    const QString answer =
        MessageBox::ask(parent, QMessageBox::Warning, QStringLiteral("Confirmation"), text,
                        {kRecapture, kProceed, kCancel}, kRecapture);
    if (answer == kRecapture)
        CapturePrompt::requestCapture(mainWindow);
    return answer == kProceed;
}
} // namespace

bool CapturePrompt::askForCapture(QWidget *parent, const QString &title, QObject *mainWindow)
{
    const QString capture = QStringLiteral("Capture");
    const QString answer = MessageBox::ask(parent, QMessageBox::Warning, title,
                                           QStringLiteral("Please capture your iris image first."),
                                           {capture, kCancel}, capture);
    if (answer != capture)
        return false;
    return requestCapture(mainWindow);
}

bool CapturePrompt::requestCapture(QObject *mainWindow)
{
    if (!mainWindow)
        return false;
    return QMetaObject::invokeMethod(mainWindow, "OnActionAutoCapture", Qt::QueuedConnection);
}

bool CapturePrompt::judgeCaptureQuality(QWidget *parent, QObject *mainWindow, int purpose,
                                        QLabel *leftLabel, QLabel *rightLabel)
{
    AppContext &ctx = *AppContext::instance();
    QualityThresholds limits;
    if (!CaptureJudgement::thresholdsFor(purpose, ctx, &limits))
        return false;

    const QualityVerdict v =
        CaptureJudgement::judge(ctx.lastCapture.rightQuality, ctx.lastCapture.leftQuality, limits);

    if (v.scoredEyes == 0) {
        const QString answer = MessageBox::ask(
            parent, QMessageBox::Critical, CaptureJudgement::rejectionTitle(purpose),
            CaptureJudgement::rejectionText(purpose), {kRecapture, kCancel}, kRecapture);
        if (answer == kRecapture)
            requestCapture(mainWindow);
        return false;
    }

    if (v.leftRejected != v.rightRejected) {
        const bool left = v.leftRejected;
        const ZephResult cleared =
            Zeph_ClearCapture(ctx.deviceHandle, left ? ZEPH_CLEAR_LEFT : ZEPH_CLEAR_RIGHT);
        ctx.lastResult = cleared;
        if (cleared != 0) {
            // The eye is still on the device: using the capture now would
            // take the eye just judged unfit.
            MessageBox::critical(parent, QStringLiteral("Error"),
                                 QString::fromLocal8Bit(ResultText(cleared)));
            ctx.offerRecovery(cleared);
            return false;
        }
        MessageBox::warning(parent, QStringLiteral("Information"),
                            CaptureJudgement::clearedText(left, purpose));
        if (QLabel *label = left ? leftLabel : rightLabel)
            label->clear();
        if (CaptureService *service = ctx.captureService())
            service->fetchCaptureResults(ctx.isoRevision, nullptr);
    }

    if (purpose == PurposeEnrollment && v.belowRecommendation)
        return askToProceed(parent, mainWindow, CaptureJudgement::enrollmentRecommendationText());
    return true;
}

bool CapturePrompt::confirmCaptureAge(QWidget *parent, QObject *mainWindow)
{
    const AppContext &ctx = *AppContext::instance();
    if (!CaptureJudgement::isTooOld(Clock::instance().monotonicMs(), ctx.lastCapture.captureTime,
                                    ctx.capturedResultTimeout))
        return true;
    return askToProceed(parent, mainWindow, CaptureJudgement::ageQuestionText());
}

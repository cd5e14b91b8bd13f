#include "capture/CaptureResults.h"

#include "capture/IsoIrisRecord.h"
#include "capture/ScoreOverlay.h"
#include "core/AppContext.h"
#include "core/KeldWaitingDlg.h"
#include "core/ResultText.h"

#include <QLabel>

namespace {
bool isDeviceRefusal(ZephResult r)
{
    return r == ZEPH_ERR_FUNCTION_DISABLED || r == ZEPH_ERR_DEVICE_LOCKED;
}

bool hasUsableEyes(ZephResult r)
{
    return r == 0 || r == ZEPH_ERR_NO_QUALIFIED_RIGHT || r == ZEPH_ERR_NO_QUALIFIED_LEFT;
}

void say(KeldWaitingDlg *dialog, const char *text)
{
    if (dialog)
        dialog->setMessage(QString::fromLatin1(text));
}
} // namespace

CaptureResults::CaptureResults(AppContext &context)
    : m_context(context), m_relay(context.liveFrames), m_drawer(context.frameBuffer, context.grayColorTable)
{
}

CaptureResults::~CaptureResults() = default;

CaptureResults &CaptureResults::of(AppContext &context)
{
    if (auto *mine = dynamic_cast<CaptureResults *>(context.captureService()))
        return *mine;
    auto made = std::make_unique<CaptureResults>(context);
    CaptureResults &result = *made;
    context.installCaptureService(std::move(made));
    return result;
}

ResultSaver &CaptureResults::saver()
{
    if (!m_saver)
        m_saver = std::make_unique<ResultSaver>(ResultSaveOptions::fromSettings(m_context));
    return *m_saver;
}

QString CaptureResults::saveError() const
{
    return m_saver ? m_saver->errorText() : QString();
}

void CaptureResults::fetchCaptureResults(int32_t isoRevision, KeldWaitingDlg *dialog)
{
    AppContext &ctx = m_context;
    LastCapture &last = ctx.lastCapture;
    ctx.resetCaptureState(true);
    m_saver = std::make_unique<ResultSaver>(ResultSaveOptions::fromSettings(ctx));

    const ZephQuality *quality = nullptr;
    int32_t qualityCount = 0;
    const ZephResult q = Zeph_GetResultQuality(ctx.deviceHandle, &quality, &qualityCount);
    // Two records, right then left; anything less is read no further than it goes.
    if (quality && qualityCount >= 2 && (q == 0 || q == ZEPH_ERR_NO_QUALIFIED_RIGHT))
        last.leftQuality = quality[1];
    if (quality && qualityCount >= 1 && (q == 0 || q == ZEPH_ERR_NO_QUALIFIED_LEFT))
        last.rightQuality = quality[0];
    last.lastCaptureResult = q;

    ZephImage entries[2] = {};
    if (isoRevision == ZEPH_ISO_NONE) {
        say(dialog, "Retrieving images...");
        const ZephImage *images = nullptr;
        int32_t count = 0;
        ctx.lastResult = Zeph_GetResultImage(ctx.deviceHandle, ctx.resultKind, ctx.resultFormat,
                                             ctx.j2kQuality, &images, &count);
        for (int32_t i = 0; images && i < count && i < 2; ++i)
            entries[i] = images[i];
    } else {
        say(dialog, "Retrieving iso image...");
        ZephIsoRecord record{};
        ctx.lastResult = Zeph_GetResultIsoImage(ctx.deviceHandle, isoRevision, ctx.resultFormat,
                                                ctx.resultKind, ctx.j2kQuality, ctx.isoSubtype,
                                                &record);
        if (!record.data || record.size == 0) {
            if (ctx.lastResult == ZEPH_ERR_NO_QUALIFIED_FRAME && q != ZEPH_ERR_NO_QUALIFIED_FRAME) {
                if (ctx.isoSubtype == ZEPH_EYE_RIGHT)
                    ctx.lastResult = ZEPH_ERR_NO_QUALIFIED_RIGHT;
                else if (ctx.isoSubtype == ZEPH_EYE_LEFT)
                    ctx.lastResult = ZEPH_ERR_NO_QUALIFIED_LEFT;
            }
            m_saver->setErrorText(QString::fromLocal8Bit(ResultText(ctx.lastResult)));
        } else {
            say(dialog, "Parsing iso image...");
            IsoIrisRecord::Options options;
            options.revision = isoRevision;
            options.resultKind = ctx.resultKind;
            options.resultFormat = ctx.resultFormat;
            options.startAtLeft = IsoIrisRecord::startsAtLeft(ctx.lastResult, ctx.isoSubtype,
                                                              ctx.deviceInfo.binocular != 0);
            const ZephResult parsed = IsoIrisRecord::parse(record, options, entries);
            if (parsed != 0)
                ctx.lastResult = parsed;
            if (ctx.lastResult == 0 && q != 0)
                ctx.lastResult = q;
            if (ctx.saveBestImage) {
                say(dialog, "Saving image to file...");
                m_saver->saveIsoRecord(isoRevision, ctx.resultFormat, ctx.resultKind, entries[0],
                                       record);
            }
        }
    }

    last.leftResult = last.rightResult = ctx.lastResult;
    if (isDeviceRefusal(ctx.lastResult) && q != 0) {
        if (q != ZEPH_ERR_NO_QUALIFIED_RIGHT)
            last.leftResult = q;
        if (q != ZEPH_ERR_NO_QUALIFIED_LEFT)
            last.rightResult = q;
    } else if (hasUsableEyes(ctx.lastResult)) {
        copyImages(&entries[0], &entries[1]);
    }

    if (dialog)
        dialog->finish();
}

void CaptureResults::copyImages(const ZephImage *right, const ZephImage *left)
{
    LastCapture &last = m_context.lastCapture;
    last.hasRightImage = right->data && last.rightImage.assign(*right);
    last.hasLeftImage = left->data && last.leftImage.assign(*left);
}

void CaptureResults::showCaptureResults(QLabel *leftLabel, QLabel *rightLabel, bool withScores)
{
    AppContext &ctx = m_context;
    LastCapture &last = ctx.lastCapture;

    struct Eye {
        QLabel *label;
        bool hasImage;
        ImageSlot *image;
        ZephResult result;
        int32_t disabledWhen; // eye subtype that leaves this eye out
        const char *disabledText;
        ZephResult silentResult; // says the other eye is missing
        ZephQuality quality;
    };
    const Eye eyes[] = {
        {leftLabel, last.hasLeftImage, &last.leftImage, last.leftResult, ZEPH_EYE_RIGHT,
         "The capture for left eye is disabled.", ZEPH_ERR_NO_QUALIFIED_RIGHT, last.leftQuality},
        {rightLabel, last.hasRightImage, &last.rightImage, last.rightResult, ZEPH_EYE_LEFT,
         "The capture for right eye is disabled.", ZEPH_ERR_NO_QUALIFIED_LEFT, last.rightQuality},
    };

    for (const Eye &eye : eyes) {
        if (!eye.label)
            continue;
        eye.label->clear();
        bool drawn = false;
        if (eye.hasImage) {
            drawn = m_drawer.drawImage(eye.label, eye.image->record());
        } else if (eye.result == ZEPH_ERR_FUNCTION_DISABLED) {
            eye.label->setText(QStringLiteral(
                "The captured image cannot be displayed since the 'dataClosure' or the "
                "'forceEncryption' mode in the device configuration is on. Matching, enrollment, "
                "or login can still be carried out properly though."));
        } else if (eye.result == ZEPH_ERR_DEVICE_LOCKED) {
            eye.label->setText(
                QStringLiteral("The captured image cannot be displayed since the device was locked."));
        } else if (ctx.eyeSubtype == eye.disabledWhen) {
            eye.label->setText(QString::fromLatin1(eye.disabledText));
        } else if (eye.result == ZEPH_ERR_FRAME_NOT_AVAILABLE) {
            eye.label->setText(eye.label->windowTitle());
        } else if (eye.result != 0 && eye.result != eye.silentResult) {
            eye.label->setText(QString::fromLocal8Bit(ResultText(eye.result)));
        }
        // Scores go over a picture only: an eye the device will not show
        // keeps its scores in LastCapture but gets no box over its text.
        if (withScores && drawn && eye.quality.totalScore != 0)
            ScoreOverlay::drawScores(eye.label, eye.quality.totalScore, eye.quality.usableArea);
    }
}

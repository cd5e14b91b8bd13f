// zeph.h, capture family: the calls reach the device's capture engine.
// Result images and ISO records are drawn and encoded outside the camera
// lock, on a snapshot of the results; only handing them out takes it again.
#include "CaptureEngine.h"
#include "EyeImageSource.h"
#include "Journaled.h"
#include "SecurityComponent.h"

using namespace zvc;

namespace {

CaptureEngine &engine(VirtualDevice &device) { return *device.component<CaptureEngine>(); }

bool isKnownFormat(int32_t format)
{
    switch (format) {
    case ZEPH_FORMAT_MONO_RAW: case ZEPH_FORMAT_MONO_JPEG: case ZEPH_FORMAT_MONO_JPEG2000:
    case ZEPH_FORMAT_MONO_PNG: case ZEPH_FORMAT_CORVANE_RAW: case ZEPH_FORMAT_CORVANE_JPEG2000:
        return true;
    default:
        return false;
    }
}

bool isJpeg2000(int32_t format)
{
    return format == ZEPH_FORMAT_MONO_JPEG2000 || format == ZEPH_FORMAT_CORVANE_JPEG2000;
}

// The compact K7 kinds carry their own quality; the others need 1..100 for JPEG 2000.
bool qualityOk(int32_t kind, int32_t format, int32_t quality)
{
    return !isJpeg2000(format) || kind > ZEPH_KIND_K7 || (quality >= 1 && quality <= 100);
}

EyeImageRequest requestFor(const CaptureResult &r, int index, int32_t kind, int32_t format,
                           int32_t quality)
{
    EyeImageRequest q;
    q.subject = r.subject;
    q.eye = index == 0 ? ZEPH_EYE_RIGHT : ZEPH_EYE_LEFT;
    q.presentation = r.presentation[index];
    q.noiseSeed = r.noiseSeed;
    q.kind = kind;
    q.format = format;
    q.quality = quality;
    q.scale = 1;
    return q;
}

// The first image block's length field, made to run past the record's end.
void lieAboutFirstBlock(std::vector<uint8_t> &iso, int32_t revision)
{
    const std::size_t at = revision == ZEPH_ISO_2005 ? 45 + 10 : 16 + 53;
    if (iso.size() < at + 4)
        return;
    const uint32_t length = static_cast<uint32_t>(iso.size());
    for (int i = 0; i < 4; ++i)
        iso[at + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
}

} // namespace

extern "C" {

ZephResult Zeph_GetCaptureStatus(ZephHandle handle, int32_t *status)
{
    return journaled(Fn::GetCaptureStatus, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::GetCaptureStatus, handle, [status](VirtualDevice &d, AfterUnlock &) -> ZephResult {
                if (!status)
                    return ZEPH_ERR_INVALID_PARAMETER;
                *status = engine(d).status();
                return ZEPH_OK;
            });
    });
}

ZephResult Zeph_InitCamera(ZephHandle handle, int32_t *value1, int32_t *value2)
{
    return journaled(Fn::InitCamera, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::InitCamera, handle, [=](VirtualDevice &d, AfterUnlock &) {
                return engine(d).init(value1, value2);
            });
    });
}

ZephResult Zeph_DeinitCamera(ZephHandle handle)
{
    return journaled(Fn::DeinitCamera, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::DeinitCamera, handle,
            [](VirtualDevice &d, AfterUnlock &after) { return engine(d).deinit(after); },
            [](VirtualDevice &d, AfterUnlock &after) { engine(d).endCapture(0, after); });
    });
}

ZephResult Zeph_StartCapture(ZephHandle handle, int32_t captureMode, int32_t count,
                             int32_t qualityMode, int32_t operationMode, int32_t eyeSubtype,
                             int32_t streaming, ZephFrameCallback callback, void *context)
{
    const CaptureEngine::StartParams p{captureMode,  count,     qualityMode, operationMode,
                                       eyeSubtype,   streaming, callback,    context};
    return journaled(
        Fn::StartCapture, handle,
        {captureMode, count, qualityMode, operationMode, eyeSubtype, streaming}, nullptr, [&] {
            return VirtualCamera::instance().onDevice(
                Fn::StartCapture, handle, [&p](VirtualDevice &d, AfterUnlock &after) {
                    return engine(d).start(d, p, after);
                });
        });
}

ZephResult Zeph_StopCapture(ZephHandle handle)
{
    return journaled(Fn::StopCapture, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::StopCapture, handle,
            [](VirtualDevice &d, AfterUnlock &after) { return engine(d).stop(after); },
            [](VirtualDevice &d, AfterUnlock &after) { engine(d).endCapture(0, after); });
    });
}

ZephResult Zeph_OperateCapture(ZephHandle handle)
{
    return journaled(Fn::OperateCapture, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::OperateCapture, handle,
            [](VirtualDevice &d, AfterUnlock &) { return engine(d).operate(); });
    });
}

ZephResult Zeph_GetResultQuality(ZephHandle handle, const ZephQuality **quality, int32_t *count)
{
    if (quality)
        *quality = nullptr;
    if (count)
        *count = 0;
    return journaled(Fn::GetResultQuality, handle, {}, nullptr, [&] {
        VirtualCamera &camera = VirtualCamera::instance();
        return camera.onDevice(
            Fn::GetResultQuality, handle,
            [&](VirtualDevice &d, AfterUnlock &) -> ZephResult {
                if (!quality || !count)
                    return ZEPH_ERR_INVALID_PARAMETER;
                CaptureEngine &e = engine(d);
                const auto results = e.results();
                if (!results)
                    return ZEPH_ERR_FRAME_NOT_AVAILABLE;
                const ZephResult answer = results->answer();
                if (answer == ZEPH_ERR_NO_QUALIFIED_FRAME)
                    return answer;
                const bool short1 = camera.takeLie(Fn::GetResultQuality) == ZVC_LIE_SHORT_ARRAY;
                e.qualityOut.assign(results->score, results->score + (short1 ? 1 : 2));
                *quality = e.qualityOut.data();
                *count = static_cast<int32_t>(e.qualityOut.size());
                return answer;
            });
    });
}

ZephResult Zeph_GetResultImage(ZephHandle handle, int32_t resultKind, int32_t resultFormat,
                               int32_t j2kQuality, const ZephImage **images, int32_t *count)
{
    if (images)
        *images = nullptr;
    if (count)
        *count = 0;
    return journaled(Fn::GetResultImage, handle, {resultKind, resultFormat, j2kQuality}, nullptr, [&] {
        VirtualCamera &camera = VirtualCamera::instance();
        std::shared_ptr<const CaptureResult> results;
        uint64_t deviceId = 0;
        ZephResult answer = camera.onDevice(
            Fn::GetResultImage, handle, [&](VirtualDevice &d, AfterUnlock &) -> ZephResult {
                if (!images || !count || Zeph_CompactKind(resultKind) == 0
                    || !isKnownFormat(resultFormat) || !qualityOk(resultKind, resultFormat, j2kQuality))
                    return ZEPH_ERR_INVALID_PARAMETER;
                results = engine(d).results();
                deviceId = d.id();
                if (!results)
                    return ZEPH_ERR_FRAME_NOT_AVAILABLE;
                // A lock or data closure keeps the images in; the scores stay out.
                if (const ZephResult withheld = SecurityComponent::imagesWithheld(d))
                    return withheld;
                return results->answer();
            });
        if (!results || answer == ZEPH_ERR_NO_QUALIFIED_FRAME
            || (answer != ZEPH_OK && answer != ZEPH_ERR_NO_QUALIFIED_RIGHT
                && answer != ZEPH_ERR_NO_QUALIFIED_LEFT))
            return answer;
        // The long part, on the snapshot and without the lock.
        EyeImage drawn[2];
        for (int i = 0; i < 2; ++i) {
            if (!results->qualified[i])
                continue;
            drawn[i] = makeEyeImage(requestFor(*results, i, resultKind, resultFormat, j2kQuality));
            if (drawn[i].result != ZEPH_OK)
                return drawn[i].result;
        }
        const int32_t lie = camera.takeLie(Fn::GetResultImage);
        const ZephResult stored = camera.onDeviceId(deviceId, [&](VirtualDevice &d, AfterUnlock &) {
            CaptureEngine &e = engine(d);
            e.imagesOut.assign(lie == ZVC_LIE_SHORT_ARRAY ? 1 : 2, ZephImage{});
            for (int i = 0; i < 2; ++i) {
                e.imageBytesOut[i] = std::move(drawn[i].bytes);
                if (i >= static_cast<int>(e.imagesOut.size()) || e.imageBytesOut[i].empty())
                    continue;
                ZephImage &img = e.imagesOut[i];
                img.kind = Zeph_CompactKind(resultKind);
                img.format = static_cast<uint8_t>(resultFormat);
                img.width = drawn[i].width * (lie == ZVC_LIE_SIZE_BEYOND_DATA ? 2 : 1);
                img.height = drawn[i].height;
                img.data = e.imageBytesOut[i].data();
                img.size = static_cast<uint32_t>(e.imageBytesOut[i].size());
            }
            *images = e.imagesOut.data();
            *count = static_cast<int32_t>(e.imagesOut.size());
            return ZEPH_OK;
        });
        return stored == ZEPH_OK ? answer : stored;
    });
}

ZephResult Zeph_GetResultIsoImage(ZephHandle handle, int32_t isoRevision, int32_t resultFormat,
                                  int32_t resultKind, int32_t j2kQuality, int32_t isoSubtype,
                                  ZephIsoRecord *record)
{
    if (record)
        *record = ZephIsoRecord{0, nullptr};
    return journaled(
        Fn::GetResultIsoImage, handle,
        {isoRevision, resultFormat, resultKind, j2kQuality, isoSubtype}, nullptr, [&] {
            VirtualCamera &camera = VirtualCamera::instance();
            std::shared_ptr<const CaptureResult> results;
            uint64_t deviceId = 0;
            bool want[2] = {false, false};
            ZephResult answer = camera.onDevice(
                Fn::GetResultIsoImage, handle, [&](VirtualDevice &d, AfterUnlock &) -> ZephResult {
                    if (!record || (isoRevision != ZEPH_ISO_2005 && isoRevision != ZEPH_ISO_2011)
                        || Zeph_CompactKind(resultKind) == 0 || !isKnownFormat(resultFormat)
                        || !qualityOk(resultKind, resultFormat, j2kQuality)
                        || isoSubtype < ZEPH_ISO_SUBTYPE_UNKNOWN || isoSubtype > ZEPH_ISO_SUBTYPE_BOTH)
                        return ZEPH_ERR_INVALID_PARAMETER;
                    if (isoSubtype == ZEPH_ISO_SUBTYPE_BOTH && d.info().binocular == 0)
                        return ZEPH_ERR_WRONG_EYE_SUBTYPE;
                    results = engine(d).results();
                    deviceId = d.id();
                    if (!results)
                        return ZEPH_ERR_FRAME_NOT_AVAILABLE;
                    if (const ZephResult withheld = SecurityComponent::imagesWithheld(d))
                        return withheld;
                    want[0] = isoSubtype != ZEPH_ISO_SUBTYPE_LEFT && results->qualified[0];
                    want[1] = isoSubtype != ZEPH_ISO_SUBTYPE_RIGHT && results->qualified[1];
                    if (!want[0] && !want[1])
                        return ZEPH_ERR_NO_QUALIFIED_FRAME;
                    if (isoSubtype == ZEPH_ISO_SUBTYPE_BOTH || isoSubtype == ZEPH_ISO_SUBTYPE_UNKNOWN)
                        return results->answer();
                    return ZEPH_OK;
                });
            if (!results || (answer != ZEPH_OK && answer != ZEPH_ERR_NO_QUALIFIED_RIGHT
                             && answer != ZEPH_ERR_NO_QUALIFIED_LEFT))
                return answer;
            IsoRequest request;
            request.revision = isoRevision;
            request.format = resultFormat;
            request.kind = resultKind;
            request.quality = j2kQuality;
            request.subtype = isoSubtype;
            for (int i = 0; i < 2; ++i) {
                request.present[i] = want[i];
                request.eyes[i] = requestFor(*results, i, resultKind, resultFormat, j2kQuality);
                request.scores[i] = results->score[i];
            }
            IsoRecordBytes built = makeIsoRecord(request);
            if (built.result != ZEPH_OK)
                return built.result;
            if (camera.takeLie(Fn::GetResultIsoImage) == ZVC_LIE_ISO_BLOCK_PAST_END)
                lieAboutFirstBlock(built.bytes, isoRevision);
            const ZephResult stored = camera.onDeviceId(deviceId, [&](VirtualDevice &d, AfterUnlock &) {
                CaptureEngine &e = engine(d);
                e.isoOut = std::move(built.bytes);
                record->size = static_cast<uint32_t>(e.isoOut.size());
                record->data = e.isoOut.empty() ? nullptr : e.isoOut.data();
                return ZEPH_OK;
            });
            return stored == ZEPH_OK ? answer : stored;
        });
}

ZephResult Zeph_ClearCapture(ZephHandle handle, int32_t eye)
{
    return journaled(Fn::ClearCapture, handle, {eye}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::ClearCapture, handle,
            [eye](VirtualDevice &d, AfterUnlock &) { return engine(d).clear(eye); });
    });
}

ZephResult Zeph_ControlLed(ZephHandle handle, int32_t led, int32_t on, int32_t milliseconds)
{
    return journaled(Fn::ControlLed, handle, {led, on, milliseconds}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::ControlLed, handle, [=](VirtualDevice &d, AfterUnlock &) {
                return engine(d).controlLed(led, on, milliseconds);
            });
    });
}

ZephResult Zeph_ControlBlinkingLed(ZephHandle handle, int32_t led, int32_t on, int32_t period,
                                   int32_t duration)
{
    return journaled(Fn::ControlBlinkingLed, handle, {led, on, period, duration}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            Fn::ControlBlinkingLed, handle, [=](VirtualDevice &d, AfterUnlock &) {
                return engine(d).blinkLed(led, on, period, duration);
            });
    });
}

} // extern "C"

// ImagingEyeSource.cpp - hands the capture engine's picture requests to the
// imaging library: drawn eyes, their encoders and the iris records.
#include "zeph/virtual/imaging/Imaging.h"

#include "zeph/virtual/EyeImageSource.h"

namespace zeph_imaging {

namespace {

EyeSpec specOf(const zvc::EyeImageRequest &r)
{
    EyeSpec s;
    s.subjectSeed = r.subject;
    s.eye = r.eye;
    s.presentation = r.subject == 0 ? PresentAbsent : r.presentation;
    s.noiseSeed = r.noiseSeed;
    return s;
}

zvc::EyeImage imageFor(const zvc::EyeImageRequest &r)
{
    zvc::EyeImage out;
    EncodedImage e;
    if (r.scale > 1) {
        // a preview frame: the whole picture, divided
        if (r.kind == ZEPH_KIND_K1) e = makeFrame(specOf(r), static_cast<int>(r.scale), r.format, r.quality);
    } else {
        e = makeResultImage(specOf(r), r.kind, r.format, r.quality);
    }
    // the record says the format asked for: a kind that only comes in
    // another format (the compact K7 kinds) is not offered in this one
    if (e.empty() || e.format != r.format) {
        out.result = ZEPH_ERR_FORMAT_UNSUPPORTED;
        return out;
    }
    out.bytes = std::move(e.bytes);
    out.width = static_cast<uint32_t>(e.width);
    out.height = static_cast<uint32_t>(e.height);
    return out;
}

zvc::IsoRecordBytes isoFor(const zvc::IsoRequest &r)
{
    zvc::IsoRecordBytes out;
    std::vector<IsoEye> eyes;
    for (int i = 0; i < 2; ++i)
        if (r.present[i]) eyes.push_back(IsoEye{specOf(r.eyes[i]), r.scores[i].totalScore});
    if (eyes.empty()) {
        out.result = ZEPH_ERR_NO_QUALIFIED_FRAME;
        return out;
    }
    out.bytes = makeIsoRecord(r.revision, r.format, r.kind, r.quality, r.subtype, eyes);
    if (out.bytes.empty()) out.result = ZEPH_ERR_FORMAT_UNSUPPORTED;
    return out;
}

} // namespace

} // namespace zeph_imaging

namespace zvc {

void installImagingSources()
{
    setEyeImageSource(zeph_imaging::imageFor);
    setIsoRecordSource(zeph_imaging::isoFor);
}

} // namespace zvc

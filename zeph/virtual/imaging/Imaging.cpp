#include "Imaging.h"

#include "CorvaneContainer.h"
#include "EyeRenderer.h"
#include "Jpeg2000Encoder.h"
#include "JpegEncoder.h"
#include "KindRenderer.h"
#include "PngEncoder.h"

#include "../../zeph.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace zeph_imaging {

// The values callers pass come straight from the SDK's calls.
static_assert(+KindK1 == +ZEPH_KIND_K1 && +KindK2 == +ZEPH_KIND_K2 && +KindK3 == +ZEPH_KIND_K3 && +KindK7 == +ZEPH_KIND_K7
                  && +KindK7_1_5 == +ZEPH_KIND_K7_1_5 && +KindK7_2_5 == +ZEPH_KIND_K7_2_5
                  && +KindK7_3_5 == +ZEPH_KIND_K7_3_5 && +KindK7_5_0 == +ZEPH_KIND_K7_5_0,
              "kinds as the SDK numbers them");
static_assert(+FormatMonoRaw == +ZEPH_FORMAT_MONO_RAW && +FormatMonoJpeg == +ZEPH_FORMAT_MONO_JPEG
                  && +FormatMonoJpeg2000 == +ZEPH_FORMAT_MONO_JPEG2000 && +FormatMonoPng == +ZEPH_FORMAT_MONO_PNG
                  && +FormatCorvaneRaw == +ZEPH_FORMAT_CORVANE_RAW && +FormatCorvaneJpeg2000 == +ZEPH_FORMAT_CORVANE_JPEG2000,
              "formats as the SDK numbers them");
static_assert(ZEPH_EYE_RIGHT == 1 && ZEPH_EYE_LEFT == 2, "eye values as the SDK numbers them");

namespace {

struct Drawn {
    uint64_t subject;
    int eye, presentation;
    std::shared_ptr<const GreyImage> clean;
    EyeGeometry geometry;
};

// Drawing an eye takes far longer than noise, cropping or encoding; a
// capture draws the same few eyes again and again.
class DrawnCache {
public:
    Drawn get(uint64_t subject, int eye, int presentation)
    {
        eye = eye == 2 ? 2 : 1;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (size_t i = 0; i < entries_.size(); ++i)
                if (entries_[i].subject == subject && entries_[i].eye == eye && entries_[i].presentation == presentation) {
                    std::rotate(entries_.begin(), entries_.begin() + static_cast<long>(i),
                                entries_.begin() + static_cast<long>(i) + 1);
                    return entries_.front();
                }
        }
        EyeRenderer renderer(subject, eye, presentation);   // drawn outside the lock
        Drawn d{subject, eye, presentation, std::make_shared<const GreyImage>(renderer.renderClean()), renderer.geometry()};
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.insert(entries_.begin(), d);
        if (entries_.size() > kCapacity) entries_.pop_back();
        return d;
    }

private:
    static constexpr size_t kCapacity = 8;
    std::mutex mutex_;
    std::vector<Drawn> entries_;
};

DrawnCache &cache()
{
    static DrawnCache c;
    return c;
}

GreyImage emptyScene(uint64_t noiseSeed);

GreyImage noisy(const EyeSpec &want, Drawn *drawn)
{
    if (want.presentation == PresentAbsent) {
        // nobody there: the kinds crop the middle of the scene
        if (drawn) *drawn = Drawn{want.subjectSeed, want.eye, want.presentation, nullptr, EyeGeometry{}};
        return emptyScene(want.noiseSeed);
    }
    Drawn d = cache().get(want.subjectSeed, want.eye, want.presentation);
    GreyImage img = *d.clean;
    EyeRenderer::addNoise(img, want.noiseSeed);
    if (drawn) *drawn = d;
    return img;
}

bool isJpeg2000(int format) { return format == FormatMonoJpeg2000 || format == FormatCorvaneJpeg2000; }

uint8_t eyeByte(int eye) { return eye == 1 || eye == 2 ? static_cast<uint8_t>(eye) : 0; }

// Encodes a picture in one of the six formats.
std::vector<uint8_t> encodeAs(const GreyImage &img, int format, int quality, const CorvaneHeader &header)
{
    switch (format) {
    case FormatMonoRaw: return img.pixels;
    case FormatMonoJpeg: return encodeJpeg(img, quality);
    case FormatMonoJpeg2000: return encodeJpeg2000(img, quality, Jp2Wrapping::File);
    case FormatMonoPng: return encodePng(img);
    case FormatCorvaneRaw: return writeCorvaneContainer(header, img.width, img.height, img.pixels.data(), img.pixels.size());
    case FormatCorvaneJpeg2000: {
        std::vector<uint8_t> stream = encodeJpeg2000(img, quality, Jp2Wrapping::Codestream);
        if (stream.empty()) return stream;
        return writeCorvaneContainer(header, img.width, img.height, stream.data(), stream.size());
    }
    default: return {};
    }
}

} // namespace

uint8_t compactKind(int kind)
{
    switch (kind) {
    case KindK1: case KindK2: case KindK3: case KindK7:
    case KindK7_1_5: case KindK7_2_5: case KindK7_3_5: case KindK7_5_0:
        return static_cast<uint8_t>((kind >> 8) | (kind & 0x0F));
    default:
        return 0;
    }
}

size_t compactKindBudget(int kind)
{
    switch (kind) {
    case KindK7_1_5: return 1500;
    case KindK7_2_5: return 2500;
    case KindK7_3_5: return 3500;
    case KindK7_5_0: return 5000;
    default: return 0;
    }
}

GreyImage renderEye(const EyeSpec &want) { return noisy(want, nullptr); }

EyeGeometry eyeGeometry(const EyeSpec &want) { return EyeRenderer(want.subjectSeed, want.eye, want.presentation).geometry(); }

int usableIrisArea(const EyeSpec &want)
{
    return want.presentation == PresentAbsent ? 0 : eyeGeometry(want).visibleIrisPercent();
}

EncodedImage makeResultImage(const EyeSpec &want, int resultKind, int format, int quality)
{
    EncodedImage out;
    const uint8_t compact = compactKind(resultKind);
    const size_t budget = compactKindBudget(resultKind);
    if (!compact) return out;
    if (budget && !isJpeg2000(format)) format = FormatMonoJpeg2000;   // these kinds come only as JPEG 2000
    Drawn d;
    GreyImage base = noisy(want, &d);
    KindGeometry where;
    GreyImage img = renderKind(resultKind, base, d.geometry, &where);
    if (img.pixels.empty()) return out;
    CorvaneHeader header;
    header.eye = eyeByte(want.eye);
    header.kind = compact;
    if (budget) {
        if (format == FormatMonoJpeg2000) {
            out.bytes = encodeJpeg2000Budget(img, budget, Jp2Wrapping::File);
        } else {
            size_t room = budget - std::min(budget, corvanePayloadOffset(false, kCorvaneBlockLength));
            std::vector<uint8_t> stream = encodeJpeg2000Budget(img, room, Jp2Wrapping::Codestream);
            if (!stream.empty())
                out.bytes = writeCorvaneContainer(header, img.width, img.height, stream.data(), stream.size());
        }
    } else {
        out.bytes = encodeAs(img, format, quality, header);
    }
    if (out.bytes.empty()) return out;
    out.width = img.width;
    out.height = img.height;
    out.kind = compact;
    out.format = static_cast<uint8_t>(format);
    return out;
}

std::vector<uint8_t> makeIsoRecord(int revision, int format, int kind, int quality, int subtype,
                                   const std::vector<IsoEye> &eyes, const IsoCaptureTime &when)
{
    if (eyes.empty() || eyes.size() > 2) return {};
    int recordFormat = 0;
    if (revision == 1) {
        if (kind != KindK1 && kind != KindK2) return {};
        recordFormat = format == FormatMonoRaw ? 2 : format == FormatMonoJpeg ? 6 : format == FormatMonoJpeg2000 ? 14 : 0;
    } else if (revision == 2) {
        if (!compactKind(kind)) return {};
        if (compactKindBudget(kind)) format = FormatMonoJpeg2000;
        recordFormat = format == FormatMonoRaw ? 2 : format == FormatMonoJpeg2000 ? 10 : format == FormatMonoPng ? 14 : 0;
    }
    if (!recordFormat) return {};
    std::vector<IsoEyeImage> images;
    for (const IsoEye &e : eyes) {
        Drawn d;
        GreyImage base = noisy(e.want, &d);
        KindGeometry where;
        GreyImage img = renderKind(kind, base, d.geometry, &where);
        IsoEyeImage iso;
        iso.eyeLabel = subtype == 0 ? 0 : eyeByte(e.want.eye);
        iso.totalScore = std::min<uint8_t>(e.totalScore, 100);
        iso.width = img.width;
        iso.height = img.height;
        iso.irisX = where.irisX;
        iso.irisY = where.irisY;
        iso.irisR = where.irisR;
        iso.masked = kind >= KindK7;
        iso.lossy = format == FormatMonoJpeg || (format == FormatMonoJpeg2000 && (compactKindBudget(kind) || quality < 100));
        if (compactKindBudget(kind))
            iso.data = encodeJpeg2000Budget(img, compactKindBudget(kind), Jp2Wrapping::File);
        else
            iso.data = encodeAs(img, format, quality, CorvaneHeader{});
        if (iso.data.empty()) return {};
        images.push_back(std::move(iso));
    }
    return IsoIrisRecord::build(revision, recordFormat, kind, images, when);
}

GreyImage downscale(const GreyImage &picture, int factor)
{
    if (factor <= 1) return picture;
    const int w = picture.width / factor, h = picture.height / factor;
    GreyImage out(w, h);
    const int area = factor * factor;
    std::vector<int> sums(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int j = 0; j < factor; ++j) {
            const uint8_t *row = &picture.pixels[static_cast<size_t>(y * factor + j) * picture.width];
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = row + x * factor;
                int s = 0;
                for (int i = 0; i < factor; ++i) s += p[i];
                sums[x] += s;
            }
        }
        for (int x = 0; x < w; ++x) out.at(x, y) = static_cast<uint8_t>((sums[x] + area / 2) / area);
    }
    return out;
}

EncodedImage encodeFrame(const GreyImage &picture, int scale, int format, int quality, uint8_t eye,
                         const FrameOptions &options, const EyeGeometry *geometry)
{
    EncodedImage out;
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8 && scale != 16) return out;
    GreyImage img = scale == 1 ? picture : downscale(picture, scale);
    if (img.pixels.empty()) return out;
    CorvaneHeader header;
    header.eye = eye;
    header.kind = 1;
    header.sequence = options.sequence;
    header.extended = options.extendedContainer;
    if (geometry) {
        auto scaled = [scale](float v) { return static_cast<uint16_t>(std::clamp(v / scale + 0.5f, 0.0f, 65535.0f)); };
        header.irisX = scaled(geometry->irisX);
        header.irisY = scaled(geometry->irisY);
        header.irisR = scaled(geometry->irisR);
        header.pupilR = scaled(geometry->pupilR);
    }
    out.bytes = encodeAs(img, format, quality, header);
    if (out.bytes.empty()) return out;
    out.width = img.width;
    out.height = img.height;
    out.kind = 1;
    out.format = static_cast<uint8_t>(format);
    return out;
}

EncodedImage makeFrame(const EyeSpec &want, int scale, int format, int quality, const FrameOptions &options)
{
    Drawn d;
    GreyImage picture = noisy(want, &d);
    return encodeFrame(picture, scale, format, quality, eyeByte(want.eye), options, &d.geometry);
}

GreyImage renderEmptyScene(uint64_t noiseSeed) { return emptyScene(noiseSeed); }

namespace {
GreyImage emptyScene(uint64_t noiseSeed)
{
    // far away and out of focus: a soft vertical fall-off, no detail
    GreyImage img(EyeRenderer::kWidth, EyeRenderer::kHeight);
    for (int y = 0; y < img.height; ++y) {
        const int level = 88 - (y * 20) / img.height;
        std::fill(img.pixels.begin() + static_cast<long>(y) * img.width,
                  img.pixels.begin() + static_cast<long>(y + 1) * img.width, static_cast<uint8_t>(level));
    }
    EyeRenderer::addNoise(img, noiseSeed);
    return img;
}
} // namespace

EncodedImage makeEmptyFrame(uint64_t noiseSeed, int scale, int format, int quality, const FrameOptions &options)
{
    return encodeFrame(renderEmptyScene(noiseSeed), scale, format, quality, 0, options);
}

} // namespace zeph_imaging

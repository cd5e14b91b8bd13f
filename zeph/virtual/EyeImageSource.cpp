#include "EyeImageSource.h"

#include "zeph/virtual_camera.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace zvc {
namespace {

std::mutex sourceMutex;
EyeImageSourceFn installedImageSource;
IsoRecordSourceFn installedIsoSource;

uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint8_t clampGrey(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// One grey eye: skin, sclera, an iris whose spokes follow the subject and
// eye, a pupil and a highlight; the presentation moves or hides parts.
void drawEye(std::vector<uint8_t> &px, int w, int h, const EyeImageRequest &r, double s)
{
    const uint32_t identity = mix(r.subject * 2654435761U + static_cast<uint32_t>(r.eye));
    const bool eyeThere = r.subject != 0 && r.presentation != ZVC_EYE_ABSENT;
    const double cx = w / 2.0 + (r.presentation == ZVC_EYE_LOOKING_ASIDE ? 110.0 / s : 0.0);
    const double cy = h / 2.0;
    const double irisR = (95.0 + identity % 15) / s;
    const double pupilR = (32.0 + (identity >> 8) % 10) / s;
    const double lidTop = r.presentation == ZVC_EYE_HALF_CLOSED ? cy - 10.0 / s : cy - 120.0 / s;
    uint32_t noise = mix(r.noiseSeed ^ identity);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = 96 + (y * 24) / h; // skin with a soft shade
            if (eyeThere) {
                const double ex = (x - w / 2.0) / (230.0 / s), ey = (y - cy) / (120.0 / s);
                const bool open = ex * ex + ey * ey < 1.0 && y > lidTop;
                if (open) {
                    v = 180;
                    const double dx = x - cx, dy = y - cy;
                    const double d = std::sqrt(dx * dx + dy * dy);
                    if (d < irisR) {
                        const double a = std::atan2(dy, dx);
                        const int spokes = 12 + static_cast<int>(identity % 9);
                        v = 70 + static_cast<int>(25 * std::sin(a * spokes + (identity % 7)))
                            + static_cast<int>(10 * std::sin(d * s / 6.0));
                    }
                    if (d < pupilR)
                        v = 12;
                    if (std::hypot(dx + pupilR * 0.4, dy + pupilR * 0.4) < 6.0 / s + 1)
                        v = 250;
                }
            }
            noise = noise * 1664525U + 1013904223U;
            px[static_cast<std::size_t>(y) * w + x] = clampGrey(v + static_cast<int>(noise >> 29) - 4);
        }
    }
    if (eyeThere && r.presentation == ZVC_EYE_BLURRED) {
        std::vector<uint8_t> copy = px;
        const int k = std::max(1, static_cast<int>(4 / s));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, n = 0;
                for (int dx = -k; dx <= k; ++dx) {
                    const int xx = std::clamp(x + dx, 0, w - 1);
                    sum += copy[static_cast<std::size_t>(y) * w + xx];
                    ++n;
                }
                px[static_cast<std::size_t>(y) * w + x] = static_cast<uint8_t>(sum / n);
            }
    }
}

} // namespace

EyeImage simpleEyeImage(const EyeImageRequest &r)
{
    EyeImage out;
    const bool kindOk = r.kind == ZEPH_KIND_K1 || r.kind == ZEPH_KIND_K2 || r.kind == ZEPH_KIND_K3;
    if (r.format != ZEPH_FORMAT_MONO_RAW || !kindOk) {
        out.result = ZEPH_ERR_FORMAT_UNSUPPORTED;
        return out;
    }
    const uint32_t scale = std::max<uint32_t>(1, r.scale);
    const int w = static_cast<int>(640 / scale), h = static_cast<int>(480 / scale);
    std::vector<uint8_t> full(static_cast<std::size_t>(w) * h);
    drawEye(full, w, h, r, static_cast<double>(scale));
    if (r.kind == ZEPH_KIND_K3) {
        const int cw = w / 2, ch = h / 2, x0 = w / 4, y0 = h / 4;
        out.bytes.resize(static_cast<std::size_t>(cw) * ch);
        for (int y = 0; y < ch; ++y)
            std::copy_n(&full[static_cast<std::size_t>(y + y0) * w + x0], cw,
                        &out.bytes[static_cast<std::size_t>(y) * cw]);
        out.width = static_cast<uint32_t>(cw);
        out.height = static_cast<uint32_t>(ch);
        return out;
    }
    out.bytes = std::move(full);
    out.width = static_cast<uint32_t>(w);
    out.height = static_cast<uint32_t>(h);
    return out;
}

EyeImage makeEyeImage(const EyeImageRequest &request)
{
    EyeImageSourceFn source;
    {
        std::lock_guard<std::mutex> lock(sourceMutex);
        source = installedImageSource;
    }
    return source ? source(request) : simpleEyeImage(request);
}

void setEyeImageSource(EyeImageSourceFn source)
{
    std::lock_guard<std::mutex> lock(sourceMutex);
    installedImageSource = std::move(source);
}

IsoRecordBytes makeIsoRecord(const IsoRequest &request)
{
    IsoRecordSourceFn source;
    {
        std::lock_guard<std::mutex> lock(sourceMutex);
        source = installedIsoSource;
    }
    if (!source) {
        IsoRecordBytes none;
        none.result = ZEPH_ERR_FORMAT_UNSUPPORTED;
        return none;
    }
    return source(request);
}

void setIsoRecordSource(IsoRecordSourceFn source)
{
    std::lock_guard<std::mutex> lock(sourceMutex);
    installedIsoSource = std::move(source);
}

} // namespace zvc

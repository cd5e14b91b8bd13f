#include "EyeRenderer.h"

#include "Presentation.h"
#include "Prng.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zeph_imaging {

namespace {

constexpr float kPi = 3.14159265f;

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
float smooth(float t) { return t * t * (3 - 2 * t); }
float smoothstep(float e0, float e1, float x) { return smooth(clampf((x - e0) / (e1 - e0), 0, 1)); }

// Value noise on a grid, periodic in the second coordinate when asked;
// values in [-1, 1].
class GridNoise {
public:
    GridNoise(Prng &rng, int rows, int cols, bool wrapCols)
        : rows_(rows), cols_(cols), wrap_(wrapCols), g_(static_cast<size_t>(rows + 1) * (cols + 1))
    {
        for (float &v : g_) v = rng.uniform(-1, 1);
    }
    // r, c in [0, 1]; c wraps when the grid is periodic.
    float at(float r, float c) const
    {
        float fr = clampf(r, 0, 1) * rows_;
        int r0 = std::min(static_cast<int>(fr), rows_ - 1);
        float a = smooth(fr - r0);
        float fc = c * cols_;
        int c0, c1;
        float b;
        if (wrap_) {
            float fl = std::floor(fc);
            b = smooth(fc - fl);
            c0 = static_cast<int>(fl) % cols_;
            if (c0 < 0) c0 += cols_;
            c1 = (c0 + 1) % cols_;
        } else {
            fc = clampf(fc, 0, static_cast<float>(cols_));
            c0 = std::min(static_cast<int>(fc), cols_ - 1);
            b = smooth(fc - c0);
            c1 = c0 + 1;
        }
        const float *row0 = &g_[static_cast<size_t>(r0) * (cols_ + 1)];
        const float *row1 = row0 + (cols_ + 1);
        float top = row0[c0] + (row0[c1] - row0[c0]) * b;
        float bot = row1[c0] + (row1[c1] - row1[c0]) * b;
        return top + (bot - top) * a;
    }

    // A whole row at once (non-periodic grids): out[x] = at(r, (x + 0.5) / count).
    void sampleRow(float r, int count, float *out) const
    {
        float fr = clampf(r, 0, 1) * rows_;
        int r0 = std::min(static_cast<int>(fr), rows_ - 1);
        float a = smooth(fr - r0);
        const float *row0 = &g_[static_cast<size_t>(r0) * (cols_ + 1)];
        const float *row1 = row0 + (cols_ + 1);
        line_.resize(static_cast<size_t>(cols_) + 1);
        for (int c = 0; c <= cols_; ++c) line_[c] = row0[c] + (row1[c] - row0[c]) * a;
        if (colIndex_.size() != static_cast<size_t>(count)) {   // the same columns every row
            colIndex_.resize(static_cast<size_t>(count));
            colWeight_.resize(static_cast<size_t>(count));
            for (int x = 0; x < count; ++x) {
                float fc = (x + 0.5f) / count * cols_;
                colIndex_[x] = std::min(static_cast<int>(fc), cols_ - 1);
                colWeight_[x] = smooth(fc - colIndex_[x]);
            }
        }
        for (int x = 0; x < count; ++x) {
            int c0 = colIndex_[x];
            out[x] = line_[c0] + (line_[c0 + 1] - line_[c0]) * colWeight_[x];
        }
    }

private:
    int rows_, cols_;
    bool wrap_;
    mutable std::vector<float> line_, colWeight_;
    mutable std::vector<int> colIndex_;
    std::vector<float> g_;
};

// The iris pattern in polar form: rows run from the pupil edge (0) to the
// limbus (1), columns once around. Everything an iris code would lock on to
// (fibres, crypts, collarette, furrows) comes from the eye's own seed.
constexpr int kPolarRows = 72;
constexpr int kPolarCols = 768;

std::vector<uint8_t> makeIrisPattern(uint64_t eyeSeed, float baseLevel)
{
    Prng rng(eyeSeed ^ 0x1A15ull);
    GridNoise fibres(rng, 5, 150, true), fibresFine(rng, 12, 340, true), grain(rng, 40, 600, true);
    GridNoise wave(rng, 1, 22, true), furrowBreaks(rng, 1, 18, true), zoneTone(rng, 3, 9, true);
    const float collarette = rng.uniform(0.27f, 0.40f);
    const float pupillaryZone = rng.uniform(-12, 10);
    const float fibreGain = rng.uniform(18, 28);
    struct Crypt { float rho, theta, sr, st, depth; };
    std::vector<Crypt> crypts(12 + rng.next() % 22);
    for (Crypt &c : crypts) {
        c.rho = clampf(collarette + rng.uniform(-0.12f, 0.42f), 0.08f, 0.9f);
        c.theta = rng.unit();
        c.sr = rng.uniform(0.03f, 0.09f);
        c.st = rng.uniform(0.006f, 0.022f);
        c.depth = rng.uniform(22, 55);
    }
    const int furrowCount = 2 + static_cast<int>(rng.next() % 3);
    float furrowRho[4];
    for (int k = 0; k < furrowCount; ++k) furrowRho[k] = rng.uniform(0.58f, 0.93f);

    std::vector<float> v(static_cast<size_t>(kPolarRows) * kPolarCols);
    std::vector<float> rcOf(kPolarCols), breakOf(kPolarCols), sinOf(kPolarCols), cosOf(kPolarCols);
    for (int j = 0; j < kPolarCols; ++j) {
        float th = (j + 0.5f) / kPolarCols;
        rcOf[j] = collarette + 0.045f * wave.at(0, th);
        breakOf[j] = clampf(furrowBreaks.at(0, th) + 0.3f, 0, 1);
        sinOf[j] = std::sin(th * 6 * 2 * kPi);
        cosOf[j] = std::cos(th * 6 * 2 * kPi);
    }
    for (int i = 0; i < kPolarRows; ++i) {
        float rho = (i + 0.5f) / kPolarRows;
        float cr = std::cos(rho * 9.0f), sr = std::sin(rho * 9.0f);
        for (int j = 0; j < kPolarCols; ++j) {
            float th = (j + 0.5f) / kPolarCols;
            // fibres wander a little: sin(9 rho + 6 turns) by the angle-sum rule
            float drift = 0.004f * (sr * cosOf[j] + cr * sinOf[j]);
            float val = baseLevel + 6 * zoneTone.at(rho, th);
            val += fibreGain * fibres.at(rho, th + drift) + 12 * fibresFine.at(rho, th - drift) + 6 * grain.at(rho, th);
            float rc = rcOf[j];
            if (rho < rc) val += pupillaryZone;
            float dc = (rho - rc) / 0.022f;
            if (dc * dc < 16) val += 16 * std::exp(-dc * dc);
            for (int k = 0; k < furrowCount; ++k) {
                float d = (rho - furrowRho[k]) / 0.013f;
                if (d * d < 16) val -= 16 * std::exp(-d * d) * breakOf[j];
            }
            if (rho > 0.8f) val -= 42 * std::pow((rho - 0.8f) / 0.2f, 1.6f);   // dark limbal ring
            if (rho < 0.05f) val -= 30 * (1 - rho / 0.05f);                    // pupillary ruff
            v[static_cast<size_t>(i) * kPolarCols + j] = val;
        }
    }
    for (const Crypt &c : crypts) {
        int i0 = std::max(0, static_cast<int>((c.rho - 3 * c.sr) * kPolarRows));
        int i1 = std::min(kPolarRows - 1, static_cast<int>((c.rho + 3 * c.sr) * kPolarRows));
        int span = static_cast<int>(3 * c.st * kPolarCols) + 1;
        int jc = static_cast<int>(c.theta * kPolarCols);
        for (int i = i0; i <= i1; ++i) {
            float dr = ((i + 0.5f) / kPolarRows - c.rho) / c.sr;
            for (int dj = -span; dj <= span; ++dj) {
                float dt = (dj / static_cast<float>(kPolarCols)) / c.st;
                float q = dr * dr + dt * dt;
                if (q > 9) continue;
                int j = ((jc + dj) % kPolarCols + kPolarCols) % kPolarCols;
                float &t = v[static_cast<size_t>(i) * kPolarCols + j];
                t -= c.depth * std::exp(-q) - 0.25f * c.depth * std::exp(-(q - 2) * (q - 2));
            }
        }
    }
    std::vector<uint8_t> out(v.size());
    for (size_t k = 0; k < v.size(); ++k) out[k] = static_cast<uint8_t>(clampf(v[k], 4, 250));
    return out;
}

// Fast enough atan2 (error below 0.005 rad), result in [0, 1) of a turn.
float turnOf(float y, float x)
{
    float ax = std::fabs(x), ay = std::fabs(y);
    float mx = std::max(ax, ay), mn = std::min(ax, ay);
    if (mx == 0) return 0;
    float a = mn / mx, s = a * a;
    float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    if (ay > ax) r = 1.57079637f - r;
    if (x < 0) r = kPi - r;
    if (y < 0) r = -r;
    float t = r / (2 * kPi);
    return t < 0 ? t + 1 : t;
}

void boxBlurPass(GreyImage &img, int radius)
{
    const int w = img.width, h = img.height, n = 2 * radius + 1;
    std::vector<uint8_t> line(static_cast<size_t>(std::max(w, h)));
    for (int y = 0; y < h; ++y) {
        uint8_t *row = &img.pixels[static_cast<size_t>(y) * w];
        std::copy(row, row + w, line.begin());
        int sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += line[std::clamp(k, 0, w - 1)];
        for (int x = 0; x < w; ++x) {
            row[x] = static_cast<uint8_t>((sum + n / 2) / n);
            sum += line[std::min(x + radius + 1, w - 1)] - line[std::max(x - radius, 0)];
        }
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) line[y] = img.pixels[static_cast<size_t>(y) * w + x];
        int sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += line[std::clamp(k, 0, h - 1)];
        for (int y = 0; y < h; ++y) {
            img.pixels[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>((sum + n / 2) / n);
            sum += line[std::min(y + radius + 1, h - 1)] - line[std::max(y - radius, 0)];
        }
    }
}

} // namespace

EyeRenderer::EyeRenderer(uint64_t subjectSeed, int eye, int presentation)
    : eyeSeed_(Prng::mix(subjectSeed, eye == 2 ? 2 : 1)), subjectSeed_(subjectSeed), eye_(eye == 2 ? 2 : 1),
      presentation_(presentation)
{
    // Sizes belong to the person (both eyes alike), placement to the eye.
    Prng person(Prng::mix(subjectSeed, 0x5E));
    Prng place(eyeSeed_ ^ 0x9E0ull);
    EyeGeometry &g = geometry_;
    const float side = eye_ == 2 ? -1.0f : 1.0f; // nasal side of the picture
    g.irisR = person.uniform(104, 122) + place.uniform(-2, 2);
    g.irisX = 320 + place.uniform(-22, 22);
    g.irisY = 236 + place.uniform(-14, 14);
    g.pupilR = g.irisR * person.uniform(0.30f, 0.44f);
    g.pupilX = g.irisX + side * place.uniform(0, 4);
    g.pupilY = g.irisY + place.uniform(-2, 3);
    g.halfWidth = g.irisR * person.uniform(2.35f, 2.6f);
    g.eyeX = g.irisX + side * place.uniform(-6, 14);
    g.cornerY = g.irisY + g.irisR * person.uniform(0.05f, 0.22f);
    g.upperTopY = g.irisY - g.irisR * person.uniform(0.78f, 0.98f);
    g.lowerBottomY = g.irisY + g.irisR * person.uniform(0.92f, 1.08f);
    g.skew = side * person.uniform(0.04f, 0.12f);
    if (presentation_ == PresentHalfClosed) {
        g.upperTopY = g.irisY - g.irisR * place.uniform(0.05f, 0.2f);
        g.lowerBottomY = g.irisY + g.irisR * 0.86f;
    } else if (presentation_ == PresentLookingAside) {
        // both eyes turn the same way; the turned iris is seen foreshortened
        const float shift = g.irisR * 0.85f;
        g.irisX = std::clamp(g.irisX + shift, g.irisR, 640 - g.irisR);
        g.pupilX = g.irisX + (g.pupilX - (g.irisX - shift)) * 0.8f - 2;
        g.squeezeX = 0.78f;
    }
}

GreyImage EyeRenderer::renderClean() const
{
    const EyeGeometry &g = geometry_;
    Prng person(Prng::mix(subjectSeed_, 0x51));
    Prng local(eyeSeed_ ^ 0x5C1Eull);
    const float skinBase = person.uniform(150, 178);
    const float scleraBase = person.uniform(168, 192);
    const float irisBase = person.uniform(92, 130);
    const float creaseDepth = person.uniform(14, 30);
    const std::vector<uint8_t> pattern = makeIrisPattern(eyeSeed_, irisBase);
    GridNoise skinLow(local, 8, 10, false), skinFine(local, 80, 106, false);
    const float side = eye_ == 2 ? -1.0f : 1.0f;
    const float nasalX = g.eyeX + side * g.halfWidth * 0.97f;

    std::vector<float> up(kWidth), lo(kWidth), crease(kWidth), margin(kWidth), scleraCol(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        up[x] = g.upperLidY(x + 0.5f);
        lo[x] = g.lowerLidY(x + 0.5f);
        float t = (x + 0.5f - g.eyeX) / (g.halfWidth * 1.1f);
        crease[x] = g.irisR * 0.5f * std::sqrt(std::max(0.0f, 1 - t * t)) + 10;
        float te = std::fabs((x + 0.5f - g.eyeX) / g.halfWidth);
        margin[x] = smoothstep(1.04f, 0.9f, te);   // lid margins fade out past the corners
        float ts = (x + 0.5f - g.eyeX) / g.halfWidth;
        scleraCol[x] = scleraBase - 42 * ts * ts;
    }
    const float glintR = 4.2f;
    const float glints[2][2] = {{g.pupilX - 0.32f * g.pupilR, g.pupilY - 0.22f * g.pupilR},
                                {g.pupilX + 0.32f * g.pupilR, g.pupilY - 0.22f * g.pupilR}};
    const float ex = g.irisR * g.squeezeX;
    std::vector<float> lowRow(kWidth), fineRow(kWidth);

    GreyImage img(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const float fy = y + 0.5f;
        skinLow.sampleRow(fy / kHeight, kWidth, lowRow.data());
        skinFine.sampleRow(fy / kHeight, kWidth, fineRow.data());
        const float rowShade = skinBase - 10 * (fy / kHeight);
        for (int x = 0; x < kWidth; ++x) {
            const float fx = x + 0.5f;
            // skin, both lids
            float skin = rowShade + 14 * lowRow[x] + 3 * fineRow[x];
            float dUp = up[x] - fy, dLo = fy - lo[x];
            float lid = skin;
            const float m = margin[x];
            if (dUp > -1) {
                float c = dUp - crease[x];
                float du = std::max(dUp, 0.0f);
                if (du < 30) lid -= m * 48 * std::exp(-du / 3.2f);
                if (c * c < 900) lid -= m * creaseDepth * std::exp(-c * c / 60.0f);
                float bulge = (dUp - crease[x] * 0.5f) / (crease[x] * 0.5f);
                if (bulge * bulge < 4) lid += m * 7 * std::exp(-bulge * bulge);
            } else if (dLo > -1) {
                float dl = std::max(dLo, 0.0f);
                float k = dLo - 7, r = dLo - 0.4f * g.irisR;
                if (dl < 20) lid += m * (22 * std::exp(-dl / 2.0f) - 22 * std::exp(-k * k / 14.0f));
                if (r * r < 3600) lid -= m * 8 * std::exp(-r * r / 300.0f);
            }
            float cx = fx - nasalX, cy = fy - g.cornerY;
            float cd = cx * cx + cy * cy;
            if (cd < 6400) lid -= 26 * std::exp(-cd / 500.0f);   // canthus shadow
            float cover = clampf(-dUp + 0.5f, 0, 1) * clampf(-dLo + 0.5f, 0, 1) * clampf((lo[x] - up[x]) * 0.5f, 0, 1);
            float value = lid;
            if (cover > 0) {
                // the open eye: sclera, iris, pupil
                float sclera = scleraCol[x] + 4 * fineRow[(x * 7) % kWidth];
                if (cd < 40000) sclera -= 55 * std::exp(-std::sqrt(cd) / 26.0f);   // caruncle
                float eye = sclera;
                float dx = fx - g.irisX, dy = fy - g.irisY;
                if (std::fabs(dx) < ex * 1.1f && std::fabs(dy) < g.irisR * 1.1f) {
                    float ri = g.irisDistance(fx, fy);
                    if (ri < 1.05f) {
                        float px = (fx - g.pupilX) / g.squeezeX, py = fy - g.pupilY;
                        float rp = std::sqrt(px * px + py * py);
                        float pupil = 14 + 10 * (rp / g.pupilR) * (rp / g.pupilR);
                        float u = dx / g.squeezeX;
                        float r = std::sqrt(u * u + dy * dy);
                        float rho = clampf((r - g.pupilR) / (g.irisR - g.pupilR), 0, 0.999f);
                        float th = turnOf(dy, u);
                        float fr = rho * kPolarRows - 0.5f, fc = th * kPolarCols - 0.5f;
                        int i0 = std::clamp(static_cast<int>(std::floor(fr)), 0, kPolarRows - 2);
                        float a = clampf(fr - i0, 0, 1);
                        float fl = std::floor(fc);
                        int j0 = (static_cast<int>(fl) + kPolarCols) % kPolarCols, j1 = (j0 + 1) % kPolarCols;
                        float b = fc - fl;
                        const uint8_t *p0 = &pattern[static_cast<size_t>(i0) * kPolarCols];
                        const uint8_t *p1 = p0 + kPolarCols;
                        float iris = (p0[j0] * (1 - b) + p0[j1] * b) * (1 - a) + (p1[j0] * (1 - b) + p1[j1] * b) * a;
                        float inPupil = 1 - smoothstep(g.pupilR - 1.2f, g.pupilR + 1.2f, rp);
                        iris = iris + (pupil - iris) * inPupil;
                        float limbus = smoothstep(0.985f, 1.04f, ri);
                        eye = iris + (sclera - iris) * limbus;
                    }
                }
                // the lids shade the eyeball
                float sUp = std::max(-dUp, 0.0f), sLo = std::max(-dLo, 0.0f);
                float shade = 1;
                if (sUp < 80) shade -= 0.42f * std::exp(-sUp / 16.0f);
                if (sLo < 30) shade -= 0.15f * std::exp(-sLo / 6.0f);
                eye *= shade;
                for (const auto &gl : glints) {
                    float gx = fx - gl[0], gy = fy - gl[1];
                    float d2 = gx * gx + gy * gy;
                    if (d2 < (glintR + 3) * (glintR + 3)) {
                        float d = std::sqrt(d2);
                        float k = clampf(glintR + 0.7f - d, 0, 1) + 0.25f * std::exp(-(d - glintR) * 0.9f);
                        eye += (253 - eye) * clampf(k, 0, 1);
                    }
                }
                value = lid + (eye - lid) * cover;
            }
            img.at(x, y) = static_cast<uint8_t>(clampf(value, 0, 255));
        }
    }
    drawLashes(img);
    if (presentation_ == PresentBlurred) {
        for (int pass = 0; pass < 3; ++pass) boxBlurPass(img, 4);
    } else {
        boxBlurPass(img, 1);   // the optics are never perfect
    }
    return img;
}

void EyeRenderer::drawLashes(GreyImage &img) const
{
    const EyeGeometry &g = geometry_;
    Prng rng(eyeSeed_ ^ 0x1A5Eull);
    const bool lowered = presentation_ == PresentHalfClosed;
    auto stroke = [&](float x, float y, float angle, float length, float curl, float width, float target, float opacity) {
        const float step = 0.7f;
        for (float s = 0; s < length; s += step) {
            float f = s / length;
            float w = width * (1 - 0.75f * f) * 0.5f;
            float a = angle + curl * f;
            x += std::cos(a) * step;
            y += std::sin(a) * step;
            int x0 = static_cast<int>(x - w - 1), x1 = static_cast<int>(x + w + 1);
            int y0 = static_cast<int>(y - w - 1), y1 = static_cast<int>(y + w + 1);
            for (int py = std::max(y0, 0); py <= std::min(y1, kHeight - 1); ++py)
                for (int px = std::max(x0, 0); px <= std::min(x1, kWidth - 1); ++px) {
                    float dx = px + 0.5f - x, dy = py + 0.5f - y;
                    float cov = clampf(w + 0.5f - std::sqrt(dx * dx + dy * dy), 0, 1) * opacity * (1 - 0.5f * f);
                    if (cov <= 0) continue;
                    uint8_t &p = img.at(px, py);
                    float v = p + (target - p) * cov;
                    if (v < p) p = static_cast<uint8_t>(v);
                }
        }
    };
    const int upper = 95 + static_cast<int>(rng.next() % 40);
    for (int k = 0; k < upper; ++k) {
        float t = rng.uniform(-0.93f, 0.93f);
        float x = g.eyeX + t * g.halfWidth;
        float y = g.upperLidY(x) - 1.5f;
        float sgn = t < 0 ? -1.0f : 1.0f, at = std::fabs(t);
        // open: a fan upwards; lowered: the lashes hang down over the eye
        float angle = lowered ? kPi / 2 - 1.3f * t + rng.uniform(-0.2f, 0.2f)
                              : -kPi / 2 + sgn * (0.25f + 0.75f * at) + rng.uniform(-0.15f, 0.15f);
        float len = (lowered ? 14.0f : 26.0f) + (lowered ? 16.0f : 36.0f) * (1 - at * at) * rng.uniform(0.5f, 1.0f);
        float curl = -sgn * rng.uniform(0.1f, 0.5f) * (lowered ? -0.6f : 1.0f);
        stroke(x, y, angle, len, curl, rng.uniform(1.6f, 2.6f), rng.uniform(18, 40), 0.9f);
    }
    const int lower = 40 + static_cast<int>(rng.next() % 20);
    for (int k = 0; k < lower; ++k) {
        float t = rng.uniform(-0.85f, 0.85f);
        float x = g.eyeX + t * g.halfWidth;
        float y = g.lowerLidY(x) + 3.0f;
        float sgn = t < 0 ? -1.0f : 1.0f, at = std::fabs(t);
        float angle = kPi / 2 - sgn * (0.3f + 0.8f * at) + rng.uniform(-0.2f, 0.2f);
        stroke(x, y, angle, rng.uniform(6, 17), sgn * 0.3f, rng.uniform(1.0f, 1.6f), 70, 0.5f);
    }
}

void EyeRenderer::addNoise(GreyImage &image, uint64_t noiseSeed)
{
    // Each 16-bit draw picks a level from a near-Gaussian table (sum of four
    // uniform nibbles), sigma about 2 grey levels; one draw of 64 bits serves
    // four pixels.
    static const std::vector<int8_t> table = [] {
        std::vector<int8_t> t(65536);
        for (int i = 0; i < 65536; ++i) {
            int s = (i & 15) + ((i >> 4) & 15) + ((i >> 8) & 15) + ((i >> 12) & 15) - 30;   // sigma 9.2
            t[i] = static_cast<int8_t>(s >= 0 ? (s * 2 + 4) / 9 : -((-s * 2 + 4) / 9));
        }
        return t;
    }();
    Prng rng(noiseSeed ^ 0x7015Eull);
    uint8_t *p = image.pixels.data();
    const size_t n = image.pixels.size();
    for (size_t i = 0; i < n; i += 4) {
        uint64_t r = rng.next();
        for (size_t k = 0; k < 4 && i + k < n; ++k, r >>= 16) {
            int v = p[i + k] + table[r & 0xFFFF];
            p[i + k] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
}

} // namespace zeph_imaging

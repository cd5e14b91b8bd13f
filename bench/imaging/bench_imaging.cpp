// How long the virtual camera takes to draw an eye and to encode one preview
// frame, read as ratios to BM_CopyFrame (a plain copy of the same frame).
// A binocular stream at 30 frames per second leaves about 16 ms per frame.
#include "zeph/virtual/imaging/EyeRenderer.h"
#include "zeph/virtual/imaging/Imaging.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace zeph_imaging;

namespace {

EyeSpec eye(uint64_t noise)
{
    EyeSpec s;
    s.subjectSeed = 4242;
    s.eye = 1;
    s.noiseSeed = noise;
    return s;
}

void BM_CopyFrame(benchmark::State &state)
{
    const GreyImage picture = renderEye(eye(1));
    std::vector<uint8_t> copy(picture.pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), picture.pixels.data(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

void BM_EncodeFrame(benchmark::State &state, int format, int scale, int quality)
{
    const GreyImage picture = renderEye(eye(1));
    for (auto _ : state) benchmark::DoNotOptimize(encodeFrame(picture, scale, format, quality));
}

// A new noise seed every frame, the drawn eye from the cache.
void BM_MakeFrameJpeg(benchmark::State &state)
{
    uint64_t n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(makeFrame(eye(++n), 1, FormatMonoJpeg, 75));
}

void BM_NoisyEye(benchmark::State &state)
{
    uint64_t n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(renderEye(eye(++n)));
}

// Drawing a new eye from nothing (once per subject, eye and presentation).
void BM_DrawEye(benchmark::State &state)
{
    uint64_t subject = 0;
    for (auto _ : state) benchmark::DoNotOptimize(EyeRenderer(++subject, 1, PresentSharp).renderClean());
}

void BM_ResultK7Compact(benchmark::State &state)
{
    uint64_t n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(makeResultImage(eye(++n), KindK7_2_5, FormatMonoJpeg2000, 0));
}

} // namespace

BENCHMARK(BM_CopyFrame);
BENCHMARK_CAPTURE(BM_EncodeFrame, jpeg_q75_scale1, FormatMonoJpeg, 1, 75);
BENCHMARK_CAPTURE(BM_EncodeFrame, jpeg_q75_scale2, FormatMonoJpeg, 2, 75);
BENCHMARK_CAPTURE(BM_EncodeFrame, raw_scale2, FormatMonoRaw, 2, 0);
BENCHMARK_CAPTURE(BM_EncodeFrame, corvane_raw_scale1, FormatCorvaneRaw, 1, 0);
BENCHMARK_CAPTURE(BM_EncodeFrame, jpeg2000_q30_scale2, FormatMonoJpeg2000, 2, 30);
BENCHMARK(BM_MakeFrameJpeg);
BENCHMARK(BM_NoisyEye);
BENCHMARK(BM_DrawEye);
BENCHMARK(BM_ResultK7Compact);
BENCHMARK_MAIN();

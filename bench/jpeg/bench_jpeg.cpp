// Our preview JPEG decoder against libjpeg (accurate integer inverse DCT),
// on the same in-memory 640 x 480 grey frames, in one run. Run it a second
// time with JSIMD_FORCENONE=1 for libjpeg without its SIMD code. On a shared
// machine, interleave the runs so that a slow spell hits both sides alike:
//   bench_jpeg --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true
//              --benchmark_report_aggregates_only=true --benchmark_min_time=0.2s
//
// Every benchmark counts heap allocations (malloc, and operator new through
// it) while it decodes; the decode step of the program must make none.

#include "capture/JpegDecoder.h"

#include "LibjpegReference.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// ---- Allocation counter --------------------------------------------------

namespace {
std::atomic<uint64_t> g_allocations{0};
}

extern "C" void *__libc_malloc(size_t size);
extern "C" void *malloc(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

namespace {

constexpr int kWidth = 640, kHeight = 480;

const std::vector<uint8_t> &frame(int quality, bool restarts)
{
    static std::map<std::pair<int, bool>, std::vector<uint8_t>> frames;
    auto &f = frames[{quality, restarts}];
    if (f.empty()) {
        libjpegref::EncodeOptions o;
        o.quality = quality;
        o.restartRows = restarts ? 1 : 0;
        f = libjpegref::encode(libjpegref::testPicture(kWidth, kHeight, 42), kWidth, kHeight, o);
    }
    return f;
}

void setCounters(benchmark::State &state, uint64_t allocations, size_t jpegBytes)
{
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.counters["jpeg_bytes"] = static_cast<double>(jpegBytes);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void Ours(benchmark::State &state)
{
    const auto &jpeg = frame(static_cast<int>(state.range(0)), state.range(1) != 0);
    JpegDecoder decoder;
    decoder.init(640, 480);
    std::vector<uint8_t> buffer(kWidth * kHeight);
    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        uint8_t *out = buffer.data();
        size_t capacity = buffer.size();
        int32_t w = 0, h = 0;
        if (decoder.decode(jpeg.data(), static_cast<int64_t>(jpeg.size()), &out, &capacity, &w, &h) != JPEG_OK) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setCounters(state, g_allocations.load() - before, jpeg.size());
}

void Libjpeg(benchmark::State &state)
{
    const auto &jpeg = frame(static_cast<int>(state.range(0)), state.range(1) != 0);
    libjpegref::Decoder decoder;
    std::vector<uint8_t> buffer(kWidth * kHeight);
    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        int w = 0, h = 0;
        decoder.decode(jpeg.data(), jpeg.size(), buffer.data(), &w, &h);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setCounters(state, g_allocations.load() - before, jpeg.size());
}

void frameArgs(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"quality", "restarts"});
    for (int q : {15, 50, 90})
        for (int r : {0, 1})
            b->Args({q, r});
}

BENCHMARK(Ours)->Apply(frameArgs);
BENCHMARK(Libjpeg)->Apply(frameArgs);

// Collects the times and prints ours / libjpeg for each frame at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        // Single runs, or the median when repeated.
        for (const Run &r : runs) {
            if (r.error_occurred)
                continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")
                continue;
            m_times[r.run_name.args][r.run_name.function_name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const char *simd = std::getenv("JSIMD_FORCENONE");
        std::printf("\nours / libjpeg (%s), CPU time; below 1 is faster\n",
                    simd && std::string(simd) == "1" ? "without SIMD" : "with SIMD");
        for (const auto &[args, t] : m_times)
            if (t.count("Ours") && t.count("Libjpeg"))
                std::printf("  %-24s %.3f\n", args.c_str(), t.at("Ours") / t.at("Libjpeg"));
    }

private:
    std::map<std::string, std::map<std::string, double>> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

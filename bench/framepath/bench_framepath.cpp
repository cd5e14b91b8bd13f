// The live preview's path from the frame callback to the two eye pixmaps,
// for a binocular pair of 640 x 480 frames in each drawable format, on the
// offscreen platform. Reference in the same run: a plain QImage copy of the
// raw pair (what any drawing of the pair must at least do). The decode
// step's heap allocations are counted.

#include "capture/FrameDrawer.h"
#include "capture/FrameRelay.h"
#include "capture/JpegDecoder.h"
#include "core/LastCapture.h"
#include "zeph/virtual/imaging/Jpeg2000Encoder.h"

#include "LibjpegReference.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <vector>

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

constexpr int kW = 640, kH = 480;
using Bytes = std::vector<uint8_t>;

Bytes container(const Bytes &px)
{
    Bytes b(12 + 8, 0);
    b[0] = 0x01;
    b[12] = uint8_t(kW & 0xFF);
    b[13] = uint8_t(kW >> 8);
    b[16] = uint8_t(kH & 0xFF);
    b[17] = uint8_t(kH >> 8);
    b.insert(b.end(), px.begin(), px.end());
    return b;
}

// The pair's bytes for a format: right and left eye.
const Bytes &pairBytes(int format, int eye)
{
    static std::map<std::pair<int, int>, Bytes> made;
    Bytes &b = made[{format, eye}];
    if (!b.empty())
        return b;
    const Bytes grey = libjpegref::testPicture(kW, kH, 40 + eye);
    switch (format) {
    case ZEPH_FORMAT_MONO_RAW: b = grey; break;
    case ZEPH_FORMAT_CORVANE_RAW: b = container(grey); break;
    case ZEPH_FORMAT_MONO_JPEG: {
        libjpegref::EncodeOptions o;
        o.quality = 15;
        b = libjpegref::encode(grey, kW, kH, o);
        break;
    }
    default: {
        zeph_imaging::GreyImage image(kW, kH);
        image.pixels = grey;
        b = zeph_imaging::encodeJpeg2000(image, 5, zeph_imaging::Jp2Wrapping::Codestream); // 20:1
        break;
    }
    }
    return b;
}

ZephImage recordOf(int format, int eye)
{
    const Bytes &b = pairBytes(format, eye);
    ZephImage r{};
    r.kind = ZEPH_KIND_K1;
    r.format = uint8_t(format);
    r.width = kW;
    r.height = kH;
    r.data = const_cast<uint8_t *>(b.data());
    r.size = uint32_t(b.size());
    return r;
}

void referenceCopy(benchmark::State &state)
{
    const Bytes &r = pairBytes(ZEPH_FORMAT_MONO_RAW, 0), &l = pairBytes(ZEPH_FORMAT_MONO_RAW, 1);
    for (auto _ : state) {
        for (const Bytes *px : {&r, &l}) {
            QImage img(kW, kH, QImage::Format_Indexed8);
            for (int y = 0; y < kH; ++y)
                std::memcpy(img.scanLine(y), px->data() + size_t(y) * kW, kW);
            benchmark::DoNotOptimize(img.constBits());
        }
    }
}

// Callback copy into the slots, the GUI thread's copy under the guard, and
// drawImage into both labels.
void callbackToPixmap(benchmark::State &state)
{
    const int format = int(state.range(0));
    LiveFrames frames;
    FrameRelay relay(frames);
    FrameDrawer drawer;
    QLabel left, right;
    left.setFixedSize(kW, kH);
    right.setFixedSize(kW, kH);
    ZephImage pair[2] = {recordOf(format, 0), recordOf(format, 1)};
    ImageSlot r, l;
    int drawn = 0;
    for (auto _ : state) {
        relay.take(pair, nullptr, nullptr);
        relay.takeEvent(nullptr);
        {
            std::lock_guard<std::mutex> g(frames.guard);
            r.assign(frames.rightFrame.record());
            l.assign(frames.leftFrame.record());
        }
        drawn += drawer.drawImage(&left, l.record());
        drawn += drawer.drawImage(&right, r.record());
    }
    QCoreApplication::processEvents(); // the relay's posted deliveries
    if (drawn != 2 * int(state.iterations()))
        state.SkipWithError("a frame was not drawn");
}

void jpegDecodeStep(benchmark::State &state)
{
    JpegDecoder decoder;
    decoder.init(640, 480);
    Bytes buffer(kW * kH);
    const Bytes &jpeg = pairBytes(ZEPH_FORMAT_MONO_JPEG, 0);
    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        uint8_t *px = buffer.data();
        size_t capacity = buffer.size();
        int32_t w = 0, h = 0;
        if (decoder.decode(jpeg.data(), int64_t(jpeg.size()), &px, &capacity, &w, &h) != 0)
            state.SkipWithError("decode failed");
    }
    state.counters["allocs_per_frame"] =
        benchmark::Counter(double(g_allocations.load() - before) / double(state.iterations()));
}

} // namespace

BENCHMARK(referenceCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(callbackToPixmap)
    ->ArgName("format")
    ->Arg(ZEPH_FORMAT_MONO_RAW)
    ->Arg(ZEPH_FORMAT_CORVANE_RAW)
    ->Arg(ZEPH_FORMAT_MONO_JPEG)
    ->Arg(ZEPH_FORMAT_MONO_JPEG2000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(jpegDecodeStep)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

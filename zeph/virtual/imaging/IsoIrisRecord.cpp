#include "IsoIrisRecord.h"

#include "ByteWriter.h"

#include <algorithm>
#include <cmath>

namespace zeph_imaging {

namespace {

uint16_t clamp16(float v) { return static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 65535L)); }

std::vector<uint8_t> build2005(int format, const std::vector<IsoEyeImage> &eyes)
{
    std::vector<uint8_t> out;
    ByteWriter w(out);
    const IsoEyeImage &first = eyes.front();
    w.text("IIR\0", 4);
    w.text("010\0", 4);
    w.be32(0);                                   // record length, patched below
    w.be16(0x0001);                              // capture device id
    w.u8(static_cast<uint32_t>(eyes.size()));
    w.be16(45);
    // orientation base (1) both ways, progressive scan (1); occlusions filled when masked
    uint32_t props = 0x0001 | (0x0001 << 2) | (0x0001 << 4);
    if (first.masked) props |= (1u << 6) | (1u << 7);
    w.be16(props);
    w.be16(clamp16(2 * first.irisR));
    w.be16(static_cast<uint32_t>(format));
    w.be16(static_cast<uint32_t>(first.width));
    w.be16(static_cast<uint32_t>(first.height));
    w.u8(8);
    w.u8(0);
    w.text("DVIRTUAL00000001", 16);
    uint16_t sequence = 1;
    for (const IsoEyeImage &e : eyes) {
        w.u8(e.eyeLabel);
        w.be16(1);
        w.be16(sequence++);
        w.u8(e.totalScore);
        w.be16(0xFFFF);
        w.be16(0xFFFF);
        w.be32(static_cast<uint32_t>(e.data.size()));
        w.bytes(e.data.data(), e.data.size());
    }
    w.patchBe32(8, static_cast<uint32_t>(out.size()));
    return out;
}

std::vector<uint8_t> build2011(int format, int imageType, const std::vector<IsoEyeImage> &eyes, const IsoCaptureTime &t)
{
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.text("IIR\0", 4);
    w.text("020\0", 4);
    w.be32(0);
    w.be16(static_cast<uint32_t>(eyes.size()));
    w.u8(0);
    w.u8(static_cast<uint32_t>(eyes.size()));
    uint16_t number = 1;
    for (const IsoEyeImage &e : eyes) {
        const size_t start = w.size();
        w.be32(0);                               // representation length, patched below
        if (t.known) {
            w.be16(t.year);
            w.u8(t.month); w.u8(t.day); w.u8(t.hour); w.u8(t.minute); w.u8(t.second);
            w.be16(t.millisecond);
        } else {
            for (int i = 0; i < 9; ++i) w.u8(0xFF);
        }
        w.u8(1);                                 // CMOS/CCD
        w.be16(0);                               // vendor not reported
        w.be16(0);
        w.u8(1);                                 // one quality block
        w.u8(e.totalScore);
        w.be16(IsoIrisRecord::kQualityVendor);
        w.be16(IsoIrisRecord::kQualityAlgorithm);
        w.be16(number++);
        w.u8(e.eyeLabel);
        w.u8(static_cast<uint32_t>(imageType > 7 ? 7 : imageType));
        w.u8(static_cast<uint32_t>(format));
        // orientation base both ways; compression history 1 lossless or none, 2 lossy
        w.u8(0x01 | (0x01 << 2) | ((e.lossy ? 2u : 1u) << 4));
        w.be16(static_cast<uint32_t>(e.width));
        w.be16(static_cast<uint32_t>(e.height));
        w.u8(8);
        w.be16(0);
        w.be16(0xFFFF);
        w.be16(0xFFFF);
        w.be16(clamp16(e.irisX - 1)); w.be16(clamp16(e.irisX + 1));
        w.be16(clamp16(e.irisY - 1)); w.be16(clamp16(e.irisY + 1));
        w.be16(clamp16(2 * e.irisR - 2)); w.be16(clamp16(2 * e.irisR + 2));
        w.be32(static_cast<uint32_t>(e.data.size()));
        w.bytes(e.data.data(), e.data.size());
        w.patchBe32(start, static_cast<uint32_t>(w.size() - start));
    }
    w.patchBe32(8, static_cast<uint32_t>(out.size()));
    return out;
}

} // namespace

std::vector<uint8_t> IsoIrisRecord::build(int revision, int recordFormat, int imageType,
                                          const std::vector<IsoEyeImage> &eyes, const IsoCaptureTime &when)
{
    if (eyes.empty() || eyes.size() > 2 || (revision != 1 && revision != 2)) return {};
    uint64_t total = 64;
    for (const IsoEyeImage &e : eyes) {
        if (e.width <= 0 || e.height <= 0 || e.width > 0xFFFF || e.height > 0xFFFF || e.data.empty()) return {};
        // the 2005 header holds one size for all images
        if (revision == 1 && (e.width != eyes.front().width || e.height != eyes.front().height)) return {};
        total += 64 + e.data.size();
    }
    if (total > 0xFFFFFFFFull) return {};
    return revision == 1 ? build2005(recordFormat, eyes) : build2011(recordFormat, imageType, eyes, when);
}

} // namespace zeph_imaging

// The preview JPEG decoder against libjpeg's accurate integer decoder, and
// against streams that lie.

#include "capture/JpegDecoder.h"

#include "LibjpegReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kFrameCapacity = 307200;
constexpr uint8_t kGuard = 0xA5;

struct Result {
    int32_t rc = -1;
    int32_t width = 0, height = 0;
    size_t capacity = 0;
    Bytes pixels;
};

struct Decoder {
    JpegDecoder raw;
    Decoder() { EXPECT_EQ(raw.init(640, 480), JPEG_OK); }

    // Decodes into a buffer followed by guard bytes: nothing may be written
    // past the capacity given.
    Result decode(const Bytes &jpeg, size_t capacity = kFrameCapacity)
    {
        Bytes buffer(capacity + 64, kGuard);
        Result r;
        uint8_t *out = buffer.data();
        r.capacity = capacity;
        r.rc = raw.decode(jpeg.data(), static_cast<int64_t>(jpeg.size()), &out, &r.capacity, &r.width, &r.height);
        EXPECT_EQ(out, buffer.data());
        EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(capacity), buffer.end(),
                                [](uint8_t b) { return b == kGuard; }))
            << "wrote past the capacity";
        if (r.rc == JPEG_OK)
            r.pixels.assign(buffer.begin(), buffer.begin() + static_cast<long>(r.width) * r.height);
        return r;
    }
};

Bytes makeFrame(int w, int h, const libjpegref::EncodeOptions &o, uint32_t seed = 1)
{
    return libjpegref::encode(libjpegref::testPicture(w, h, seed), w, h, o);
}

// ---- Hand-made streams ---------------------------------------------------

void put16(Bytes &b, int v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void segment(Bytes &b, uint8_t marker, const Bytes &body)
{
    b.push_back(0xFF);
    b.push_back(marker);
    put16(b, static_cast<int>(body.size()) + 2);
    b.insert(b.end(), body.begin(), body.end());
}

Bytes sof(int w, int h, Bytes component = {1, 0x11, 0})
{
    Bytes body{8};
    put16(body, h);
    put16(body, w);
    body.push_back(static_cast<uint8_t>(component.size() / 3));
    body.insert(body.end(), component.begin(), component.end());
    return body;
}

// A DHT body: table id, 16 counts, values.
Bytes dht(uint8_t id, std::vector<int> counts, Bytes values)
{
    Bytes body{id};
    counts.resize(16, 0);
    for (int c : counts)
        body.push_back(static_cast<uint8_t>(c));
    body.insert(body.end(), values.begin(), values.end());
    return body;
}

Bytes sos(uint8_t tables = 0x00, uint8_t component = 1)
{
    return {1, component, tables, 0, 63, 0};
}

// One 8 x 8 block whose only codes are "0": DC category 0, end of block.
struct Stream {
    Bytes dcTable = dht(0x00, {1}, {0});
    Bytes acTable = dht(0x10, {1}, {0x00});
    Bytes frame = sof(8, 8);
    uint8_t frameMarker = 0xC0;
    Bytes scan = sos();
    Bytes data = Bytes(4, 0x00);
    bool withDqt = true;
    int restartInterval = 0;
};

Bytes build(const Stream &s)
{
    Bytes b{0xFF, 0xD8};
    if (s.withDqt) {
        Bytes dqt{0x00};
        dqt.insert(dqt.end(), 64, 1);
        segment(b, 0xDB, dqt);
    }
    if (s.restartInterval) {
        Bytes dri;
        put16(dri, s.restartInterval);
        segment(b, 0xDD, dri);
    }
    segment(b, s.frameMarker, s.frame);
    segment(b, 0xC4, s.dcTable);
    segment(b, 0xC4, s.acTable);
    segment(b, 0xDA, s.scan);
    b.insert(b.end(), s.data.begin(), s.data.end());
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

// The hand-made stream after `edit`.
Bytes lie(void (*edit)(Stream &))
{
    Stream s;
    edit(s);
    return build(s);
}

// The hand-made stream with other codes and entropy data.
Bytes coded(Bytes dcTable, Bytes acTable, Bytes data)
{
    Stream s;
    s.dcTable = std::move(dcTable);
    s.acTable = std::move(acTable);
    s.data = std::move(data);
    return build(s);
}

// Two blocks with a restart interval of one: the marker between them is checked.
Bytes twoBlocks(Bytes data)
{
    Stream s;
    s.frame = sof(16, 8);
    s.restartInterval = 1;
    s.data = std::move(data);
    return build(s);
}

size_t findMarker(const Bytes &b, uint8_t marker)
{
    for (size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker)
            return i;
    return b.size();
}

Bytes garbageThen(size_t count, const Bytes &b)
{
    Bytes out(count, 'g'); // no 0xFF: no marker
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// ---- Comparison with libjpeg ---------------------------------------------

TEST(JpegDecoder, MatchesLibjpegWithinOneOverQualitiesSizesAndTables)
{
    const std::vector<std::pair<int, int>> sizes = {
        {1, 1}, {1, 9}, {9, 1}, {8, 8}, {7, 13}, {16, 16}, {17, 15}, {33, 47}, {63, 65}, {100, 75},
        {127, 3}, {3, 127}, {321, 239}, {640, 8}, {8, 480}, {640, 480}};
    Decoder ours, scalar;
    scalar.raw.setWideInverseDct(false);
    libjpegref::Decoder reference;
    int worst = 0;
    for (int q = 1; q <= 100; ++q) {
        const auto [w, h] = sizes[static_cast<size_t>(q) % sizes.size()];
        libjpegref::EncodeOptions o;
        o.quality = q;
        o.optimise = q % 2 == 0;
        o.sixteenBitTables = q % 3 != 0;
        o.restartRows = q % 5 == 1 ? 1 : 0;
        o.restartInterval = q % 5 == 3 ? q % 7 + 1 : 0;
        SCOPED_TRACE("q" + std::to_string(q) + " " + std::to_string(w) + "x" + std::to_string(h));
        const Bytes jpeg = makeFrame(w, h, o, static_cast<uint32_t>(q));
        Bytes expected(static_cast<size_t>(w) * h);
        int rw = 0, rh = 0;
        reference.decode(jpeg.data(), jpeg.size(), expected.data(), &rw, &rh);
        const Result r = ours.decode(jpeg);
        ASSERT_EQ(r.rc, JPEG_OK);
        ASSERT_EQ(r.width, w);
        ASSERT_EQ(r.height, h);
        ASSERT_EQ(r.capacity, expected.size());
        // The AVX2 inverse DCT, where there is one, gives the scalar pixels.
        ASSERT_TRUE(r.pixels == scalar.decode(jpeg).pixels) << "AVX2 and scalar pixels differ";
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(int(r.pixels[i]) - int(expected[i])));
    }
    EXPECT_LE(worst, 1);
}

// ---- Accepted and refused frames -----------------------------------------

TEST(JpegDecoder, StreamCases)
{
    const Bytes small = makeFrame(24, 16, {});
    const Bytes beforeScan(small.begin(), small.begin() + static_cast<long>(findMarker(small, 0xDA)));
    Bytes farRestart(1601, 0x00);
    farRestart.insert(farRestart.end(), {0xFF, 0xD0, 0x00});

    const struct {
        const char *name;
        Bytes jpeg;
        int32_t rc;
        int32_t width = 0, height = 0; // expected on success
    } cases[] = {
        // Frames libjpeg makes; those it decodes well are in the comparison above.
        {"641 wide", makeFrame(641, 8, {}), JPEG_UNSUPPORTED},
        {"4000 bytes of garbage first", garbageThen(4000, small), JPEG_OK, 24, 16},
        {"5000 bytes of garbage first", garbageThen(5000, small), JPEG_CORRUPTED},
        {"garbage, start, then no marker", garbageThen(3, {0xFF, 0xD8, 0x00, 0xFF, 0xD9}), JPEG_CORRUPTED},
        {"end of image before a start", {0x00, 0xFF, 0xD9, 0xFF, 0xD8}, JPEG_CORRUPTED},
        {"stops before the scan", beforeScan, JPEG_BAD_DATA},
        // Segments that lie.
        {"DRI length 5", {0xFF, 0xD8, 0xFF, 0xDD, 0x00, 0x05, 0x00, 0x01, 0x00}, JPEG_BAD_DATA},
        {"DQT table 1", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x01}, JPEG_UNSUPPORTED},
        {"DQT cut short", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x10, 0x00, 1, 1}, JPEG_BAD_DATA},
        {"restart marker before the frame", {0xFF, 0xD8, 0xFF, 0xD0}, JPEG_UNSUPPORTED},
        {"segment length 1", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}, JPEG_BAD_DATA},
        {"segment longer than the data", {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 1, 2, 3}, JPEG_UNSUPPORTED},
        {"no marker where one belongs", {0xFF, 0xD8, 0x12, 0x34}, JPEG_BAD_DATA},
        // The hand-made stream, one field made to lie.
        {"hand-made stream decodes", lie([](Stream &) {}), JPEG_OK, 8, 8},
        {"zero height", lie([](Stream &s) { s.frame = sof(8, 0); }), JPEG_UNSUPPORTED},
        {"sampling 2x2", lie([](Stream &s) { s.frame = sof(8, 8, {1, 0x22, 0}); }), JPEG_UNSUPPORTED},
        {"quantisation table 1", lie([](Stream &s) { s.frame = sof(8, 8, {1, 0x11, 1}); }), JPEG_UNSUPPORTED},
        {"12-bit precision", lie([](Stream &s) { s.frame[0] = 12; }), JPEG_UNSUPPORTED},
        {"frame header too long", lie([](Stream &s) { s.frame.push_back(0); }), JPEG_BAD_DATA},
        {"progressive", lie([](Stream &s) { s.frameMarker = 0xC2; }), JPEG_UNSUPPORTED},
        {"colour", lie([](Stream &s) { s.frame = sof(8, 8, {1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}); }), JPEG_UNSUPPORTED},
        {"AC selector 2", lie([](Stream &s) { s.scan = sos(0x02); }), JPEG_BAD_DATA},
        {"AC table 1 never defined", lie([](Stream &s) { s.scan = sos(0x01); }), JPEG_BAD_DATA},
        {"scan names another component", lie([](Stream &s) { s.scan = sos(0x00, 2); }), JPEG_BAD_DATA},
        {"two scan components", lie([](Stream &s) { s.scan = {2, 1, 0, 2, 0, 0, 63, 0}; }), JPEG_UNSUPPORTED},
        {"scan header too long", lie([](Stream &s) { s.scan.push_back(0); }), JPEG_BAD_DATA},
        {"no quantisation table", lie([](Stream &s) { s.withDqt = false; }), JPEG_BAD_DATA},
        {"DHT counts more values than it holds", lie([](Stream &s) {
             s.dcTable = dht(0x00, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200}, Bytes(10, 0));
         }),
         JPEG_BAD_DATA},
        {"DHT with 256 codes", lie([](Stream &s) {
             s.dcTable = dht(0x00, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128, 128}, Bytes(256, 0));
         }),
         JPEG_BAD_DATA},
        {"over-subscribed at 9 bits",
         lie([](Stream &s) { s.dcTable = dht(0x00, {1, 1, 1, 1, 1, 1, 1, 1, 3}, Bytes(11, 0)); }), JPEG_BAD_DATA},
        {"DHT class 2", lie([](Stream &s) { s.dcTable = dht(0x20, {1}, {0}); }), JPEG_BAD_DATA},
        {"DHT cut short", lie([](Stream &s) { s.dcTable = {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0}; }), JPEG_BAD_DATA},
        // DC category above 11 and AC size above 10, by a short and by a long code.
        {"DC category 12, 1-bit code", lie([](Stream &s) { s.dcTable = dht(0x00, {1}, {12}); }), JPEG_BAD_DATA},
        {"DC category 15, 16-bit code",
         lie([](Stream &s) { s.dcTable = dht(0x00, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {15}); }),
         JPEG_BAD_DATA},
        // The entropy data below: the codes and extra bits in order, padded with ones.
        {"DC category 11 is fine", // "0" category 11, its 11 bits, "0" end of block
         coded(dht(0x00, {1}, {11}), Stream().acTable, {0x7F, 0xF7}), JPEG_OK, 8, 8},
        {"AC size 11, 1-bit code", lie([](Stream &s) { s.acTable = dht(0x10, {1}, {0x0B}); }), JPEG_BAD_DATA},
        {"AC size 10 is fine", // "00" size 10, "010" end of block
         coded(Stream().dcTable, dht(0x10, {0, 1, 1}, {0x0A, 0x00}), {0x1F, 0xFA}), JPEG_OK, 8, 8},
        // The only DC code is "0", the data all ones.
        {"no code matches", lie([](Stream &s) { s.data = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00}; }), JPEG_BAD_DATA},
        {"run past position 63", // "0" run 15 size 1 and its bit, four times
         coded(Stream().dcTable, dht(0x10, {1, 1}, {0xF1, 0x00}), {0x2A, 0xFF, 0x00}), JPEG_COMPRESSION},
        {"zero runs past position 63", // "0" sixteen zeros, five times
         coded(Stream().dcTable, dht(0x10, {1, 1}, {0xF0, 0x00}), {0x03}), JPEG_COMPRESSION},
        {"restart interval, no marker", twoBlocks(Bytes(4, 0x00)), JPEG_BAD_DATA},
        {"restart interval, marker follows", twoBlocks({0x00, 0xFF, 0xD0, 0x00}), JPEG_OK, 16, 8},
        {"restart marker 3 first", twoBlocks({0x00, 0xFF, 0xD3, 0x00}), JPEG_BAD_DATA},
        {"restart marker beyond the search", twoBlocks(farRestart), JPEG_BAD_DATA},
    };
    Decoder d;
    // After every case, good or bad, a good frame decodes as on a fresh decoder.
    const Bytes probe = makeFrame(24, 16, {}, 3);
    const Result fresh = Decoder().decode(probe);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = d.decode(c.jpeg);
        EXPECT_EQ(r.rc, c.rc);
        if (c.rc == JPEG_OK) {
            EXPECT_EQ(r.width, c.width);
            EXPECT_EQ(r.height, c.height);
        }
        EXPECT_EQ(d.decode(probe).pixels, fresh.pixels) << "state left behind";
    }
}

TEST(JpegDecoder, Arguments)
{
    Decoder d;
    const Bytes frame = makeFrame(20, 10, {});
    const int64_t size = static_cast<int64_t>(frame.size());
    uint8_t buffer[200];
    uint8_t *out = buffer;
    size_t capacity = sizeof buffer;
    int32_t w = 0, h = 0;
    JpegDecoder &raw = d.raw;
    EXPECT_EQ(raw.decode(frame.data(), 0, &out, &capacity, &w, &h), JPEG_INVALID_PARAMETER);

    // One byte short of the frame: refused before a pixel is written.
    capacity = 199;
    std::memset(buffer, kGuard, sizeof buffer);
    EXPECT_EQ(raw.decode(frame.data(), size, &out, &capacity, &w, &h), JPEG_BUFFER_TOO_SMALL);
    EXPECT_TRUE(std::all_of(buffer, buffer + sizeof buffer, [](uint8_t b) { return b == kGuard; }));
    capacity = 200;
    EXPECT_EQ(raw.decode(frame.data(), size, &out, &capacity, &w, &h), JPEG_OK);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 10);

    // No buffer given, and a failure after the decoder allocated one: it is given back.
    const Bytes broken = lie([](Stream &s) { s.data = {0xFF, 0x00, 0xFF, 0x00}; }); // no code matches
    uint8_t *mine = nullptr;
    EXPECT_EQ(raw.decode(broken.data(), static_cast<int64_t>(broken.size()), &mine, &capacity, &w, &h),
              JPEG_BAD_DATA);
    EXPECT_EQ(mine, nullptr);
    EXPECT_EQ(capacity, 0u);
}

// Cut entropy data: nothing read past the bytes given (the sanitizer run),
// nothing written past the capacity.
TEST(JpegDecoder, TruncatedData)
{
    libjpegref::EncodeOptions o;
    o.quality = 90;
    const Bytes frame = makeFrame(64, 48, o);
    const size_t scan = findMarker(frame, 0xDA);
    Decoder d;
    const auto survives = [](int32_t rc) { return rc == JPEG_OK || rc == JPEG_BAD_DATA || rc == JPEG_COMPRESSION; };
    for (size_t cut = scan + 14; cut < frame.size(); cut += 37)
        EXPECT_TRUE(survives(d.decode(Bytes(frame.begin(), frame.begin() + static_cast<long>(cut)), 64 * 48).rc))
            << cut;
}

} // namespace

// The CORVANE_RAW container, plain and extended, honest and lying.

#include "capture/CorvaneRawContainer.h"

#include "CorvaneRawBuilder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace corvanetest;

struct Case {
    const char *name;
    Bytes data;
    uint64_t maxPixels;
    bool ok;
    uint32_t w = 0, h = 0;
    size_t offset = 0;
};

TEST(CorvaneRawContainer, Layouts)
{
    Bytes lyingLength = container(false, 0, 4, 4);
    putLe32(lyingLength, 8, 0xFFFFFFF0u);
    Bytes shortPixels = container(true, 0, 10, 10, -1);
    Bytes overflow = container(false, 0, 1, 1);
    putLe32(overflow, 12, 0x10000);
    putLe32(overflow, 16, 0x10000); // 2^32 pixels: wraps to 0 in 32 bits
    Bytes negative = container(false, 0, 1, 1);
    putLe32(negative, 12, 0x80000000u);
    Bytes cutExtended = container(true, 0, 2, 2);
    cutExtended.resize(50);

    const std::vector<Case> cases = {
        {"plain, 5-byte block", container(false, 5, 2, 2), 307200, true, 2, 2, 25},
        {"extended, 3-byte block", container(true, 3, 3, 2), 307200, true, 3, 2, 59},
        {"640 x 480 fills the frame", container(false, 0, 640, 480), 307200, true, 640, 480, 20},
        {"641 x 480 is too many pixels", container(false, 0, 641, 480), 307200, false},
        {"trailing bytes are fine", container(true, 1, 2, 2, 9), 307200, true, 2, 2, 57},
        {"one pixel missing", shortPixels, 307200, false},
        {"zero width", container(false, 0, 0, 5), 307200, false},
        {"negative width", negative, ~0ull, false},
        {"block length past the data", lyingLength, 307200, false},
        {"extended fields cut off", cutExtended, 307200, false},
        {"pixel count that wraps in 32 bits", overflow, ~0ull, false},
        {"shorter than the header", Bytes(11, 0), 307200, false},
        {"empty", Bytes(), 307200, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CorvaneRawFrame f;
        f.width = 99;
        const bool ok = readCorvaneRawContainer(c.data.empty() ? nullptr : c.data.data(), c.data.size(),
                                                c.maxPixels, &f);
        EXPECT_EQ(ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(f.width, c.w);
            EXPECT_EQ(f.height, c.h);
            EXPECT_EQ(f.pixelOffset, c.offset);
        } else {
            EXPECT_EQ(f.width, 99u); // untouched
        }
    }
}

} // namespace

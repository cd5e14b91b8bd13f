#pragma once
// The small container in front of CORVANE_RAW pixels (all 32-bit fields
// little-endian):
//   offset 0        marker; 0xFF selects the extended layout
//   offset 8        L, the length of a variable block starting at offset 12
//   12 + L (+4 ext) width, then height
//   next (+32 ext)  width x height 8-bit grey pixels
//
//   CorvaneRawFrame f;
//   if (readCorvaneRawContainer(image.data, image.size, 307200, &f))
//       drawRaw(label, f.width, f.height, image.data + f.pixelOffset);
//
// The container is believed only when every field it names lies inside the
// data, width and height are positive and width x height is at most
// maxPixels; otherwise the call returns false and leaves *frame alone.

#include <cstddef>
#include <cstdint>

struct CorvaneRawFrame {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t pixelOffset = 0;
    bool extended = false;
};

bool readCorvaneRawContainer(const uint8_t *data, size_t size, uint64_t maxPixels, CorvaneRawFrame *frame);

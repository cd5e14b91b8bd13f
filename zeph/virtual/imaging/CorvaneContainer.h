// CorvaneContainer.h - the camera's own framing around raw pixels
// (CORVANE_RAW) or a JPEG 2000 codestream (CORVANE_JPEG2000). All 32-bit
// fields little-endian.
//
//   0            marker: 0x00 plain, 0xFF extended
//   1            container version (1)
//   2            bits per pixel (8)
//   3            eye: 0 unknown, 1 right, 2 left
//   4            total container size in bytes
//   8            L, length of the variable block at 12 (8 here):
//   12             frame sequence number (32 bit), compact kind (8 bit), 3 zero bytes
//   12+L         extended only: header flags (32 bit, 1)
//   next         width, then height
//   next         extended only: 32 bytes of eye data: iris centre x, y, iris
//                radius, pupil radius (16 bit each), total score, usable
//                area (8 bit each), 22 zero bytes
//   next         the payload: width x height pixels, row after row, or the
//                JPEG 2000 codestream up to the end of the container
#ifndef ZEPH_IMAGING_CORVANECONTAINER_H
#define ZEPH_IMAGING_CORVANECONTAINER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeph_imaging {

struct CorvaneHeader {
    bool extended = false;
    uint8_t eye = 0;
    uint8_t kind = 0;
    uint32_t sequence = 0;
    uint16_t irisX = 0, irisY = 0, irisR = 0, pupilR = 0;
    uint8_t totalScore = 0, usableArea = 0;
};

constexpr uint32_t kCorvaneBlockLength = 8;

// Offset of the payload for a layout and a block length L.
inline size_t corvanePayloadOffset(bool extended, uint32_t blockLength)
{
    return 12 + static_cast<size_t>(blockLength) + (extended ? 4 : 0) + 8 + (extended ? 32 : 0);
}

std::vector<uint8_t> writeCorvaneContainer(const CorvaneHeader &header, int width, int height,
                                           const uint8_t *payload, size_t payloadSize);

} // namespace zeph_imaging

#endif

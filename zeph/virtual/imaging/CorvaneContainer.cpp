#include "CorvaneContainer.h"

#include "ByteWriter.h"

namespace zeph_imaging {

std::vector<uint8_t> writeCorvaneContainer(const CorvaneHeader &h, int width, int height, const uint8_t *payload,
                                           size_t payloadSize)
{
    std::vector<uint8_t> out;
    if (width < 0 || height < 0) return out;
    const size_t total = corvanePayloadOffset(h.extended, kCorvaneBlockLength) + payloadSize;
    if (total > 0xFFFFFFFFull) return out;
    out.reserve(total);
    ByteWriter w(out);
    w.u8(h.extended ? 0xFF : 0x00);
    w.u8(1);
    w.u8(8);
    w.u8(h.eye);
    w.le32(static_cast<uint32_t>(total));
    w.le32(kCorvaneBlockLength);
    w.le32(h.sequence);
    w.u8(h.kind);
    w.zeros(3);
    if (h.extended) w.le32(1);
    w.le32(static_cast<uint32_t>(width));
    w.le32(static_cast<uint32_t>(height));
    if (h.extended) {
        w.le16(h.irisX);
        w.le16(h.irisY);
        w.le16(h.irisR);
        w.le16(h.pupilR);
        w.u8(h.totalScore);
        w.u8(h.usableArea);
        w.zeros(22);
    }
    w.bytes(payload, payloadSize);
    return out;
}

} // namespace zeph_imaging

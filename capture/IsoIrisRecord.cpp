#include "capture/IsoIrisRecord.h"

#include <cstring>

namespace {

// The layout of one edition: where the fields live.
struct Layout {
    uint64_t countOffset;
    uint64_t countBytes;      // 1 or 2
    uint64_t firstBlock;
    bool sizeInBlock;         // width/height per block (2011) or in the record header (2005)
    uint64_t widthOffset;
    uint64_t heightOffset;
    uint64_t lengthOffset;    // in the block
    uint64_t dataOffset;      // in the block; also the fixed part of a block
};

constexpr Layout kLayout2005{14, 1, 45, false, 23, 25, 10, 14};
constexpr Layout kLayout2011{12, 2, 16, true, 30, 32, 53, 57};

// Big-endian reads that refuse to look past the end of the record.
class BigEndianReader
{
public:
    BigEndianReader(const uint8_t *data, uint64_t size) : m_data(data), m_size(size) {}

    bool has(uint64_t offset, uint64_t bytes) const
    {
        return offset <= m_size && bytes <= m_size - offset;
    }
    bool read(uint64_t offset, uint64_t bytes, uint32_t &value) const
    {
        if (bytes > 4 || !has(offset, bytes))
            return false;
        uint32_t v = 0;
        for (uint64_t i = 0; i < bytes; ++i)
            v = (v << 8) | m_data[offset + i];
        value = v;
        return true;
    }

private:
    const uint8_t *m_data;
    uint64_t m_size;
};

} // namespace

uint8_t IsoIrisRecord::compactKind(int32_t kind)
{
    return Zeph_CompactKind(kind);
}

bool IsoIrisRecord::startsAtLeft(ZephResult lastResult, int32_t isoSubtype, bool binocular)
{
    return lastResult == ZEPH_ERR_NO_QUALIFIED_RIGHT || (isoSubtype == ZEPH_ISO_SUBTYPE_LEFT && binocular);
}

ZephResult IsoIrisRecord::parse(const ZephIsoRecord &record, const Options &options,
                                ZephImage (&images)[2])
{
    std::memset(images, 0, sizeof images);

    const Layout *layout = nullptr;
    if (options.revision == ZEPH_ISO_2005)
        layout = &kLayout2005;
    else if (options.revision == ZEPH_ISO_2011)
        layout = &kLayout2011;
    else
        return kInvalidParameter;

    if (!record.data)
        return kImageCorrupted;
    const uint64_t size = record.size;
    const BigEndianReader in(record.data, size);

    uint32_t count = 0;
    if (!in.read(layout->countOffset, layout->countBytes, count) || !in.has(0, layout->firstBlock))
        return kImageCorrupted;
    uint32_t width = 0, height = 0;
    if (!layout->sizeInBlock
        && (!in.read(layout->widthOffset, 2, width) || !in.read(layout->heightOffset, 2, height)))
        return kImageCorrupted;

    // Found images are kept aside until the whole record has been walked,
    // so a record that turns out broken hands out nothing.
    ZephImage found[2]{};
    int taken = 0;
    uint64_t block = layout->firstBlock;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = 0;
        if (!in.has(block, layout->dataOffset) || !in.read(block + layout->lengthOffset, 4, length))
            return kImageCorrupted;
        if (layout->sizeInBlock
            && (!in.read(block + layout->widthOffset, 2, width)
                || !in.read(block + layout->heightOffset, 2, height)))
            return kImageCorrupted;
        const uint64_t data = block + layout->dataOffset;
        if (!in.has(data, length))
            return kImageCorrupted;
        if (taken < 2) {
            ZephImage &image = found[taken++];
            image.kind = compactKind(options.resultKind);
            image.format = static_cast<uint8_t>(options.resultFormat);
            image.width = width;
            image.height = height;
            image.data = length ? record.data + data : nullptr;
            image.size = length;
        }
        block = data + length; // at most size, so no 64-bit overflow
    }

    // Fill from the right entry, or from the left one; what does not fit is dropped.
    int entry = options.startAtLeft ? 1 : 0;
    for (int i = 0; i < taken && entry < 2; ++i, ++entry)
        images[entry] = found[i];
    return 0;
}

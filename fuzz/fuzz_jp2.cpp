// Any bytes through DecompressJp2 into a frame buffer of exactly 640 x 480,
// as the program calls it; a write past the buffer or a width and height
// that do not fit it are faults.
#include "platform/Jp2Decompress.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::vector<uint8_t> frame(640 * 480);
    if (size == 0 || size > 0xFFFFFFFFu)
        return 0;
    uint8_t format = 10, outFormat = 2;
    uint32_t dataSize = static_cast<uint32_t>(size);
    uint32_t width = static_cast<uint32_t>(frame.size()), height = 0;
    int record = 0;
    const int32_t rc = DecompressJp2(&record, &format, &dataSize, 0, data, &record, &outFormat, &width,
                                     &height, frame.data());
    if (rc == JP2_OK && (width == 0 || height == 0 || static_cast<uint64_t>(width) * height > frame.size()))
        std::abort();
    return 0;
}

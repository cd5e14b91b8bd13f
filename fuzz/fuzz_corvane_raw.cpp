// Any bytes through the CORVANE_RAW container reader; every pixel it hands
// out is read, so an offset outside the data is caught.
#include "capture/CorvaneRawContainer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CorvaneRawFrame f;
    if (!readCorvaneRawContainer(data, size, 307200, &f))
        return 0;
    const uint64_t pixels = static_cast<uint64_t>(f.width) * f.height;
    if (f.width == 0 || f.height == 0 || pixels > 307200 || f.pixelOffset + pixels > size)
        std::abort();
    unsigned sum = 0;
    for (uint64_t i = 0; i < pixels; ++i)
        sum += data[f.pixelOffset + i];
    volatile unsigned keep = sum;
    (void)keep;
    return 0;
}

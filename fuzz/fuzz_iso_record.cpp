// Fuzz target for the ISO iris record parser. The first byte picks the
// edition (bit 0: 0 = 2005, 1 = 2011) and whether images start at the left
// entry (bit 1); the rest is the record. Whatever the bytes:
//  - the result is 0 or "Image corrupted"; a corrupted record hands out no image;
//  - every image handed out lies wholly inside the record (each byte is read
//    here, so the sanitizers see any stray pointer);
//  - with the left start, the right entry stays empty.

#include "capture/IsoIrisRecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_iso_record: %s\n", what);
    std::abort();
}

bool isEmpty(const ZephImage &image)
{
    return !image.data && image.size == 0 && image.width == 0 && image.height == 0
        && image.kind == 0 && image.format == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    // A copy of exactly the record's size, so reading past it is caught.
    std::vector<uint8_t> bytes(data + 1, data + size);
    ZephIsoRecord record{static_cast<uint32_t>(bytes.size()), bytes.empty() ? nullptr : bytes.data()};

    IsoIrisRecord::Options options;
    options.revision = (mode & 1) ? 2 : 1;
    options.startAtLeft = (mode & 2) != 0;
    options.resultKind = 4104;
    options.resultFormat = ZEPH_FORMAT_MONO_JPEG2000;

    ZephImage images[2];
    const ZephResult r = IsoIrisRecord::parse(record, options, images);
    if (r != 0 && r != IsoIrisRecord::kImageCorrupted)
        fault("unexpected result");
    if (r != 0 && (!isEmpty(images[0]) || !isEmpty(images[1])))
        fault("a corrupted record handed out an image");
    if (options.startAtLeft && !isEmpty(images[0]))
        fault("left start filled the right entry");

    unsigned sum = 0;
    for (const ZephImage &image : images) {
        if (!image.data) {
            if (image.size != 0)
                fault("size without data");
            continue;
        }
        const uint8_t *begin = record.data;
        const uint8_t *end = record.data + record.size;
        if (image.data < begin || image.data > end
            || image.size > static_cast<uint64_t>(end - image.data))
            fault("image outside the record");
        if (image.kind != 24 || image.format != ZEPH_FORMAT_MONO_JPEG2000)
            fault("kind or format not the asked ones");
        for (uint32_t i = 0; i < image.size; ++i)
            sum += image.data[i];
    }
    volatile unsigned keep = sum;
    (void)keep;
    return 0;
}

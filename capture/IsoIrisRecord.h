#ifndef GLINTVIEW_ISOIRISRECORD_H
#define GLINTVIEW_ISOIRISRECORD_H

// The iris images inside an ISO/IEC 19794-6 record as the camera writes it
// (2005 and 2011 editions, one image per eye). Only the fields below are
// read; everything is big-endian and nothing in the record is trusted: each
// count, offset and length is checked in 64-bit arithmetic against the
// record's size before a byte is read.
//
//                      2005 (revision 1)          2011 (revision 2)
//   image count        8-bit at 14                16-bit at 12
//   first block        at 45                      at 16
//   width, height      16-bit at 23, 25 (record)  16-bit at 30, 32 (block)
//   data length        32-bit at 10 (block)       32-bit at 53 (block)
//   data               from 14 (block)            from 57 (block)
//   next block         14 + length further        57 + length further
//
// Every block the count announces must lie wholly inside the record, or the
// record is corrupted (result 21) and no image is handed out. At most two
// images are taken; the rest are checked but ignored.
//
// Plain C++ without Qt, so that the fuzz target can take it as it is.
//
//   ZephImage images[2];
//   IsoIrisRecord::Options o{ctx->isoRevision, ctx->resultKind, ctx->resultFormat,
//                            IsoIrisRecord::startsAtLeft(lastResult, ctx->isoSubtype, binocular)};
//   ZephResult r = IsoIrisRecord::parse(record, o, images);

#include "zeph/zeph.h"

#include <cstdint>

class IsoIrisRecord
{
public:
    static constexpr ZephResult kImageCorrupted = ZEPH_ERR_IMAGE_CORRUPTED;
    static constexpr ZephResult kInvalidParameter = ZEPH_ERR_INVALID_PARAMETER; // revision not 1 or 2

    struct Options {
        int32_t revision = 0;      // 1 = 2005, 2 = 2011
        int32_t resultKind = 0;    // each image gets its compact form
        int32_t resultFormat = 0;  // each image gets this format
        bool startAtLeft = false;  // the first image goes to entry 1 (left)
    };

    // Fills images[0] (right) and images[1] (left); both are zeroed first.
    // The images' data point into record.data, which must outlive them.
    // An image whose data length is 0 stays without data. Returns 0, or
    // kImageCorrupted (no images) for a record that does not hold together,
    // or kInvalidParameter for a revision other than 1 or 2.
    static ZephResult parse(const ZephIsoRecord &record, const Options &options,
                            ZephImage (&images)[2]);

    // Where the first image goes: the left entry when the right eye had no
    // qualified frame (12295), or when only the left eye was asked for on a
    // binocular device.
    static bool startsAtLeft(ZephResult lastResult, int32_t isoSubtype, bool binocular);

    // The kind byte of an image record: 1, 2, 3, 7 stay; the compact K7
    // variants 4103..4106 become 23..26; 0 for a value that is no kind.
    static uint8_t compactKind(int32_t kind);
};

#endif

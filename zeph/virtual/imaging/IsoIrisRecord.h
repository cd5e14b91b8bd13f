// IsoIrisRecord.h - iris image records of the 2005 and 2011 interchange
// editions, one image per eye, all multi-byte fields big-endian.
//
// 2005 (revision 1): 45-byte record header
//   0 "IIR\0"  4 "010\0"  8 record length (32)  12 capture device id (16)
//   14 number of eyes (8)  15 header length 45 (16)  17 image properties (16)
//   19 iris diameter (16)  21 image format (16: 2 raw, 6 JPEG, 14 JPEG 2000)
//   23 width (16)  25 height (16)  27 intensity depth 8  28 transformation 0
//   29 device unique id (16 bytes)
// then per eye a 14-byte block header and the image:
//   0 eye (1 right, 2 left, 0 undefined)  1 image count 1 (16)
//   3 sequence number (16)  5 quality (8)  6 rotation 0xFFFF (16)
//   8 rotation uncertainty 0xFFFF (16)  10 image length (32)  14 image
//
// 2011 (revision 2): 16-byte general header
//   0 "IIR\0"  4 "020\0"  8 record length (32)  12 representations (16)
//   14 certification flag 0  15 number of eyes
// then per eye a 57-byte representation header (one quality block) and the image:
//   0 representation length (32)  4 capture date/time (9: year 16, month,
//   day, hour, minute, second, millisecond 16; all 0xFF unknown)
//   13 device technology 1 (CMOS/CCD)  14 vendor id (16)  16 type id (16)
//   18 quality block count 1  19 quality block: score, algorithm vendor (16),
//   algorithm id (16)  24 representation number (16)  26 eye label
//   27 image type (1, 2, 3, 7)  28 image format (2 raw, 10 JPEG 2000, 14 PNG)
//   29 image properties  30 width (16)  32 height (16)  34 bit depth 8
//   35 range (16, 0 unassigned)  37 roll angle 0xFFFF  39 roll uncertainty 0xFFFF
//   41..47 iris centre smallest/largest x, smallest/largest y (16 each)
//   49 iris diameter smallest, 51 largest (16)  53 image length (32)  57 image
#ifndef ZEPH_IMAGING_ISOIRISRECORD_H
#define ZEPH_IMAGING_ISOIRISRECORD_H

#include <cstdint>
#include <vector>

namespace zeph_imaging {

struct IsoCaptureTime {
    bool known = false;
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    uint16_t millisecond = 0;
};

struct IsoEyeImage {
    uint8_t eyeLabel = 0;          // 0 undefined, 1 right, 2 left
    uint8_t totalScore = 0;        // 0..100
    int width = 0, height = 0;
    float irisX = 0, irisY = 0, irisR = 0;
    bool masked = false;           // areas outside the iris are filled
    bool lossy = false;
    std::vector<uint8_t> data;     // encoded as the record's format says
};

class IsoIrisRecord {
public:
    static constexpr uint16_t kQualityVendor = 0x0047;   // our own quality algorithm
    static constexpr uint16_t kQualityAlgorithm = 0x0001;

    // revision 1 (2005) or 2 (2011); recordFormat is the edition's own code;
    // imageType the kind value (1, 2, 3, 7, or a compact K7 kind, which 2011
    // records as 7). Empty when an image does not fit its fields.
    static std::vector<uint8_t> build(int revision, int recordFormat, int imageType,
                                      const std::vector<IsoEyeImage> &eyes, const IsoCaptureTime &when);
};

} // namespace zeph_imaging

#endif

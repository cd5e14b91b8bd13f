#pragma once
// The JPEG 2000 decoding library: one function that turns a grey JPEG 2000
// frame (a J2K codestream or a JP2 file) into 8-bit grey pixels, decoding
// from memory. It knows nothing of the program; the image records it is
// handed are only passed through.
//
//   ZephImage dst{};                 // destination: a MONO_RAW record
//   dst.format = ZEPH_FORMAT_MONO_RAW;
//   dst.width = 307200;              // capacity of frameBuffer, in bytes
//   dst.data = frameBuffer;
//   int32_t rc = DecompressJp2(&src, &src.format, &src.size, 0, src.data,
//                              &dst, &dst.format, &dst.width, &dst.height, dst.data);
//   // rc 0: dst.width x dst.height grey bytes in frameBuffer, rows top to
//   //       bottom, no padding; dst.format is MONO_RAW.
//   // rc != 0: one of the Jp2Result codes below; the pixels are untouched
//   //       unless the failure came from the decoder itself, and width and
//   //       height keep their values.
//
// Refused: a source format other than MONO_JPEG2000 (10) or CORVANE_JPEG2000
// (138), more than one component, more than 8 bits per sample, subsampled
// components, and any frame of more pixels than the capacity. Safe to call
// from several threads at once on different buffers.

#include <cstdint>

enum Jp2Result : int32_t {
    JP2_OK = 0,
    JP2_INVALID_ARGUMENT = 1, // a null pointer, an empty source, a non-zero reserved argument
    JP2_NOT_JPEG2000 = 2,     // the format byte, or the bytes, are not JPEG 2000
    JP2_DECODE_FAILED = 3,    // the decoder refused the data (damaged or cut short)
    JP2_COLOUR = 4,           // more than one component
    JP2_DEPTH = 5,            // more than 8 bits per sample, or subsampled
    JP2_TOO_LARGE = 6,        // width x height exceeds the capacity
    JP2_NO_MEMORY = 7
};

int32_t DecompressJp2(const void *source, const uint8_t *sourceFormat, const uint32_t *sourceSize,
                      int32_t reserved, const uint8_t *sourceData, void *destination,
                      uint8_t *destinationFormat, uint32_t *destinationWidth, uint32_t *destinationHeight,
                      uint8_t *destinationData);

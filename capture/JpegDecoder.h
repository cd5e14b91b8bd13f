#pragma once
// The preview-frame JPEG decoder: baseline, 8-bit, one grey component.
//
// One instance lives in the application context for the program's life; it
// is prepared once and then decodes every MONO_JPEG frame without allocating:
//
//   JpegDecoder decoder;                               // or initJpegDecoder()
//   int32_t rc = decoder.init(640, 480);               // 0, or 12
//   uint8_t *pixels = frameBuffer;                     // 307200 bytes
//   size_t capacity = 307200;
//   int32_t width = 0, height = 0;
//   rc = decoder.decode(data, size, &pixels, &capacity, &width, &height);
//   // rc 0: width x height grey bytes in frameBuffer, rows top to bottom,
//   //       no padding; capacity == width * height.
//   // rc != 0: one of the JpegResult codes below (texts from ResultText);
//   //       the buffer is unchanged after the failing row; draw nothing.
//
// With *pixels null the decoder allocates width * height bytes with
// std::malloc and hands them over (free them with std::free); on a failure
// after that allocation they are freed again and *pixels/*capacity come back
// as null and 0. With *pixels set, *capacity must hold width * height or the
// call returns 4099 before anything is written.
//
// Not thread-safe: one decoder is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>

// Result codes of the decoder; their values are the SDK's codes.
enum JpegResult : int32_t {
    JPEG_OK = 0,
    JPEG_UNSUPPORTED = 11,        // "Image format unsupported"
    JPEG_NO_MEMORY = 12,          // "Memory allocation failed"
    JPEG_INVALID_PARAMETER = 15,  // "Invalid parameter"
    JPEG_CORRUPTED = 21,          // "Image corrupted"
    JPEG_BUFFER_TOO_SMALL = 4099, // "(Device) Insufficient buffer"
    JPEG_BAD_DATA = 4104,         // "(Device) Bad data"
    JPEG_COMPRESSION = 12297      // "Image compression failed"
};

class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    // Limits below 640 x 480 are raised to it. Allocates every table and
    // buffer the decoder will use. Returns 0 or 12.
    int32_t init(int32_t maxWidth, int32_t maxHeight);

    // See the top of this file. size below 1, or a null data, pixels,
    // capacity, width or height pointer, returns 15; so does a decoder that
    // was never initialised.
    int32_t decode(const uint8_t *data, int64_t size, uint8_t **pixels, size_t *capacity,
                   int32_t *width, int32_t *height);

    // The AVX2 inverse DCT is used where the processor has it; its pixels
    // equal the scalar one's. Returns whether it is used from now on.
    bool setWideInverseDct(bool allowed);

    int32_t maxWidth() const { return m_maxWidth; }
    int32_t maxHeight() const { return m_maxHeight; }

    struct HuffmanTable;

private:
    // Input: the source in 2048-byte chunks, followed by end-of-image pairs.
    void resetInput(const uint8_t *data, int64_t size);
    void refill();
    uint8_t nextByte()
    {
        if (m_inPos == m_inEnd)
            refill();
        return *m_inPos++;
    }
    uint16_t next16();
    void skipBytes(uint32_t count);

    int32_t findStartOfImage();
    int32_t readMarker(uint8_t *marker);
    int32_t readTablesUntil(uint8_t *marker);
    int32_t readHuffmanTables();
    int32_t readQuantTables();
    int32_t readRestartInterval();
    int32_t readFrameHeader(uint8_t marker);
    int32_t readScanHeader();

    // Entropy decoding.
    void fillBits();
    int32_t decodeSlow(const HuffmanTable &table, uint32_t *symbol);
    int32_t processRestart();
    int32_t decodeBlock(uint8_t *out, size_t stride);
    int32_t decodeMcuRow(uint8_t *row, size_t stride);

    int32_t m_maxWidth = 0;
    int32_t m_maxHeight = 0;

    std::unique_ptr<HuffmanTable[]> m_huff; // 0,1 DC; 2,3 AC
    std::unique_ptr<uint8_t[]> m_input;     // 2048 + 128 bytes
    std::unique_ptr<uint8_t[]> m_mcuRow;    // width rounded up to 8, 8 lines
    uint32_t m_quant[64] = {};              // zig-zag order
    bool m_quantDefined = false;

    const uint8_t *m_src = nullptr;
    int64_t m_srcLeft = 0;
    uint8_t *m_inPos = nullptr;
    uint8_t *m_inEnd = nullptr;

    uint64_t m_bits = 0;  // left-aligned
    int32_t m_bitCount = 0;
    uint8_t m_pendingMarker = 0; // a marker met inside the entropy data
    int32_t m_dcPred = 0;
    uint32_t m_restartInterval = 0;
    uint32_t m_restartLeft = 0;
    uint32_t m_nextRestart = 0;

    int32_t m_width = 0;
    int32_t m_height = 0;
    uint8_t m_componentId = 0;
    uint8_t m_dcTable = 0;
    uint8_t m_acTable = 2;
    uint8_t m_spectralStart = 0;
    uint8_t m_spectralEnd = 63;
    bool m_progressive = false;
    bool m_wideIdct = false;

    alignas(16) int32_t m_coef[64] = {};
};

// The same calls as free functions over a decoder state; a null state
// returns 15.
int32_t initJpegDecoder(JpegDecoder *state, int32_t maxWidth, int32_t maxHeight);
int32_t decodeJpeg(JpegDecoder *state, const uint8_t *data, int64_t size, uint8_t **pixels,
                   size_t *capacity, int32_t *width, int32_t *height);

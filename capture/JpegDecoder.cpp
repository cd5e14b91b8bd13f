#include "capture/JpegDecoder.h"

#include "capture/InverseDctKernel.h"
#include "capture/WideInverseDct.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kChunk = 2048;      // bytes taken from the source per refill
constexpr int kEndPairs = 64;     // 0xFF 0xD9 pairs behind the data
constexpr int kStartSearch = 4095;
constexpr int kRestartSearch = 1536;

// Fast-lookup entry: bits 0-4 bits to consume (0 = not in the fast table),
// bit 5 the coefficient value is folded in (bits 16-31, signed), bits 8-15
// the symbol.
constexpr uint32_t kFolded = 1u << 5;

// Zig-zag position -> natural (row-major) position.
constexpr uint8_t kNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Per zig-zag position: its natural position (bits 0-5) and, from bit 8, the
// bit of its row (8-15), the same bit when the position is off the row's
// first column (16-23) and when it lies in the row's right half (24-31).
// The inverse DCT uses the union of the masks to skip empty rows and to drop
// the terms of inputs known to be zero.
struct Places {
    uint32_t entry[64];
    constexpr Places() : entry()
    {
        for (int k = 0; k < 64; ++k) {
            const int row = kNatural[k] >> 3, col = kNatural[k] & 7;
            const uint32_t mask =
                (1u << row) | (col ? (1u << (row + 8)) : 0u) | (col >= 4 ? (1u << (row + 16)) : 0u);
            entry[k] = kNatural[k] | (mask << 8);
        }
    }
};
constexpr Places kPlaces;

inline int32_t extend(uint32_t v, uint32_t size)
{
    // A value of size bits whose top bit is clear is negative.
    int32_t r = static_cast<int32_t>(v);
    if (v < (1u << (size - 1)))
        r -= static_cast<int32_t>((1u << size) - 1);
    return r;
}

} // namespace

struct JpegDecoder::HuffmanTable {
    uint8_t counts[17];  // counts[1..16]
    uint8_t values[256];
    uint16_t total;
    bool dc;
    bool defined;        // by the stream being decoded
    bool built;          // fast/maxCode/valOffset match counts and values
    uint32_t fast[256];
    int32_t maxCode[18]; // largest code of each length, -1 when none
    int32_t valOffset[17];
};

namespace {

bool validSymbol(bool dc, uint32_t sym)
{
    return dc ? sym <= 11 : (sym & 15) <= 10;
}

// Returns false for over-subscribed code counts.
bool buildTable(JpegDecoder::HuffmanTable &t)
{
    std::memset(t.fast, 0, sizeof t.fast);
    uint32_t code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        t.valOffset[len] = k - static_cast<int32_t>(code);
        for (int i = 0; i < t.counts[len]; ++i, ++k, ++code) {
            if (code >= (1u << len))
                return false; // over-subscribed: more codes than this length holds
            if (len > 8)
                continue;
            const uint32_t sym = t.values[k];
            if (!validSymbol(t.dc, sym))
                continue; // left to the slow path, which refuses it
            const uint32_t size = t.dc ? sym : (sym & 15);
            const int spare = 8 - len;
            const uint32_t base = code << spare;
            for (uint32_t j = 0; j < (1u << spare); ++j) {
                uint32_t e = static_cast<uint32_t>(len) | (sym << 8);
                if (size != 0 && len + static_cast<int>(size) <= 8) {
                    const uint32_t extra = (j >> (spare - size)) & ((1u << size) - 1);
                    const int32_t value = extend(extra, size);
                    e = static_cast<uint32_t>(len + static_cast<int>(size)) | kFolded | (sym << 8)
                        | (static_cast<uint32_t>(value) << 16);
                }
                t.fast[base + j] = e;
            }
        }
        t.maxCode[len] = t.counts[len] ? static_cast<int32_t>(code) - 1 : -1;
        code <<= 1;
    }
    t.maxCode[17] = 0x7FFFFFFF;
    return true;
}

inline uint8_t clampPixel(int32_t v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Lanes of the inverse DCT with SSE2: four columns at once.
#if defined(__SSE2__)
struct V4 {
    __m128i v;
};
inline V4 operator+(V4 a, V4 b)
{
    return {_mm_add_epi32(a.v, b.v)};
}
inline V4 operator-(V4 a, V4 b)
{
    return {_mm_sub_epi32(a.v, b.v)};
}
inline V4 operator<<(V4 a, int n)
{
    return {_mm_slli_epi32(a.v, n)};
}
// The low 32 bits of each product, as the scalar lanes compute them.
inline V4 mul(V4 a, uint32_t k)
{
    const __m128i kk = _mm_set1_epi32(static_cast<int>(k));
    const __m128i even = _mm_mul_epu32(a.v, kk);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a.v, 32), kk);
    return {_mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                               _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)))};
}
inline V4 zeroOf(V4)
{
    return {_mm_setzero_si128()};
}
#endif

template <int N>
inline void rowPass(const int32_t *in, uint32_t *w)
{
    uint32_t o[8];
    idct1d<N, uint32_t>(in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7], o);
    // One value at a time: gathering the eight results into vectors would
    // read them back through memory before their stores have landed.
    w[0] = static_cast<uint32_t>(shiftDown(o[0] + kRowRound, 11));
    w[1] = static_cast<uint32_t>(shiftDown(o[1] + kRowRound, 11));
    w[2] = static_cast<uint32_t>(shiftDown(o[2] + kRowRound, 11));
    w[3] = static_cast<uint32_t>(shiftDown(o[3] + kRowRound, 11));
    w[4] = static_cast<uint32_t>(shiftDown(o[4] + kRowRound, 11));
    w[5] = static_cast<uint32_t>(shiftDown(o[5] + kRowRound, 11));
    w[6] = static_cast<uint32_t>(shiftDown(o[6] + kRowRound, 11));
    w[7] = static_cast<uint32_t>(shiftDown(o[7] + kRowRound, 11));
}

#if defined(__SSE2__)
// Eight columns as two groups of four lanes; the packs clamp to 0..255.
template <int N>
inline void columnPass(const uint32_t *ws, uint8_t *out, size_t stride)
{
    const __m128i bias = _mm_set1_epi32(static_cast<int>(kColumnBias));
    __m128i half[2][8];
    for (int h = 0; h < 2; ++h) {
        const uint32_t *w = ws + 4 * h;
        auto row = [w](int r) { return V4{_mm_load_si128(reinterpret_cast<const __m128i *>(w + 8 * r))}; };
        const V4 z{_mm_setzero_si128()};
        V4 o[8];
        idct1d<N, V4>(row(0), row(1), N > 2 ? row(2) : z, N > 2 ? row(3) : z, N > 4 ? row(4) : z,
                      N > 4 ? row(5) : z, N > 4 ? row(6) : z, N > 4 ? row(7) : z, o);
        for (int r = 0; r < 8; ++r)
            half[h][r] = _mm_srai_epi32(_mm_add_epi32(o[r].v, bias), 18);
    }
    for (int r = 0; r < 8; ++r) {
        const __m128i words = _mm_packs_epi32(half[0][r], half[1][r]);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + r * stride), _mm_packus_epi16(words, words));
    }
}

// Only the first row is non-zero: every column is flat.
inline void flatColumns(const uint32_t *ws, uint8_t *out, size_t stride)
{
    const __m128i bias = _mm_set1_epi32(static_cast<int>(kColumnBias));
    const __m128i left = _mm_load_si128(reinterpret_cast<const __m128i *>(ws));
    const __m128i right = _mm_load_si128(reinterpret_cast<const __m128i *>(ws + 4));
    const __m128i l = _mm_srai_epi32(_mm_add_epi32(_mm_slli_epi32(left, 13), bias), 18);
    const __m128i r = _mm_srai_epi32(_mm_add_epi32(_mm_slli_epi32(right, 13), bias), 18);
    const __m128i words = _mm_packs_epi32(l, r);
    const __m128i bytes = _mm_packus_epi16(words, words);
    for (int y = 0; y < 8; ++y)
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + y * stride), bytes);
}
#else
template <int N>
inline void columnPass(const uint32_t *ws, uint8_t *out, size_t stride)
{
    for (int c = 0; c < 8; ++c) {
        const uint32_t *w = ws + c;
        uint32_t o[8];
        idct1d<N, uint32_t>(w[0], w[8], N > 2 ? w[16] : 0, N > 2 ? w[24] : 0, N > 4 ? w[32] : 0,
                            N > 4 ? w[40] : 0, N > 4 ? w[48] : 0, N > 4 ? w[56] : 0, o);
        for (int r = 0; r < 8; ++r)
            out[r * stride + c] = clampPixel(shiftDown(o[r] + kColumnBias, 18));
    }
}

inline void flatColumns(const uint32_t *ws, uint8_t *out, size_t stride)
{
    for (int c = 0; c < 8; ++c) {
        const uint8_t v = clampPixel(shiftDown((ws[c] << 13) + kColumnBias, 18));
        for (int y = 0; y < 8; ++y)
            out[y * stride + c] = v;
    }
}
#endif

// coef: natural order, dequantised. mask: see Places (row 0 is always set).
// wide: hand blocks with more than one row to the AVX2 variant.
void inverseDct(const int32_t *coef, uint32_t mask, uint8_t *out, size_t stride, bool wide)
{
    const uint32_t rows = mask & 0xFF, acRows = (mask >> 8) & 0xFF, rightRows = mask >> 16;
    if (rows == 1 && acRows == 0) {
        // Only the DC coefficient.
        const uint8_t v = clampPixel(shiftDown(static_cast<uint32_t>(coef[0]) + 4u, 3) + 128);
        for (int y = 0; y < 8; ++y)
            std::memset(out + y * stride, v, 8);
        return;
    }
    if (wide && rows != 1) {
        wideInverseDct(coef, mask, out, stride);
        return;
    }

    // Rows past the last non-empty one are never read by the column pass.
    const int used = rows < 4 ? 2 : (rows < 16 ? 4 : 8);
    alignas(16) uint32_t ws[64];
    for (int r = 0; r < used; ++r) {
        const int32_t *in = coef + r * 8;
        uint32_t *w = ws + r * 8;
        const uint32_t bit = 1u << r;
        if (!(rows & bit)) {
            for (int c = 0; c < 8; ++c)
                w[c] = 0;
        } else if (!(acRows & bit)) {
            const uint32_t dc = static_cast<uint32_t>(shiftDown((static_cast<uint32_t>(in[0]) << 13) + kRowRound, 11));
            for (int c = 0; c < 8; ++c)
                w[c] = dc;
        } else if (!(rightRows & bit)) {
            rowPass<4>(in, w);
        } else {
            rowPass<8>(in, w);
        }
    }

    if (rows == 1)
        flatColumns(ws, out, stride);
    else if (used == 2)
        columnPass<2>(ws, out, stride);
    else if (used == 4)
        columnPass<4>(ws, out, stride);
    else
        columnPass<8>(ws, out, stride);
}

} // namespace

JpegDecoder::JpegDecoder() = default;
JpegDecoder::~JpegDecoder() = default;

int32_t JpegDecoder::init(int32_t maxWidth, int32_t maxHeight)
{
    m_maxWidth = maxWidth < 640 ? 640 : (maxWidth > 65535 ? 65535 : maxWidth);
    m_maxHeight = maxHeight < 480 ? 480 : (maxHeight > 65535 ? 65535 : maxHeight);
    const size_t rowBytes = (static_cast<size_t>(m_maxWidth) + 7) / 8 * 8 * 8;
    m_huff.reset(new (std::nothrow) HuffmanTable[4]);
    m_input.reset(new (std::nothrow) uint8_t[kChunk + 2 * kEndPairs]);
    m_mcuRow.reset(new (std::nothrow) uint8_t[rowBytes]);
    if (!m_huff || !m_input || !m_mcuRow) {
        m_huff.reset();
        m_input.reset();
        m_mcuRow.reset();
        m_maxWidth = m_maxHeight = 0;
        return JPEG_NO_MEMORY;
    }
    for (int i = 0; i < 4; ++i) {
        std::memset(&m_huff[i], 0, sizeof(HuffmanTable));
        m_huff[i].dc = i < 2;
    }
    m_wideIdct = wideInverseDctSupported();
    return JPEG_OK;
}

bool JpegDecoder::setWideInverseDct(bool allowed)
{
    m_wideIdct = allowed && wideInverseDctSupported();
    return m_wideIdct;
}

// ---- Input ---------------------------------------------------------------

void JpegDecoder::resetInput(const uint8_t *data, int64_t size)
{
    m_src = data;
    m_srcLeft = size;
    refill();
}

void JpegDecoder::refill()
{
    uint8_t *buf = m_input.get();
    const int n = m_srcLeft < kChunk ? static_cast<int>(m_srcLeft) : kChunk;
    std::memcpy(buf, m_src, static_cast<size_t>(n));
    m_src += n;
    m_srcLeft -= n;
    int end = n;
    if (n < kChunk) {
        // Past the data: end-of-image markers, as many as anyone reads.
        for (int i = 0; i < kEndPairs; ++i) {
            buf[end++] = 0xFF;
            buf[end++] = 0xD9;
        }
    }
    m_inPos = buf;
    m_inEnd = buf + end;
}

uint16_t JpegDecoder::next16()
{
    const uint16_t hi = nextByte();
    return static_cast<uint16_t>((hi << 8) | nextByte());
}

void JpegDecoder::skipBytes(uint32_t count)
{
    while (count > 0) {
        if (m_inPos == m_inEnd)
            refill();
        const uint32_t here = static_cast<uint32_t>(m_inEnd - m_inPos);
        const uint32_t step = here < count ? here : count;
        m_inPos += step;
        count -= step;
    }
}

// ---- Markers -------------------------------------------------------------

int32_t JpegDecoder::findStartOfImage()
{
    uint8_t prev = nextByte();
    uint8_t cur = nextByte();
    if (prev == 0xFF && cur == 0xD8)
        return JPEG_OK;
    for (int searched = 0;; ++searched) {
        if (prev == 0xFF && cur == 0xD9)
            return JPEG_CORRUPTED;
        if (prev == 0xFF && cur == 0xD8)
            break;
        if (searched == kStartSearch)
            return JPEG_CORRUPTED;
        prev = cur;
        cur = nextByte();
    }
    // Found by searching: a marker must follow at once.
    if (m_inPos == m_inEnd)
        refill();
    return *m_inPos == 0xFF ? JPEG_OK : JPEG_CORRUPTED;
}

int32_t JpegDecoder::readMarker(uint8_t *marker)
{
    uint8_t b = nextByte();
    if (b != 0xFF)
        return JPEG_BAD_DATA;
    do
        b = nextByte();
    while (b == 0xFF);
    if (b == 0)
        return JPEG_BAD_DATA;
    *marker = b;
    return JPEG_OK;
}

// Reads table and other segments; stops at a frame header, SOI, EOI or SOS
// and hands that marker back.
int32_t JpegDecoder::readTablesUntil(uint8_t *marker)
{
    for (;;) {
        int32_t rc = readMarker(marker);
        if (rc)
            return rc;
        const uint8_t m = *marker;
        if (m == 0xC4)
            rc = readHuffmanTables();
        else if (m == 0xDB)
            rc = readQuantTables();
        else if (m == 0xDD)
            rc = readRestartInterval();
        else if (m == 0x01 || m == 0xC8 || m == 0xCC || (m >= 0xD0 && m <= 0xD7))
            return JPEG_UNSUPPORTED;
        else if ((m >= 0xC0 && m <= 0xCF) || m == 0xD8 || m == 0xD9 || m == 0xDA)
            return JPEG_OK;
        else {
            const uint16_t len = next16();
            if (len < 2)
                return JPEG_BAD_DATA;
            skipBytes(len - 2u);
        }
        if (rc)
            return rc;
    }
}

int32_t JpegDecoder::readHuffmanTables()
{
    int32_t left = static_cast<int32_t>(next16()) - 2;
    if (left < 0)
        return JPEG_BAD_DATA;
    while (left > 0) {
        if (left < 17)
            return JPEG_BAD_DATA;
        const uint8_t id = nextByte();
        const uint8_t cls = id >> 4, index = id & 15;
        if (cls > 1 || index > 1)
            return JPEG_BAD_DATA;
        HuffmanTable &t = m_huff[cls == 0 ? index : index + 2];
        uint8_t counts[17] = {};
        int total = 0;
        for (int len = 1; len <= 16; ++len) {
            counts[len] = nextByte();
            total += counts[len];
        }
        left -= 17;
        if (total > 255 || total > left)
            return JPEG_BAD_DATA;
        uint8_t values[256];
        for (int i = 0; i < total; ++i)
            values[i] = nextByte();
        left -= total;

        // A camera sends the same tables with every frame: build them once.
        const bool same = t.built && t.total == total && std::memcmp(t.counts, counts, sizeof counts) == 0
                          && std::memcmp(t.values, values, static_cast<size_t>(total)) == 0;
        if (!same) {
            std::memcpy(t.counts, counts, sizeof counts);
            std::memcpy(t.values, values, static_cast<size_t>(total));
            t.total = static_cast<uint16_t>(total);
            t.built = buildTable(t);
            if (!t.built)
                return JPEG_BAD_DATA;
        }
        t.defined = true;
    }
    return JPEG_OK;
}

int32_t JpegDecoder::readQuantTables()
{
    int32_t left = static_cast<int32_t>(next16()) - 2;
    if (left < 0)
        return JPEG_BAD_DATA;
    while (left > 0) {
        const uint8_t id = nextByte();
        --left;
        if ((id & 15) != 0)
            return JPEG_UNSUPPORTED;
        const int precision = id >> 4;
        if (precision > 1)
            return JPEG_BAD_DATA;
        const int need = precision ? 128 : 64;
        if (left < need)
            return JPEG_BAD_DATA;
        for (int k = 0; k < 64; ++k)
            m_quant[k] = precision ? next16() : nextByte();
        left -= need;
        m_quantDefined = true;
    }
    return JPEG_OK;
}

int32_t JpegDecoder::readRestartInterval()
{
    if (next16() != 4)
        return JPEG_BAD_DATA;
    m_restartInterval = next16();
    return JPEG_OK;
}

int32_t JpegDecoder::readFrameHeader(uint8_t marker)
{
    if (marker == 0xC2)
        m_progressive = true;
    else if (marker != 0xC0 && marker != 0xC1)
        return JPEG_UNSUPPORTED;
    const uint16_t len = next16();
    const uint8_t precision = nextByte();
    const int32_t height = next16();
    const int32_t width = next16();
    const uint8_t components = nextByte();
    if (precision != 8 || height < 1 || height > m_maxHeight || width < 1 || width > m_maxWidth
        || components != 1)
        return JPEG_UNSUPPORTED;
    m_componentId = nextByte();
    const uint8_t sampling = nextByte();
    const uint8_t quant = nextByte();
    if (sampling != 0x11 || quant != 0)
        return JPEG_UNSUPPORTED;
    if (len != 11)
        return JPEG_BAD_DATA;
    m_width = width;
    m_height = height;
    return JPEG_OK;
}

int32_t JpegDecoder::readScanHeader()
{
    const uint16_t len = next16();
    const uint8_t components = nextByte();
    if (components != 1)
        return JPEG_UNSUPPORTED;
    const uint8_t id = nextByte();
    const uint8_t tables = nextByte();
    m_spectralStart = nextByte();
    m_spectralEnd = nextByte();
    nextByte(); // successive approximation: nothing to do in a sequential scan
    if (len != 8 || id != m_componentId)
        return JPEG_BAD_DATA;
    const uint8_t dc = tables >> 4, ac = tables & 15;
    if (dc > 1 || ac > 1)
        return JPEG_BAD_DATA;
    m_dcTable = dc;
    m_acTable = static_cast<uint8_t>(ac + 2);
    if (!m_huff[m_dcTable].defined || !m_huff[m_acTable].defined || !m_quantDefined)
        return JPEG_BAD_DATA;
    return JPEG_OK;
}

// ---- Entropy decoding ----------------------------------------------------

void JpegDecoder::fillBits()
{
    while (m_bitCount <= 56) {
        uint64_t b = 0;
        if (!m_pendingMarker) {
            b = nextByte();
            if (b == 0xFF) {
                uint8_t next;
                do
                    next = nextByte();
                while (next == 0xFF);
                if (next != 0) {
                    // A marker ends the data: zeros from here on.
                    m_pendingMarker = next;
                    b = 0;
                }
            }
        }
        m_bits |= b << (56 - m_bitCount);
        m_bitCount += 8;
    }
}

int32_t JpegDecoder::decodeSlow(const HuffmanTable &t, uint32_t *symbol)
{
    // At least 16 bits are in the buffer. The fast lookup failed, so the
    // code is longer than 8 bits, or a short code with a symbol the lookup
    // leaves out; try the long lengths first.
    for (int i = 0; i < 16; ++i) {
        const int len = i < 8 ? i + 9 : i - 7;
        const int32_t code = static_cast<int32_t>(m_bits >> (64 - len));
        if (code <= t.maxCode[len]) {
            const int32_t index = t.valOffset[len] + code;
            if (index < 0 || index >= t.total)
                return JPEG_BAD_DATA;
            m_bits <<= len;
            m_bitCount -= len;
            *symbol = t.values[index];
            return JPEG_OK;
        }
    }
    return JPEG_BAD_DATA; // no code matches
}

int32_t JpegDecoder::processRestart()
{
    m_bits = 0;
    m_bitCount = 0;
    uint8_t marker = m_pendingMarker;
    m_pendingMarker = 0;
    for (int i = 0; !marker && i < kRestartSearch; ++i) {
        if (nextByte() != 0xFF)
            continue;
        uint8_t b;
        do
            b = nextByte();
        while (b == 0xFF);
        marker = b;
    }
    if (marker != 0xD0 + m_nextRestart)
        return JPEG_BAD_DATA;
    m_nextRestart = (m_nextRestart + 1) & 7;
    m_dcPred = 0;
    m_restartLeft = m_restartInterval;
    return JPEG_OK;
}

int32_t JpegDecoder::decodeBlock(uint8_t *out, size_t stride)
{
    const HuffmanTable &dc = m_huff[m_dcTable];
    const HuffmanTable &ac = m_huff[m_acTable];
    int32_t *coef = m_coef;

    // The bit buffer and the input cursor live in registers for the block;
    // a 0xFF byte, the end of a chunk or a marker takes the member path.
    uint64_t bits = m_bits;
    int32_t count = m_bitCount;
    const uint8_t *pos = m_inPos;
    const uint8_t *end = m_pendingMarker ? pos : m_inEnd;
    auto store = [&] {
        m_bits = bits;
        m_bitCount = count;
        m_inPos = const_cast<uint8_t *>(pos);
    };
    auto load = [&] {
        bits = m_bits;
        count = m_bitCount;
        pos = m_inPos;
        end = m_pendingMarker ? pos : m_inEnd;
    };
    // Tops the buffer up to more than 56 bits. Eight bytes without a 0xFF
    // go in with one load; anything else takes the byte-wise member path.
    auto refill = [&] {
        if (end - pos >= 8) {
            uint64_t word;
            std::memcpy(&word, pos, 8);
            const uint64_t inverted = ~word;
            const bool hasFF = ((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) != 0;
            if (!hasFF) {
                const int take = (63 - count) >> 3; // whole bytes that fit
                const uint64_t bytes = __builtin_bswap64(word) >> (64 - 8 * take);
                bits |= bytes << (64 - 8 * take - count);
                pos += take;
                count += 8 * take;
                return;
            }
        }
        store();
        fillBits();
        load();
    };
    auto consume = [&](int n) {
        bits <<= n;
        count -= n;
    };
    auto slow = [&](const HuffmanTable &t, uint32_t *symbol) {
        store();
        const int32_t rc = decodeSlow(t, symbol);
        load();
        return rc;
    };

    // DC difference.
    if (count < 16)
        refill();
    uint32_t e = dc.fast[bits >> 56];
    int32_t diff;
    if (e & kFolded) {
        consume(static_cast<int>(e & 31));
        diff = static_cast<int32_t>(e) >> 16;
    } else {
        uint32_t sz;
        if (e) {
            consume(static_cast<int>(e & 31));
            sz = (e >> 8) & 255;
        } else {
            if (const int32_t rc = slow(dc, &sz))
                return rc;
            if (sz > 11)
                return JPEG_BAD_DATA;
        }
        diff = 0;
        if (sz) {
            if (count < static_cast<int32_t>(sz))
                refill();
            const uint32_t v = static_cast<uint32_t>(bits >> (64 - sz));
            consume(static_cast<int>(sz));
            diff = extend(v, sz);
        }
    }
    m_dcPred = static_cast<int32_t>(static_cast<uint32_t>(m_dcPred) + static_cast<uint32_t>(diff));
    coef[0] = static_cast<int32_t>(static_cast<uint32_t>(m_dcPred) * m_quant[0]);

    // AC coefficients in zig-zag order.
    const uint32_t *quant = m_quant;
    uint32_t mask = 1;
    for (int k = 1; k < 64;) {
        if (count < 16)
            refill();
        e = ac.fast[bits >> 56];
        if (e & kFolded) {
            consume(static_cast<int>(e & 31));
            k += static_cast<int>((e >> 12) & 15);
            if (k > 63)
                return JPEG_COMPRESSION;
            const uint32_t place = kPlaces.entry[k];
            coef[place & 63] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(e) >> 16) * quant[k]);
            mask |= place >> 8;
            ++k;
            continue;
        }
        uint32_t sym;
        if (e) {
            consume(static_cast<int>(e & 31));
            sym = (e >> 8) & 255;
        } else {
            if (const int32_t rc = slow(ac, &sym))
                return rc;
            if ((sym & 15) > 10)
                return JPEG_BAD_DATA;
        }
        const uint32_t run = sym >> 4, size = sym & 15;
        if (size == 0) {
            if (run != 15)
                break; // end of block
            k += 16;
            if (k > 64)
                return JPEG_COMPRESSION;
            continue;
        }
        k += static_cast<int>(run);
        if (k > 63)
            return JPEG_COMPRESSION;
        if (count < static_cast<int32_t>(size))
            refill();
        const uint32_t v = static_cast<uint32_t>(bits >> (64 - size));
        consume(static_cast<int>(size));
        const uint32_t place = kPlaces.entry[k];
        coef[place & 63] = static_cast<int32_t>(static_cast<uint32_t>(extend(v, size)) * quant[k]);
        mask |= place >> 8;
        ++k;
    }
    store();

    inverseDct(coef, mask, out, stride, m_wideIdct);

    // Leave the block zeroed for the next one: only the rows that were used.
    const uint32_t rows = mask & 0xFF;
    for (int r = 0; r < 8; ++r)
        if (rows & (1u << r))
            std::memset(coef + r * 8, 0, 8 * sizeof(int32_t));
    return JPEG_OK;
}

// Decodes width / 8 (rounded up) blocks side by side into row.
int32_t JpegDecoder::decodeMcuRow(uint8_t *row, size_t stride)
{
    const int blocks = (m_width + 7) / 8;
    for (int b = 0; b < blocks; ++b) {
        if (m_restartInterval) {
            if (m_restartLeft == 0)
                if (const int32_t rc = processRestart())
                    return rc;
            --m_restartLeft;
        }
        if (const int32_t rc = decodeBlock(row + b * 8, stride)) {
            // A block cut short keeps what it had placed; the next frame
            // must start from a zero block.
            std::memset(m_coef, 0, sizeof m_coef);
            return rc;
        }
    }
    return JPEG_OK;
}

int32_t JpegDecoder::decode(const uint8_t *data, int64_t size, uint8_t **pixels, size_t *capacity,
                            int32_t *width, int32_t *height)
{
    if (!data || size < 1 || !pixels || !capacity || !width || !height || !m_input)
        return JPEG_INVALID_PARAMETER;

    for (int i = 0; i < 4; ++i)
        m_huff[i].defined = false;
    m_quantDefined = false;
    m_restartInterval = 0;
    m_progressive = false;
    m_pendingMarker = 0;
    resetInput(data, size);

    int32_t rc = findStartOfImage();
    if (rc)
        return rc;
    uint8_t marker = 0;
    if ((rc = readTablesUntil(&marker)))
        return rc;
    if ((rc = readFrameHeader(marker)))
        return rc;

    const size_t frameBytes = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
    if (*pixels && *capacity < frameBytes)
        return JPEG_BUFFER_TOO_SMALL;
    *width = m_width;
    *height = m_height;
    if (m_progressive)
        return JPEG_UNSUPPORTED;

    if ((rc = readTablesUntil(&marker)))
        return rc;
    if (marker != 0xDA)
        return JPEG_BAD_DATA;
    if ((rc = readScanHeader()))
        return rc;

    m_bits = 0;
    m_bitCount = 0;
    fillBits();
    m_dcPred = 0;
    m_restartLeft = m_restartInterval;
    m_nextRestart = 0;

    const bool owned = *pixels == nullptr;
    if (owned) {
        *pixels = static_cast<uint8_t *>(std::malloc(frameBytes));
        if (!*pixels) {
            *capacity = 0;
            return JPEG_NO_MEMORY;
        }
    }
    *capacity = frameBytes;

    uint8_t *out = *pixels;
    const size_t width8 = static_cast<size_t>(m_width + 7) / 8 * 8;
    const bool direct = (m_width & 7) == 0;
    for (int32_t y = 0; y < m_height && rc == JPEG_OK; y += 8) {
        const int32_t lines = m_height - y < 8 ? m_height - y : 8;
        uint8_t *dst = out + static_cast<size_t>(y) * static_cast<size_t>(m_width);
        if (direct && lines == 8) {
            // Whole blocks land straight in the caller's rows.
            rc = decodeMcuRow(dst, static_cast<size_t>(m_width));
            continue;
        }
        rc = decodeMcuRow(m_mcuRow.get(), width8);
        if (rc)
            break;
        for (int32_t l = 0; l < lines; ++l)
            std::memcpy(dst + static_cast<size_t>(l) * static_cast<size_t>(m_width),
                        m_mcuRow.get() + static_cast<size_t>(l) * width8, static_cast<size_t>(m_width));
    }
    if (rc && owned) {
        std::free(*pixels);
        *pixels = nullptr;
        *capacity = 0;
    }
    return rc;
}

int32_t initJpegDecoder(JpegDecoder *state, int32_t maxWidth, int32_t maxHeight)
{
    return state ? state->init(maxWidth, maxHeight) : JPEG_INVALID_PARAMETER;
}

int32_t decodeJpeg(JpegDecoder *state, const uint8_t *data, int64_t size, uint8_t **pixels,
                   size_t *capacity, int32_t *width, int32_t *height)
{
    return state ? state->decode(data, size, pixels, capacity, width, height) : JPEG_INVALID_PARAMETER;
}

#include "capture/WideInverseDct.h"

// Only this file is built for AVX2, and only its own functions: the
// instruction set is switched on after the library headers, so nothing
// shared with the rest of the program is compiled with it.
#if defined(__x86_64__) || defined(__i386__)
#define GLINT_WIDE_IDCT 1
#include <immintrin.h>
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include "capture/InverseDctKernel.h"

namespace {

struct V8 {
    __m256i v;
};
inline V8 operator+(V8 a, V8 b)
{
    return {_mm256_add_epi32(a.v, b.v)};
}
inline V8 operator-(V8 a, V8 b)
{
    return {_mm256_sub_epi32(a.v, b.v)};
}
inline V8 operator<<(V8 a, int n)
{
    return {_mm256_slli_epi32(a.v, n)};
}
inline V8 mul(V8 a, uint32_t k)
{
    return {_mm256_mullo_epi32(a.v, _mm256_set1_epi32(static_cast<int>(k)))};
}
inline V8 zeroOf(V8)
{
    return {_mm256_setzero_si256()};
}

// Eight registers, written out so that they stay in registers.
struct Block {
    V8 r0, r1, r2, r3, r4, r5, r6, r7;
};

// Register i lane j becomes register j lane i.
inline Block transpose(const Block &b)
{
    const __m256i t0 = _mm256_unpacklo_epi32(b.r0.v, b.r1.v), t1 = _mm256_unpackhi_epi32(b.r0.v, b.r1.v);
    const __m256i t2 = _mm256_unpacklo_epi32(b.r2.v, b.r3.v), t3 = _mm256_unpackhi_epi32(b.r2.v, b.r3.v);
    const __m256i t4 = _mm256_unpacklo_epi32(b.r4.v, b.r5.v), t5 = _mm256_unpackhi_epi32(b.r4.v, b.r5.v);
    const __m256i t6 = _mm256_unpacklo_epi32(b.r6.v, b.r7.v), t7 = _mm256_unpackhi_epi32(b.r6.v, b.r7.v);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    return {{_mm256_permute2x128_si256(u0, u4, 0x20)}, {_mm256_permute2x128_si256(u1, u5, 0x20)},
            {_mm256_permute2x128_si256(u2, u6, 0x20)}, {_mm256_permute2x128_si256(u3, u7, 0x20)},
            {_mm256_permute2x128_si256(u0, u4, 0x31)}, {_mm256_permute2x128_si256(u1, u5, 0x31)},
            {_mm256_permute2x128_si256(u2, u6, 0x31)}, {_mm256_permute2x128_si256(u3, u7, 0x31)}};
}

// N: how many leading inputs may be non-zero. Each output gets bias added
// and is shifted right by Shift.
template <int N, int Shift>
inline Block pass(const Block &b, uint32_t bias)
{
    const V8 z = zeroOf(b.r0);
    V8 o[8];
    idct1d<N, V8>(b.r0, b.r1, N > 2 ? b.r2 : z, N > 2 ? b.r3 : z, N > 4 ? b.r4 : z, N > 4 ? b.r5 : z,
                  N > 4 ? b.r6 : z, N > 4 ? b.r7 : z, o);
    const __m256i k = _mm256_set1_epi32(static_cast<int>(bias));
    auto down = [k](V8 v) { return V8{_mm256_srai_epi32(_mm256_add_epi32(v.v, k), Shift)}; };
    return {down(o[0]), down(o[1]), down(o[2]), down(o[3]), down(o[4]), down(o[5]), down(o[6]), down(o[7])};
}

inline void storeRow(V8 p, uint8_t *out)
{
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(p.v), _mm256_extracti128_si256(p.v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(words, words));
}

template <int RowN, int ColumnN>
inline void transform(const int32_t *coef, uint8_t *out, size_t stride)
{
    auto row = [coef](int r) {
        return V8{r < ColumnN ? _mm256_loadu_si256(reinterpret_cast<const __m256i *>(coef + 8 * r))
                              : _mm256_setzero_si256()};
    };
    const Block in{row(0), row(1), row(2), row(3), row(4), row(5), row(6), row(7)};
    // Rows first, one row per lane; then columns, one column per lane.
    const Block ws = transpose(pass<RowN, 11>(transpose(in), kRowRound));
    const Block px = pass<ColumnN, 18>(ws, kColumnBias);
    storeRow(px.r0, out);
    storeRow(px.r1, out + stride);
    storeRow(px.r2, out + 2 * stride);
    storeRow(px.r3, out + 3 * stride);
    storeRow(px.r4, out + 4 * stride);
    storeRow(px.r5, out + 5 * stride);
    storeRow(px.r6, out + 6 * stride);
    storeRow(px.r7, out + 7 * stride);
}

template <int RowN>
inline void transformRows(const int32_t *coef, uint32_t rows, uint8_t *out, size_t stride)
{
    // Rows past the last non-empty one are zero and stay zero.
    if (rows < 4)
        transform<RowN, 2>(coef, out, stride);
    else if (rows < 16)
        transform<RowN, 4>(coef, out, stride);
    else
        transform<RowN, 8>(coef, out, stride);
}

} // namespace

void wideInverseDct(const int32_t *coef, uint32_t mask, uint8_t *out, size_t stride)
{
    const uint32_t rows = mask & 0xFF, acRows = (mask >> 8) & 0xFF, rightRows = mask >> 16;
    if (rightRows)
        transformRows<8>(coef, rows, out, stride);
    else if (acRows)
        transformRows<4>(coef, rows, out, stride);
    else
        transformRows<2>(coef, rows, out, stride);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool wideInverseDctSupported()
{
    return __builtin_cpu_supports("avx2");
}

#else

void wideInverseDct(const int32_t *, uint32_t, uint8_t *, size_t) {}

bool wideInverseDctSupported()
{
    return false;
}

#endif

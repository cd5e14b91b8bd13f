#pragma once
// The arithmetic of the accurate integer inverse DCT, shared by the scalar
// decoder and its AVX2 variant (WideInverseDct.cpp). Everything here has
// internal linkage: each file that includes it gets its own copy, built for
// that file's instruction set, so no AVX2 code can stand in for the scalar
// copy at link time.

#include <cstdint>

namespace {

// The accurate integer inverse DCT: 13-bit constants, rows first (rounded,
// shifted by 11), then columns (level shift and rounding, shifted by 18).
// Arithmetic runs in unsigned 32 bits so that a hostile stream wraps instead
// of overflowing; well-formed streams never come near the limits.
constexpr uint32_t F0_298631336 = 2446, F0_390180644 = 3196, F0_541196100 = 4433,
                   F0_765366865 = 6270, F0_899976223 = 7373, F1_175875602 = 9633,
                   F1_501321110 = 12299, F1_847759065 = 15137, F1_961570560 = 16069,
                   F2_053119869 = 16819, F2_562915447 = 20995, F3_072711026 = 25172;

// The scalar lane; the vector variants bring their own mul and zeroOf.
inline uint32_t mul(uint32_t a, uint32_t k)
{
    return a * k;
}
inline uint32_t zeroOf(uint32_t)
{
    return 0;
}

// One 8-point inverse DCT (Loeffler, Ligtenberg and Moschytz, 13-bit
// constants). N: how many leading inputs may be non-zero (2, 4 or 8); the
// others are known to be zero and their terms are left out, which gives the
// same results in fewer operations.
template <int N, typename T>
inline void idct1d(T i0, T i1, T i2, T i3, T i4, T i5, T i6, T i7, T o[8])
{
    const T zero = zeroOf(i0);
    // Even part.
    T t0, t1, t2, t3;
    if (N > 4) {
        const T z1 = mul(i2 + i6, F0_541196100);
        t2 = z1 - mul(i6, F1_847759065);
        t3 = z1 + mul(i2, F0_765366865);
        t0 = (i0 + i4) << 13;
        t1 = (i0 - i4) << 13;
    } else if (N > 2) {
        t2 = mul(i2, F0_541196100);
        t3 = t2 + mul(i2, F0_765366865);
        t0 = t1 = i0 << 13;
    } else {
        t2 = t3 = zero;
        t0 = t1 = i0 << 13;
    }
    const T t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;

    // Odd part.
    T a0, a1, a2, a3;
    if (N > 4) {
        const T z5 = mul(i7 + i3 + i5 + i1, F1_175875602);
        const T z1 = mul(i7 + i1, 0u - F0_899976223);
        const T z2 = mul(i5 + i3, 0u - F2_562915447);
        const T z3 = mul(i7 + i3, 0u - F1_961570560) + z5;
        const T z4 = mul(i5 + i1, 0u - F0_390180644) + z5;
        a0 = mul(i7, F0_298631336) + z1 + z3;
        a1 = mul(i5, F2_053119869) + z2 + z4;
        a2 = mul(i3, F3_072711026) + z2 + z3;
        a3 = mul(i1, F1_501321110) + z1 + z4;
    } else if (N > 2) {
        const T z5 = mul(i3 + i1, F1_175875602);
        const T z1 = mul(i1, 0u - F0_899976223);
        const T z2 = mul(i3, 0u - F2_562915447);
        const T z3 = mul(i3, 0u - F1_961570560) + z5;
        const T z4 = mul(i1, 0u - F0_390180644) + z5;
        a0 = z1 + z3;
        a1 = z2 + z4;
        a2 = mul(i3, F3_072711026) + z2 + z3;
        a3 = mul(i1, F1_501321110) + z1 + z4;
    } else {
        const T z5 = mul(i1, F1_175875602);
        const T z1 = mul(i1, 0u - F0_899976223);
        const T z4 = mul(i1, 0u - F0_390180644) + z5;
        a0 = z1 + z5;
        a1 = z4;
        a2 = z5;
        a3 = mul(i1, F1_501321110) + z1 + z4;
    }

    o[0] = t10 + a3;
    o[7] = t10 - a3;
    o[1] = t11 + a2;
    o[6] = t11 - a2;
    o[2] = t12 + a1;
    o[5] = t12 - a1;
    o[3] = t13 + a0;
    o[4] = t13 - a0;
}

inline int32_t shiftDown(uint32_t v, int n)
{
    return static_cast<int32_t>(v) >> n;
}

constexpr uint32_t kRowRound = 1u << 10;
constexpr uint32_t kColumnBias = (128u << 18) + (1u << 17);

} // namespace

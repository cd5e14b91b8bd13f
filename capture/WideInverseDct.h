#pragma once
// The inverse DCT of one block on eight lanes at once, with AVX2. Its
// results equal the scalar inverse DCT's bit for bit; the decoder calls it
// only on processors that have AVX2 (see wideInverseDctSupported()).

#include <cstddef>
#include <cstdint>

// coef: 64 dequantised coefficients in natural order; mask: the decoder's
// row masks (rows present in bits 0-7, rows with AC terms in bits 8-15,
// rows with terms in their right half in bits 16-23). Writes 8 x 8 pixels.
void wideInverseDct(const int32_t *coef, uint32_t mask, uint8_t *out, size_t stride);

// Whether this build has the AVX2 variant and this processor can run it.
bool wideInverseDctSupported();

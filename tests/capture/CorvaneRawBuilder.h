#pragma once
// CORVANE_RAW containers as the camera lays them out: little-endian fields,
// the rest of the header 0x11, then pixels.

#include <cstdint>
#include <vector>

namespace corvanetest {

using Bytes = std::vector<uint8_t>;

inline void putLe32(Bytes &b, size_t at, uint32_t v)
{
    if (b.size() < at + 4)
        b.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// `extra` pixels more (or fewer) than the container claims.
inline Bytes container(bool extended, uint32_t blockLength, uint32_t w, uint32_t h, long extra = 0)
{
    Bytes b(12 + blockLength, 0x11);
    b[0] = extended ? 0xFF : 0x01;
    putLe32(b, 8, blockLength);
    size_t at = 12 + blockLength + (extended ? 4 : 0);
    putLe32(b, at, w);
    putLe32(b, at + 4, h);
    at += 8 + (extended ? 32 : 0);
    b.resize(at, 0x11);
    const long pixels = static_cast<long>(static_cast<uint64_t>(w) * h) + extra;
    for (long i = 0; i < pixels; ++i)
        b.push_back(static_cast<uint8_t>(i * 7 + 3));
    return b;
}

} // namespace corvanetest

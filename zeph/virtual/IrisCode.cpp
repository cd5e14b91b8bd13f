#include "IrisCode.h"

namespace zvc {
namespace {

// splitmix64: small, fast and good enough to stand in for iris texture.
uint64_t nextRandom(uint64_t &state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t mix(uint64_t a, uint64_t b)
{
    uint64_t state = a ^ (b * 0xD6E8FEB86659FD93ull);
    return nextRandom(state);
}

// Exactly `count` distinct bits of a word, so that every word of a capture
// carries the same amount of noise: distances then spread only as much as
// the overlap of two captures' noise does, not as a coin toss per bit.
uint64_t flipPattern(uint64_t &state, int count)
{
    uint8_t order[64];
    for (int i = 0; i < 64; ++i)
        order[i] = static_cast<uint8_t>(i);
    uint64_t pattern = 0;
    for (int i = 0; i < count; ++i) {
        const int j = i + static_cast<int>(nextRandom(state) % static_cast<uint64_t>(64 - i));
        const uint8_t t = order[i];
        order[i] = order[j];
        order[j] = t;
        pattern |= 1ull << order[i];
    }
    return pattern;
}

} // namespace

IrisCode::Noise IrisCode::noiseOf(Presentation presentation)
{
    // Against a sharp enrolment (4 flips a word) these land at a fractional
    // Hamming distance near 0.11 (sharp) and 0.30 (the poor presentations);
    // see IrisMatcher for what that means on the distance scale.
    switch (presentation) {
    case Presentation::Sharp:
        return {4, 0};
    case Presentation::Blurred:
        return {17, 0};
    case Presentation::HalfClosed:
        return {17, 7}; // the upper lid hides seven of sixteen rows
    case Presentation::LookingAside:
        return {18, 3}; // the far side of the iris is foreshortened away
    }
    return {32, kWords - 1};
}

IrisCode IrisCode::ofEye(uint64_t subjectSeed, int physicalEye)
{
    uint64_t state = mix(subjectSeed, static_cast<uint64_t>(physicalEye) + 0x51u);
    Words bits;
    for (int w = 0; w < kWords; ++w)
        bits[w] = nextRandom(state);
    return IrisCode(bits, kAllRows);
}

IrisCode IrisCode::capture(uint64_t subjectSeed, int physicalEye, Presentation presentation,
                           uint64_t noiseSeed)
{
    IrisCode code = ofEye(subjectSeed, physicalEye);
    const Noise noise = noiseOf(presentation);
    uint64_t state = mix(mix(subjectSeed, noiseSeed), static_cast<uint64_t>(physicalEye));
    for (int w = 0; w < kWords; ++w)
        code.bits_[w] ^= flipPattern(state, noise.flipsPerWord);
    // Hidden rows are the top ones; their bits still hold noise, unread.
    for (int w = 0; w < noise.maskedWords && w < kWords; ++w)
        code.rows_ = static_cast<uint16_t>(code.rows_ & ~(1u << w));
    return code;
}

} // namespace zvc

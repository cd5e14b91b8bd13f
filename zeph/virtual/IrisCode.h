// One eye's template: a packed bit code and a mask of the bits that could
// be read (1 = usable). The code of an eye comes from its identity (a seed);
// a capture adds noise that grows as the eye is presented worse, and masks
// what an eyelid or a turned gaze hides.
#ifndef ZEPH_VIRTUAL_IRISCODE_H
#define ZEPH_VIRTUAL_IRISCODE_H

#include <array>
#include <cstdint>

namespace zvc {

enum class Presentation : uint8_t { Sharp = 0, Blurred = 1, HalfClosed = 2, LookingAside = 3 };

class IrisCode {
public:
    static constexpr int kWords = 16;             // 1024 bits of code, as many of mask
    static constexpr int kBits = kWords * 64;
    static constexpr int kEncodedSize = 2 * kWords * 8;

    using Words = std::array<uint64_t, kWords>;

    IrisCode() { bits_.fill(0); mask_.fill(0); }
    IrisCode(const Words &bits, const Words &mask) : bits_(bits), mask_(mask) {}

    // The noise-free code of one physical eye (1 right, 2 left) of a subject.
    static IrisCode ofEye(uint64_t subjectSeed, int physicalEye);
    // A capture of that eye: the same seeds give the same code, bit for bit.
    static IrisCode capture(uint64_t subjectSeed, int physicalEye, Presentation presentation,
                            uint64_t noiseSeed);

    // Bits flipped per 64-bit word and words masked out for a presentation.
    struct Noise {
        int flipsPerWord;
        int maskedWords;
    };
    static Noise noiseOf(Presentation presentation);

    const Words &bits() const { return bits_; }
    const Words &mask() const { return mask_; }
    int usableBits() const;

    bool operator==(const IrisCode &o) const { return bits_ == o.bits_ && mask_ == o.mask_; }
    bool operator!=(const IrisCode &o) const { return !(*this == o); }

private:
    Words bits_;
    Words mask_;
};

} // namespace zvc

#endif

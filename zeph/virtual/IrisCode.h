// One eye's template: a packed bit code of 16 rows of 64 bits (the iris
// unwrapped from pupil to the outer edge) and a mask of the rows that could
// be read (bit r set = row r usable). An eyelid or a turned gaze hides whole
// rows, so a row mask says all a capture knows and keeps a template at 130
// bytes, which is what lets 1:N stay fast at 100,000 enrollees.
// The code of an eye comes from its identity (a seed); a capture adds noise
// that grows as the eye is presented worse, and masks the rows it hides.
#ifndef ZEPH_VIRTUAL_IRISCODE_H
#define ZEPH_VIRTUAL_IRISCODE_H

#include <array>
#include <cstdint>

namespace zvc {

enum class Presentation : uint8_t { Sharp = 0, Blurred = 1, HalfClosed = 2, LookingAside = 3 };

class IrisCode {
public:
    static constexpr int kWords = 16; // rows of 64 bits: 1024 bits of code
    static constexpr int kBits = kWords * 64;
    static constexpr uint16_t kAllRows = 0xFFFF;
    static constexpr int kEncodedSize = kWords * 8 + 2;

    using Words = std::array<uint64_t, kWords>;

    IrisCode() { bits_.fill(0); }
    IrisCode(const Words &bits, uint16_t rows) : bits_(bits), rows_(rows) {}

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
    uint16_t rows() const { return rows_; }
    int usableBits() const { return __builtin_popcount(rows_) * 64; }

    bool operator==(const IrisCode &o) const { return bits_ == o.bits_ && rows_ == o.rows_; }
    bool operator!=(const IrisCode &o) const { return !(*this == o); }

private:
    Words bits_;
    uint16_t rows_ = 0;
};

} // namespace zvc

#endif

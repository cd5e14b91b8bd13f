// Prng.h - a small, portable pseudo-random generator. The standard library's
// distributions differ between implementations; pictures must not.
#ifndef ZEPH_IMAGING_PRNG_H
#define ZEPH_IMAGING_PRNG_H

#include <cstdint>

namespace zeph_imaging {

class Prng {
public:
    explicit Prng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    float unit() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }
    float uniform(float lo, float hi) { return lo + (hi - lo) * unit(); }
    static uint64_t mix(uint64_t a, uint64_t b)
    {
        Prng p(a ^ (b * 0xD1B54A32D192ED03ull));
        return p.next();
    }

private:
    uint64_t state_;
};

} // namespace zeph_imaging

#endif

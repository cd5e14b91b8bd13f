#include "IrisMatcher.h"

namespace zvc {

// Built twice, with and without the popcount instruction; the loader picks
// the one the processor runs. No allocation, sixteen words per code.
__attribute__((target_clones("popcnt", "default")))
IrisMatcher::Count IrisMatcher::count(const IrisCode &a, const IrisCode &b)
{
    const uint64_t *ab = a.bits().data();
    const uint64_t *am = a.mask().data();
    const uint64_t *bb = b.bits().data();
    const uint64_t *bm = b.mask().data();
    int differing = 0;
    int compared = 0;
    for (int w = 0; w < IrisCode::kWords; ++w) {
        const uint64_t both = am[w] & bm[w];
        differing += __builtin_popcountll((ab[w] ^ bb[w]) & both);
        compared += __builtin_popcountll(both);
    }
    return {differing, compared};
}

float IrisMatcher::scaled(double hd)
{
    if (hd <= 0.25)
        return static_cast<float>(4.0 * hd);
    if (hd <= 0.35)
        return static_cast<float>(1.0 + (hd - 0.25));
    return static_cast<float>(1.1 + 2.0 * (hd - 0.35));
}

float IrisMatcher::distance(const IrisCode &a, const IrisCode &b)
{
    const Count c = count(a, b);
    if (c.compared < kMinOverlapBits)
        return kUnrelated;
    return scaled(static_cast<double>(c.differing) / c.compared);
}

} // namespace zvc

#include "IrisMatcher.h"

namespace zvc {

// Built twice, with and without the popcount instruction; the loader picks
// the one the processor runs. No allocation, sixteen rows per code, no branch per row.
__attribute__((target_clones("popcnt", "default")))
IrisMatcher::Count IrisMatcher::count(const IrisCode &a, const IrisCode &b)
{
    const uint64_t *ab = a.bits().data();
    const uint64_t *bb = b.bits().data();
    const unsigned both = static_cast<unsigned>(a.rows() & b.rows());
    int differing = 0;
    for (int w = 0; w < IrisCode::kWords; ++w) {
        const uint64_t keep = 0ull - ((both >> w) & 1u); // all ones for a row both can read
        differing += __builtin_popcountll((ab[w] ^ bb[w]) & keep);
    }
    return {differing, __builtin_popcount(both) * 64};
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

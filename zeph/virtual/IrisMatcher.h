// Distance between two iris codes on the scale the program judges with.
//
// The comparison counts the bits that differ among those both masks let
// through (fractional Hamming distance, HD) and maps HD piecewise linearly:
//
//   HD in [0, 0.25]      d = 4 * HD                 genuine, well presented
//   HD in (0.25, 0.35]   d = 1.0 + (HD - 0.25)      genuine but poorly presented
//   HD above 0.35        d = 1.1 + 2 * (HD - 0.35)  another eye (HD 0.5 gives 1.4)
//
// so identical codes give 0, two sharp captures of one eye about 0.47, a
// blurred, half-closed or side-gazing capture against a sharp one 1.0 to
// 1.1, and unrelated eyes 1.4 with a spread that stays far above 1.1 even
// over 100,000 comparisons. HD below 0.004 (four bits in a thousand) is
// what "the same data" means: d below 0.016.
// When fewer than kMinOverlapBits bits can be compared, nothing is known
// and the answer is that of an unrelated eye.
#ifndef ZEPH_VIRTUAL_IRISMATCHER_H
#define ZEPH_VIRTUAL_IRISMATCHER_H

#include "IrisCode.h"

namespace zvc {

class IrisMatcher {
public:
    static constexpr int kMinOverlapBits = 128;
    static constexpr float kUnrelated = 1.4f;

    // Both counts over the bits usable in both codes.
    struct Count {
        int differing;
        int compared;
    };
    static Count count(const IrisCode &a, const IrisCode &b);

    static float scaled(double fractionalHamming);
    static float distance(const IrisCode &a, const IrisCode &b);
};

} // namespace zvc

#endif

// How often each zeph.h function was called. Lock-free, so that even the
// calls that never take the camera lock are counted.
#ifndef ZEPH_VIRTUAL_CALLCOUNTER_H
#define ZEPH_VIRTUAL_CALLCOUNTER_H

#include "Functions.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace zvc {

class CallCounter {
public:
    void count(Fn fn) { counts_[indexOf(fn)].fetch_add(1, std::memory_order_relaxed); }
    // A zeph.h name, or "*" for the sum over all; 0 for anything else.
    int32_t get(const char *function) const;
    void clear();

private:
    std::array<std::atomic<int32_t>, kFunctionCount> counts_{};
};

} // namespace zvc

#endif

#include "CallCounter.h"

#include <cstring>

namespace zvc {

int32_t CallCounter::get(const char *function) const
{
    if (function && std::strcmp(function, "*") == 0) {
        int32_t sum = 0;
        for (const auto &c : counts_)
            sum += c.load(std::memory_order_relaxed);
        return sum;
    }
    Fn fn;
    if (!functionFromName(function, fn))
        return 0;
    return counts_[indexOf(fn)].load(std::memory_order_relaxed);
}

void CallCounter::clear()
{
    for (auto &c : counts_)
        c.store(0, std::memory_order_relaxed);
}

} // namespace zvc

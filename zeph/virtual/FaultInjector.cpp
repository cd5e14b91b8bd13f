#include "FaultInjector.h"

#include <cstring>

namespace zvc {

bool FaultInjector::failNext(const char *function, int32_t count, ZephResult result)
{
    Pending pending;
    if (count > 0) {
        pending.count = count;
        pending.result = result;
    }
    if (function && std::strcmp(function, "*") == 0) {
        anyHandleCall_ = pending;
        return true;
    }
    Fn fn;
    if (!functionFromName(function, fn))
        return false;
    byFunction_[indexOf(fn)] = pending;
    return true;
}

bool FaultInjector::use(Pending &p, ZephResult &result)
{
    if (p.count <= 0)
        return false;
    --p.count;
    result = p.result;
    return true;
}

std::optional<ZephResult> FaultInjector::take(Fn fn)
{
    ZephResult result = ZEPH_OK;
    if (use(byFunction_[indexOf(fn)], result))
        return result;
    if (takesHandle(fn) && fn != Fn::CloseDevice && use(anyHandleCall_, result))
        return result;
    return std::nullopt;
}

int32_t FaultInjector::pending(const char *function) const
{
    if (function && std::strcmp(function, "*") == 0)
        return anyHandleCall_.count;
    Fn fn;
    return functionFromName(function, fn) ? byFunction_[indexOf(fn)].count : 0;
}

void FaultInjector::clear()
{
    byFunction_.fill(Pending{});
    anyHandleCall_ = Pending{};
}

} // namespace zvc

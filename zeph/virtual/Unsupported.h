// The answer of a call whose firmware part is not built yet. It still goes
// through every check a call on a handle gets, so faults, stale handles and
// a stuck link behave the same for every function, and it is journaled.
#ifndef ZEPH_VIRTUAL_UNSUPPORTED_H
#define ZEPH_VIRTUAL_UNSUPPORTED_H

#include "Journaled.h"

namespace zvc {

inline ZephResult unsupported(Fn fn, ZephHandle handle)
{
    return journaled(fn, handle, {}, nullptr, [&] {
        return VirtualCamera::instance().onDevice(
            fn, handle,
            [](VirtualDevice &, AfterUnlock &) -> ZephResult { return ZEPH_ERR_UNSUPPORTED; });
    });
}

} // namespace zvc

#endif

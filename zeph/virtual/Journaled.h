// Runs one zeph.h call and writes it into the call journal with its
// arguments and answer.
#ifndef ZEPH_VIRTUAL_JOURNALED_H
#define ZEPH_VIRTUAL_JOURNALED_H

#include "VirtualCamera.h"

#include <string>
#include <utility>
#include <vector>

namespace zvc {

template <class Call>
ZephResult journaled(Fn fn, ZephHandle handle, std::vector<int64_t> args, const char *text,
                     Call &&call)
{
    VirtualCamera &camera = VirtualCamera::instance();
    // Looked up first: closing forgets the handle.
    std::string device = handle ? camera.deviceNameOf(handle) : std::string();
    const ZephResult result = call();
    camera.record(fn, handle, std::move(device), std::move(args), text, result);
    return result;
}

} // namespace zvc

#endif

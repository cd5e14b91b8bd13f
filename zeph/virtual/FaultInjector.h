// "Fail the next N calls of F with R": the bench's way to make any call
// answer what a test needs, without the model doing anything.
#ifndef ZEPH_VIRTUAL_FAULTINJECTOR_H
#define ZEPH_VIRTUAL_FAULTINJECTOR_H

#include "Functions.h"
#include "zeph/zeph.h"

#include <array>
#include <cstdint>
#include <optional>

namespace zvc {

class FaultInjector {
public:
    // `function` is a zeph.h name or "*"; count <= 0 clears. Unknown names
    // are ignored. Returns false when the name is not known.
    bool failNext(const char *function, int32_t count, ZephResult result);

    // The result a pending fault imposes on this call, used up by the call.
    // A fault for the function itself goes before "*". "*" covers every call
    // that takes a handle except Zeph_CloseDevice: closing is host-side work.
    std::optional<ZephResult> take(Fn fn);

    void clear();
    // Calls still to fail for a function name or "*"; 0 for unknown names.
    int32_t pending(const char *function) const;

private:
    struct Pending {
        int32_t count = 0;
        ZephResult result = ZEPH_OK;
    };
    static bool use(Pending &p, ZephResult &result);

    std::array<Pending, kFunctionCount> byFunction_{};
    Pending anyHandleCall_;
};

} // namespace zvc

#endif

// Rules for device names as the library accepts them.
#ifndef ZEPH_VIRTUAL_DEVICENAMES_H
#define ZEPH_VIRTUAL_DEVICENAMES_H

#include <string>

namespace zvc {

class DeviceNames {
public:
    static constexpr std::size_t kMaxLength = 99; // the program's fields are 100 bytes

    // Non-null, not empty, at most 99 characters. Reads at most 100 bytes of `name`.
    static bool isAcceptable(const char *name);
    // "COM1" … "COM256", the prefix in any case, no leading zero.
    static bool isComPort(const std::string &name);
    // Serial port names compare like the host system compares them (case
    // does not matter); USB instance names exactly.
    static bool same(const std::string &a, const std::string &b);
};

} // namespace zvc

#endif

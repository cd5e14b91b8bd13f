#include "DeviceNames.h"

#include <cctype>
#include <cstring>

namespace zvc {

bool DeviceNames::isAcceptable(const char *name)
{
    if (!name)
        return false;
    const std::size_t n = strnlen(name, kMaxLength + 1);
    return n > 0 && n <= kMaxLength;
}

bool DeviceNames::isComPort(const std::string &name)
{
    if (name.size() < 4 || name.size() > 6)
        return false;
    if (std::toupper(static_cast<unsigned char>(name[0])) != 'C'
        || std::toupper(static_cast<unsigned char>(name[1])) != 'O'
        || std::toupper(static_cast<unsigned char>(name[2])) != 'M' || name[3] == '0')
        return false;
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
        number = number * 10 + (name[i] - '0');
    }
    return number >= 1 && number <= 256;
}

bool DeviceNames::same(const std::string &a, const std::string &b)
{
    if (isComPort(a) && isComPort(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i]))
                != std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }
    return a == b;
}

} // namespace zvc

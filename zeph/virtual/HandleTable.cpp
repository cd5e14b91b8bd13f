#include "HandleTable.h"

namespace zvc {

ZephHandle HandleTable::open(uint64_t deviceId)
{
    ZephHandle h = next_++;
    while (h == 0 || entries_.count(h))
        h = next_++;
    entries_[h] = Entry{deviceId, false, LoginSession{}};
    return h;
}

const HandleTable::Entry *HandleTable::find(ZephHandle handle) const
{
    const auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : &it->second;
}

HandleTable::Entry *HandleTable::find(ZephHandle handle)
{
    const auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : &it->second;
}

bool HandleTable::close(ZephHandle handle)
{
    return entries_.erase(handle) > 0;
}

bool HandleTable::isOpen(uint64_t deviceId) const
{
    for (const auto &e : entries_)
        if (e.second.deviceId == deviceId && !e.second.lost)
            return true;
    return false;
}

std::vector<ZephHandle> HandleTable::loseDevice(uint64_t deviceId)
{
    std::vector<ZephHandle> lost;
    for (auto &e : entries_) {
        if (e.second.deviceId == deviceId && !e.second.lost) {
            e.second.lost = true;
            lost.push_back(e.first);
        }
    }
    return lost;
}

std::vector<ZephHandle> HandleTable::dropDevice(uint64_t deviceId)
{
    std::vector<ZephHandle> dropped;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->second.deviceId == deviceId && !it->second.lost) {
            dropped.push_back(it->first);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    return dropped;
}

} // namespace zvc

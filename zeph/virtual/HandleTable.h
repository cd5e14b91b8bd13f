// Device handles: 32-bit, never 0, never handed out twice in a run, so a
// handle kept past its close (or past a port cycle) is recognised as stale.
#ifndef ZEPH_VIRTUAL_HANDLETABLE_H
#define ZEPH_VIRTUAL_HANDLETABLE_H

#include "DeviceComponent.h"
#include "zeph/zeph.h"

#include <cstdint>
#include <map>
#include <vector>

namespace zvc {

class HandleTable {
public:
    struct Entry {
        uint64_t deviceId;
        bool lost; // the device was unplugged under it: calls answer "Device IO failed"
        LoginSession session;
    };

    ZephHandle open(uint64_t deviceId);
    const Entry *find(ZephHandle handle) const;
    Entry *find(ZephHandle handle);
    bool close(ZephHandle handle);

    // A live (not lost) handle exists for the device.
    bool isOpen(uint64_t deviceId) const;
    // Live handles of the device; they stay known but become lost.
    std::vector<ZephHandle> loseDevice(uint64_t deviceId);
    // Live handles of the device; they are forgotten (later use: "Invalid handle").
    std::vector<ZephHandle> dropDevice(uint64_t deviceId);

    // Forgets every handle; numbering goes on, so old handles stay stale.
    void clear() { entries_.clear(); }

private:
    std::map<ZephHandle, Entry> entries_;
    ZephHandle next_ = 0x00010001u;
};

} // namespace zvc

#endif

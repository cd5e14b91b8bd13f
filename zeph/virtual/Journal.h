// Every zeph.h call in the order it answered, with its integer arguments,
// its text argument and its answer: what the bench shows and what tests
// read to check the order of calls (LED settings, the eye of
// Zeph_ClearCapture, recovery steps, sleep modes).
#ifndef ZEPH_VIRTUAL_JOURNAL_H
#define ZEPH_VIRTUAL_JOURNAL_H

#include "Functions.h"
#include "zeph/zeph.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace zvc {

class Journal {
public:
    struct Entry {
        Fn fn;
        ZephHandle handle = 0;
        std::string device;
        std::vector<int64_t> args;
        std::string text;
        bool hasText = false;
        ZephResult result = ZEPH_OK;
        int64_t modelMs = 0;
    };

    // Only the latest kCapacity calls are kept.
    static constexpr std::size_t kCapacity = 65536;

    void record(Entry entry);
    std::size_t size() const;
    bool entry(std::size_t index, Entry &out) const;
    void clear();

    // "Zeph_ControlLed(4, 1, 0) = 0", "Zeph_OpenDevice("COM3") = 2".
    static std::string line(const Entry &entry);

private:
    mutable std::mutex m_;
    std::deque<Entry> entries_;
};

} // namespace zvc

#endif

#include "Journal.h"

namespace zvc {

void Journal::record(Entry entry)
{
    std::lock_guard<std::mutex> lock(m_);
    if (entries_.size() >= kCapacity)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
}

std::size_t Journal::size() const
{
    std::lock_guard<std::mutex> lock(m_);
    return entries_.size();
}

bool Journal::entry(std::size_t index, Entry &out) const
{
    std::lock_guard<std::mutex> lock(m_);
    if (index >= entries_.size())
        return false;
    out = entries_[index];
    return true;
}

void Journal::clear()
{
    std::lock_guard<std::mutex> lock(m_);
    entries_.clear();
}

std::string Journal::line(const Entry &e)
{
    std::string s = functionName(e.fn);
    s += '(';
    bool first = true;
    if (e.hasText) {
        s += '"';
        s += e.text;
        s += '"';
        first = false;
    }
    for (int64_t a : e.args) {
        if (!first)
            s += ", ";
        s += std::to_string(a);
        first = false;
    }
    s += ") = ";
    s += std::to_string(e.result);
    return s;
}

} // namespace zvc

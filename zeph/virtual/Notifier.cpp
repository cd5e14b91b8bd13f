#include "Notifier.h"

#include <algorithm>

namespace zvc {

void Notifier::setCallback(ZvcNotifyFn fn, void *context)
{
    std::unique_lock<std::mutex> lock(m_);
    fn_ = fn;
    context_ = context;
    changed_.wait(lock, [this] { return !othersDelivering(); });
}

bool Notifier::othersDelivering() const
{
    const auto self = std::this_thread::get_id();
    return std::any_of(delivering_.begin(), delivering_.end(),
                       [self](std::thread::id id) { return id != self; });
}

void Notifier::call(std::unique_lock<std::mutex> &lock, int32_t event,
                    const std::string &deviceName)
{
    ZvcNotifyFn fn = fn_;
    void *context = context_;
    if (!fn)
        return;
    const auto self = std::this_thread::get_id();
    delivering_.push_back(self);
    lock.unlock();
    fn(context, event, deviceName.c_str());
    lock.lock();
    delivering_.erase(std::find(delivering_.begin(), delivering_.end(), self));
    changed_.notify_all();
}

void Notifier::deliver(int32_t event, const std::string &deviceName)
{
    std::unique_lock<std::mutex> lock(m_);
    call(lock, event, deviceName);
}

void Notifier::post(int32_t event, const std::string &deviceName, ModelClock::TimePoint due)
{
    std::lock_guard<std::mutex> lock(m_);
    Pending p{due, nextSequence_++, event, deviceName};
    const auto at = std::upper_bound(queue_.begin(), queue_.end(), p,
                                     [](const Pending &a, const Pending &b) {
                                         return a.due < b.due
                                                || (a.due == b.due && a.sequence < b.sequence);
                                     });
    queue_.insert(at, std::move(p));
    if (!threadStarted_) {
        threadStarted_ = true;
        // The notifier lives as long as the process; the thread is never joined.
        std::thread worker([this] { run(); });
        threadId_ = worker.get_id();
        worker.detach();
    }
    changed_.notify_all();
}

void Notifier::cancel(const std::string &deviceName)
{
    std::lock_guard<std::mutex> lock(m_);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [&](const Pending &p) { return p.deviceName == deviceName; }),
                 queue_.end());
    changed_.notify_all();
}

void Notifier::cancelAll()
{
    std::lock_guard<std::mutex> lock(m_);
    queue_.clear();
    changed_.notify_all();
}

void Notifier::flush()
{
    std::unique_lock<std::mutex> lock(m_);
    if (threadStarted_ && std::this_thread::get_id() == threadId_)
        return;
    changed_.wait(lock, [this] {
        const bool threadBusy = std::find(delivering_.begin(), delivering_.end(), threadId_)
                                != delivering_.end();
        return queue_.empty() && !threadBusy;
    });
}

void Notifier::run()
{
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        if (queue_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto due = queue_.front().due;
        if (std::chrono::steady_clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;
        }
        Pending next = std::move(queue_.front());
        queue_.erase(queue_.begin());
        call(lock, next.event, next.deviceName);
        changed_.notify_all();
    }
}

} // namespace zvc

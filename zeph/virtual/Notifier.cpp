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

bool Notifier::onNotifierThread() const
{
    return threadStarted_ && std::this_thread::get_id() == threadId_;
}

bool Notifier::threadBusy() const
{
    return threadStarted_
           && std::find(delivering_.begin(), delivering_.end(), threadId_) != delivering_.end();
}

void Notifier::deliver(int32_t event, const std::string &deviceName)
{
    std::unique_lock<std::mutex> lock(m_);
    if (!onNotifierThread()) {
        changed_.wait(lock, [this] {
            const bool anyDue = std::any_of(queue_.begin(), queue_.end(), [this](const Pending &p) {
                return clock_.reached(p.due);
            });
            return !anyDue && !threadBusy();
        });
    }
    call(lock, event, deviceName);
}

void Notifier::post(int32_t event, const std::string &deviceName,
                    const ModelClock::Deadline &due)
{
    std::lock_guard<std::mutex> lock(m_);
    queue_.push_back(Pending{due, nextSequence_++, event, deviceName});
    if (!threadStarted_) {
        threadStarted_ = true;
        // The notifier lives as long as the process; the thread is never joined.
        std::thread worker([this] { run(); });
        threadId_ = worker.get_id();
        worker.detach();
    }
    changed_.notify_all();
}

void Notifier::reschedule()
{
    std::lock_guard<std::mutex> lock(m_);
    changed_.notify_all();
}

std::vector<Notifier::Pending>::iterator Notifier::next()
{
    auto best = queue_.begin();
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        const int64_t due = it->due.atMs;
        const int64_t bestDue = best->due.atMs;
        if (due < bestDue || (due == bestDue && it->sequence < best->sequence))
            best = it;
    }
    return best;
}

void Notifier::cancelFuture(const std::string &deviceName)
{
    std::lock_guard<std::mutex> lock(m_);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [&](const Pending &p) {
                                    return p.deviceName == deviceName && !clock_.reached(p.due);
                                }),
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
    if (onNotifierThread())
        return;
    changed_.wait(lock, [this] { return queue_.empty() && !threadBusy(); });
}

void Notifier::run()
{
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        if (queue_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto first = next();
        if (!clock_.reached(first->due)) {
            // Woken early by a post, a cancel or a new time scale: look again.
            changed_.wait_until(lock, clock_.when(first->due));
            continue;
        }
        Pending event = std::move(*first);
        queue_.erase(first);
        call(lock, event.event, event.deviceName);
        changed_.notify_all();
    }
}

} // namespace zvc

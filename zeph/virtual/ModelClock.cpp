#include "ModelClock.h"

#include <cmath>
#include <cstdlib>

namespace zvc {
namespace {

// How long a waiter sleeps before it looks again at a moment that manual
// time may never reach (it is woken at once when time moves).
constexpr auto kLookAgain = std::chrono::seconds(10);

} // namespace

ModelClock::ModelClock() : scale_(scaleFromEnvironment()), baseReal_(std::chrono::steady_clock::now())
{
}

double ModelClock::scaleFromEnvironment()
{
    const char *text = std::getenv("ZEPH_VIRTUAL_TIME_SCALE");
    if (!text || !*text)
        return 1.0;
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < 0.0)
        return 1.0;
    return value;
}

int64_t ModelClock::nowLocked() const
{
    const double scale = scale_.load();
    if (scale == 0.0)
        return baseModelMs_;
    const double realMs = std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - baseReal_)
                              .count();
    // A century of model time is far more than any run; the cap keeps the cast defined.
    return baseModelMs_ + static_cast<int64_t>(std::fmin(realMs * scale, 3.2e12));
}

int64_t ModelClock::nowMs() const
{
    std::lock_guard<std::mutex> lock(m_);
    return nowLocked();
}

ModelClock::TimePoint ModelClock::whenLocked(int64_t atMs) const
{
    const auto now = std::chrono::steady_clock::now();
    const double scale = scale_.load();
    if (scale == 0.0)
        return now + kLookAgain;
    const double realMs = static_cast<double>(atMs - baseModelMs_) / scale;
    if (realMs > 86400e3)
        return now + kLookAgain;
    return baseReal_ + std::chrono::microseconds(static_cast<int64_t>(std::ceil(realMs * 1000.0)));
}

ModelClock::TimePoint ModelClock::when(const Deadline &d) const
{
    std::lock_guard<std::mutex> lock(m_);
    return whenLocked(d.atMs);
}

void ModelClock::setScale(double scale)
{
    if (!std::isfinite(scale) || scale < 0.0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_);
        baseModelMs_ = nowLocked();
        baseReal_ = std::chrono::steady_clock::now();
        scale_.store(scale);
    }
    changed_.notify_all();
    timeMoved();
}

void ModelClock::setTimeMovedListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(m_);
    listener_ = std::move(listener);
}

void ModelClock::timeMoved()
{
    std::function<void()> listener;
    {
        std::lock_guard<std::mutex> lock(m_);
        listener = listener_;
    }
    if (listener)
        listener();
}

bool ModelClock::onSleeperThread() const
{
    const auto self = std::this_thread::get_id();
    for (const auto &s : sleepers_)
        if (s.thread == self)
            return true;
    return false;
}

void ModelClock::advance(int64_t ms)
{
    if (ms < 0)
        return;
    {
        std::unique_lock<std::mutex> lock(m_);
        if (onSleeperThread() || scale_.load() != 0.0) {
            // Scaled time simply jumps; a sleeper cannot wait for itself.
            baseModelMs_ += ms;
            lock.unlock();
            changed_.notify_all();
            timeMoved();
            return;
        }
    }
    std::lock_guard<std::mutex> one(advancing_);
    std::unique_lock<std::mutex> lock(m_);
    const int64_t target = baseModelMs_ + ms;
    for (;;) {
        // Whoever was woken has done its step once it waits again or is gone.
        changed_.wait(lock, [this] {
            for (const auto &s : sleepers_)
                if (!s.waiting && !s.done)
                    return false;
            return true;
        });
        if (scale_.load() != 0.0)
            break;
        Sleeper *next = nullptr;
        for (auto &s : sleepers_) {
            if (!s.waiting || s.deadline > target)
                continue;
            if (!next || s.deadline < next->deadline
                || (s.deadline == next->deadline && s.order < next->order))
                next = &s;
        }
        if (!next) {
            baseModelMs_ = target;
            break;
        }
        if (next->deadline > baseModelMs_)
            baseModelMs_ = next->deadline;
        for (auto &s : sleepers_)
            if (s.waiting && s.deadline <= baseModelMs_)
                s.waiting = false;
        changed_.notify_all();
    }
    lock.unlock();
    changed_.notify_all();
    timeMoved();
}

void ModelClock::pause(int64_t nominalMs)
{
    if (nominalMs <= 0)
        return;
    modelled_.fetch_add(nominalMs);
    if (scale_.load() == 0.0) {
        advance(nominalMs);
        return;
    }
    std::unique_lock<std::mutex> lock(m_);
    const int64_t target = nowLocked() + nominalMs;
    while (nowLocked() < target && scale_.load() != 0.0)
        changed_.wait_until(lock, whenLocked(target));
}

ModelClock::SleeperId ModelClock::addSleeper()
{
    std::lock_guard<std::mutex> lock(m_);
    sleepers_.emplace_back();
    auto it = std::prev(sleepers_.end());
    it->order = nextOrder_++;
    return it;
}

bool ModelClock::sleepUntil(SleeperId s, int64_t atMs)
{
    std::unique_lock<std::mutex> lock(m_);
    s->thread = std::this_thread::get_id();
    s->deadline = atMs;
    s->waiting = true;
    changed_.notify_all();
    while (!s->cancelled && nowLocked() < atMs) {
        if (scale_.load() == 0.0 && !s->waiting)
            break; // woken by advance(): time is at the deadline
        changed_.wait_until(lock, whenLocked(atMs));
    }
    s->waiting = false;
    changed_.notify_all();
    return !s->cancelled;
}

void ModelClock::cancel(SleeperId s)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        s->cancelled = true;
    }
    changed_.notify_all();
}

void ModelClock::finished(SleeperId s)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        s->done = true;
        s->waiting = false;
    }
    changed_.notify_all();
}

void ModelClock::removeSleeper(SleeperId s)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        sleepers_.erase(s);
    }
    changed_.notify_all();
}

} // namespace zvc

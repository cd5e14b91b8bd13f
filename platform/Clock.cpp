#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace {
Clock g_realClock;
std::atomic<Clock *> g_installed{nullptr};

const QElapsedTimer &processTimer()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}
} // namespace

qint64 Clock::monotonicMs() const
{
    // Offset by one so that 0 can keep meaning "unknown" to callers.
    return processTimer().elapsed() + 1;
}

void Clock::sleepMs(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void Clock::sleepMs(int milliseconds, Wakeup &wakeup)
{
    wakeup.waitMs(milliseconds);
}

void Wakeup::wake()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_flag = true;
    }
    m_woken.notify_all();
}

void Wakeup::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_flag = false;
}

bool Wakeup::isWoken() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flag;
}

bool Wakeup::waitMs(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_woken.wait_for(lock, std::chrono::milliseconds(qMax(0, milliseconds)), [this] { return m_flag; });
}

Clock &Clock::instance()
{
    Clock *c = g_installed.load(std::memory_order_acquire);
    return c ? *c : g_realClock;
}

void Clock::install(Clock *clock)
{
    g_installed.store(clock, std::memory_order_release);
}

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

Clock &Clock::instance()
{
    Clock *c = g_installed.load(std::memory_order_acquire);
    return c ? *c : g_realClock;
}

void Clock::install(Clock *clock)
{
    g_installed.store(clock, std::memory_order_release);
}

#ifndef GLINTVIEW_CLOCK_H
#define GLINTVIEW_CLOCK_H

// The program's one monotonic clock and one sleeper. Every timed pause of the
// program (waiting-dialog pauses, recovery pauses, capture age) goes through
// here, so tests can install a clock whose sleeps return at once.

#include <QtGlobal>
#include <condition_variable>
#include <mutex>

// Cuts short a pause from another thread (a Cancel button). Once woken it
// stays woken, so that every later pause of the same run returns at once,
// until reset.
class Wakeup
{
public:
    void wake();
    void reset();
    bool isWoken() const;
    // Waits until woken or `milliseconds` have passed; true when woken.
    bool waitMs(int milliseconds);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_flag = false;
};

class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary fixed start, never going backwards.
    virtual qint64 monotonicMs() const;
    // Pauses the calling thread.
    virtual void sleepMs(int milliseconds);
    // Pauses the calling thread until `wakeup` is woken, at most `milliseconds`.
    virtual void sleepMs(int milliseconds, Wakeup &wakeup);

    // The clock in use; the real one unless a test installed another.
    static Clock &instance();
    // Installs `clock` (not owned); null restores the real clock.
    static void install(Clock *clock);
};

#endif

#ifndef GLINTVIEW_CLOCK_H
#define GLINTVIEW_CLOCK_H

// The program's one monotonic clock and one sleeper. Every timed pause of the
// program (waiting-dialog pauses, recovery pauses, capture age) goes through
// here, so tests can install a clock whose sleeps return at once.

#include <QtGlobal>

class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary fixed start, never going backwards.
    virtual qint64 monotonicMs() const;
    // Pauses the calling thread.
    virtual void sleepMs(int milliseconds);

    // The clock in use; the real one unless a test installed another.
    static Clock &instance();
    // Installs `clock` (not owned); null restores the real clock.
    static void install(Clock *clock);
};

#endif

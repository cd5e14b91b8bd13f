#ifndef GLINTVIEW_TESTS_SLEEPHOOKCLOCK_H
#define GLINTVIEW_TESTS_SLEEPHOOKCLOCK_H

// A FakeClock that can act at a given pause (cancel a run, deliver a
// notification) and yields on every pause, so that a worker polling an
// answer lets the GUI thread get on with giving it.

#include "support/FakeClock.h"

#include <QList>
#include <QThread>
#include <functional>

class SleepHookClock : public FakeClock
{
public:
    using FakeClock::sleepMs;

    // Called after the pause is recorded, with the number of pauses so far.
    std::function<void(int milliseconds, int count)> onSleep;

    void sleepMs(int milliseconds) override
    {
        FakeClock::sleepMs(milliseconds);
        if (onSleep)
            onSleep(milliseconds, static_cast<int>(sleeps().size()));
        QThread::yieldCurrentThread();
    }

    // The pauses with every run of 100 ms polls counted once.
    QList<int> pausesWithPollsCollapsed() const
    {
        QList<int> out;
        for (int ms : sleeps())
            if (!(ms == 100 && !out.isEmpty() && out.last() == 100))
                out.append(ms);
        return out;
    }
};

#endif

#ifndef GLINTVIEW_TESTS_FAKECLOCK_H
#define GLINTVIEW_TESTS_FAKECLOCK_H

// A clock whose sleeps return at once and only move its own time forward.
// Installed for the lifetime of the object.

#include "platform/Clock.h"

#include <QList>
#include <QMutex>
#include <atomic>

class FakeClock : public Clock
{
public:
    FakeClock() { Clock::install(this); }
    ~FakeClock() override { Clock::install(nullptr); }

    qint64 monotonicMs() const override { return m_now.load(); }
    void sleepMs(int milliseconds) override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_sleeps.append(milliseconds);
        }
        m_now += milliseconds;
    }

    // A woken pause is still counted, as the real one would have begun.
    void sleepMs(int milliseconds, Wakeup &wakeup) override
    {
        (void)wakeup;
        sleepMs(milliseconds);
    }

    void advance(qint64 ms) { m_now += ms; }
    QList<int> sleeps() const
    {
        QMutexLocker lock(&m_mutex);
        return m_sleeps;
    }

private:
    std::atomic<qint64> m_now{1000};
    mutable QMutex m_mutex;
    QList<int> m_sleeps;
};

#endif

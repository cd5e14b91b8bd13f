// Time as the device model sees it: model milliseconds since the library
// started. Two modes:
// - scaled (scale > 0): model time runs with the wall clock times the scale;
// - manual (scale 0): model time stands still until advance() moves it. It
//   then wakes every thread that waits for a moment in the window, one
//   moment after the other, and returns only when each has done its work
//   and waits again (or has ended). A call's own modelled duration (probing
//   a port, a recovery step) moves manual time by itself.
// Threads that live on model time (capture engines, automatic sleep) wait
// through a Sleeper, so that manual stepping knows when they are done.
#ifndef ZEPH_VIRTUAL_MODELCLOCK_H
#define ZEPH_VIRTUAL_MODELCLOCK_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace zvc {

class ModelClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A moment of model time.
    struct Deadline {
        int64_t atMs;
    };

    // One thread's place in model time. Register it before the thread
    // starts, so that manual stepping waits for its first sleep.
    class Sleeper {
    private:
        friend class ModelClock;
        bool waiting = false;
        bool cancelled = false;
        bool done = false; // its thread ended its work on model time
        int64_t deadline = 0;
        uint64_t order = 0;
        std::thread::id thread;
    };
    using SleeperId = std::list<Sleeper>::iterator;

    // Starts with $ZEPH_VIRTUAL_TIME_SCALE when it holds a number >= 0, else 1.0.
    ModelClock();

    double scale() const { return scale_.load(); }
    bool manual() const { return scale_.load() == 0.0; }
    // Negative and non-finite values are ignored. Model time goes on from
    // where it is; waits in progress are measured again against the new scale.
    void setScale(double scale);

    int64_t nowMs() const;
    Deadline after(int64_t ms) const { return Deadline{nowMs() + (ms > 0 ? ms : 0)}; }
    bool reached(const Deadline &d) const { return nowMs() >= d.atMs; }
    // Where the moment falls in real time; in manual time (or when it is
    // far off) a bounded time from now, after which the waiter looks again.
    TimePoint when(const Deadline &d) const;

    // Manual time: moves time `ms` forward and runs every due wait in order
    // (see above). Scaled time: model time jumps forward, waits wake.
    // Called from a thread that lives on model time, it only moves time.
    // Must not be called with the camera lock held.
    void advance(int64_t ms);

    // A call's own duration: scaled, a real wait; manual, advance(). Counted
    // in modelledMilliseconds(). Must not be called with the camera lock held.
    void pause(int64_t nominalMs);

    SleeperId addSleeper();
    // Waits until model time reaches `atMs` or the sleeper is cancelled;
    // false when cancelled. Only the sleeper's own thread calls it.
    bool sleepUntil(SleeperId s, int64_t atMs);
    // Wakes the sleeper for good: every later sleepUntil answers false.
    void cancel(SleeperId s);
    // Called by the sleeper's thread as its last act on model time.
    void finished(SleeperId s);
    // Forgets the sleeper once its thread was joined (or never started).
    void removeSleeper(SleeperId s);

    // Called (without any lock of the clock) after time moved by advance()
    // or the scale changed, so that other waiters can look again.
    void setTimeMovedListener(std::function<void()> listener);

    // Sum of the nominal call durations since the last reset.
    int64_t modelledMilliseconds() const { return modelled_.load(); }
    void resetModelled() { modelled_.store(0); }

    static double scaleFromEnvironment();

private:
    int64_t nowLocked() const;
    TimePoint whenLocked(int64_t atMs) const;
    bool onSleeperThread() const;
    void timeMoved();

    std::atomic<double> scale_;
    std::atomic<int64_t> modelled_{0};
    mutable std::mutex m_;
    std::condition_variable changed_;
    int64_t baseModelMs_ = 0;
    TimePoint baseReal_;
    std::list<Sleeper> sleepers_;
    uint64_t nextOrder_ = 0;
    std::mutex advancing_;
    std::function<void()> listener_;
};

} // namespace zvc

#endif

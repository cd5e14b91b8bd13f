// Time as the device model sees it. Every delay the camera would take
// (probing a port, re-enumerating after a port cycle) is given in nominal
// milliseconds and multiplied by the time scale: 1.0 is real time, 0.0 makes
// every delay instant so that tests never wait.
#ifndef ZEPH_VIRTUAL_MODELCLOCK_H
#define ZEPH_VIRTUAL_MODELCLOCK_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zvc {

class ModelClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A moment `nominalMs` model milliseconds after `start`. Where it falls
    // in real time follows the scale in force when it is asked, so lowering
    // the scale brings every pending moment closer.
    struct Deadline {
        TimePoint start;
        int64_t nominalMs;
    };

    // Starts with $ZEPH_VIRTUAL_TIME_SCALE when it holds a number >= 0, else 1.0.
    ModelClock();

    double scale() const { return scale_.load(); }
    // Negative and non-finite values are ignored. Pauses in progress are
    // measured again against the new scale.
    void setScale(double scale);

    TimePoint now() const { return std::chrono::steady_clock::now(); }
    Deadline after(int64_t nominalMs) const { return Deadline{now(), nominalMs}; }
    TimePoint when(const Deadline &d) const { return d.start + scaled(d.nominalMs); }
    bool reached(const Deadline &d) const { return now() >= when(d); }

    // Waits `nominalMs` scaled; must not be called with the camera lock held.
    void pause(int64_t nominalMs);

    // Sum of the nominal delays the model took since the last reset; lets a
    // test see how long a sequence would last without waiting for it.
    int64_t modelledMilliseconds() const { return modelled_.load(); }
    void resetModelled() { modelled_.store(0); }

    static double scaleFromEnvironment();

private:
    std::chrono::nanoseconds scaled(int64_t nominalMs) const;

    std::atomic<double> scale_;
    std::atomic<int64_t> modelled_{0};
    std::mutex m_;
    std::condition_variable scaleChanged_;
    uint64_t scaleGeneration_ = 0;
};

} // namespace zvc

#endif

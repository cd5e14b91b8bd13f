// Time as the device model sees it. Every delay the camera would take
// (probing a port, re-enumerating after a port cycle) is given in nominal
// milliseconds and multiplied by the time scale: 1.0 is real time, 0.0 makes
// every delay instant so that tests never wait.
#ifndef ZEPH_VIRTUAL_MODELCLOCK_H
#define ZEPH_VIRTUAL_MODELCLOCK_H

#include <atomic>
#include <chrono>
#include <cstdint>

namespace zvc {

class ModelClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Starts with $ZEPH_VIRTUAL_TIME_SCALE when it holds a number >= 0, else 1.0.
    ModelClock();

    double scale() const { return scale_.load(); }
    // Negative and non-finite values are ignored.
    void setScale(double scale);

    TimePoint now() const { return std::chrono::steady_clock::now(); }
    // The moment `nominalMs` model milliseconds from now.
    TimePoint after(int64_t nominalMs) const;

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
};

} // namespace zvc

#endif

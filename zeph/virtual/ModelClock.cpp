#include "ModelClock.h"

#include <cmath>
#include <cstdlib>

namespace zvc {

ModelClock::ModelClock() : scale_(scaleFromEnvironment()) {}

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

void ModelClock::setScale(double scale)
{
    if (!std::isfinite(scale) || scale < 0.0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_);
        scale_.store(scale);
        ++scaleGeneration_;
    }
    scaleChanged_.notify_all();
}

std::chrono::nanoseconds ModelClock::scaled(int64_t nominalMs) const
{
    if (nominalMs <= 0)
        return std::chrono::nanoseconds(0);
    const double ns = static_cast<double>(nominalMs) * 1e6 * scale_.load();
    // A day is far longer than any modelled delay; the cap keeps the cast defined.
    return std::chrono::nanoseconds(static_cast<int64_t>(std::fmin(ns, 86400e9)));
}

void ModelClock::pause(int64_t nominalMs)
{
    if (nominalMs <= 0)
        return;
    modelled_.fetch_add(nominalMs);
    const Deadline d = after(nominalMs);
    std::unique_lock<std::mutex> lock(m_);
    while (!reached(d)) {
        const uint64_t generation = scaleGeneration_;
        scaleChanged_.wait_until(lock, when(d), [&] { return scaleGeneration_ != generation; });
    }
}

} // namespace zvc

#include "ToneSynth.h"

#include <algorithm>
#include <cmath>

namespace resgen {

namespace {

constexpr double TwoPi = 6.283185307179586476925286766559;

// 0 at x <= 0, 1 at x >= 1, smooth in between.
double raisedCosine(double x)
{
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    return 0.5 - 0.5 * std::cos(x * TwoPi / 2.0);
}

} // namespace

ToneSynth::ToneSynth(int sampleRate) : m_sampleRate(sampleRate) {}

void ToneSynth::add(const Note &note)
{
    m_notes.append(note);
}

void ToneSynth::mix(const Note &note, QVector<double> &buffer) const
{
    const int first = static_cast<int>(std::lround(note.start * m_sampleRate));
    const int count = static_cast<int>(std::lround(note.duration * m_sampleRate));
    const double glide = std::log(note.toHz / note.fromHz);
    QVector<double> phase(note.partials.size(), 0.0);

    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / m_sampleRate;
        const double remaining = note.duration - t;
        double envelope = raisedCosine(t / note.attack) * raisedCosine(remaining / note.release);
        if (t > note.attack)
            envelope *= std::exp(-(t - note.attack) / note.decay);

        const double hz = note.fromHz * std::exp(glide * t / note.duration);
        double value = 0.0;
        for (int p = 0; p < note.partials.size(); ++p) {
            const Partial &partial = note.partials[p];
            const double partialHz = hz * partial.ratio;
            if (partialHz >= m_sampleRate / 2.0)
                continue; // would alias
            // Higher partials fade sooner, as struck metal does.
            const double partialFade = std::exp(-(partial.ratio - 1.0) * t / (note.decay * 2.0));
            value += partial.gain * partialFade * std::sin(phase[p]);
            phase[p] = std::fmod(phase[p] + TwoPi * partialHz / m_sampleRate, TwoPi);
        }
        buffer[first + i] += note.gain * envelope * value;
    }
}

QVector<std::int16_t> ToneSynth::render(double peak, double tailSeconds) const
{
    int length = 0;
    for (const Note &n : m_notes) {
        const int end = static_cast<int>(std::lround(n.start * m_sampleRate)) +
                        static_cast<int>(std::lround(n.duration * m_sampleRate));
        length = std::max(length, end);
    }
    length += static_cast<int>(std::lround(tailSeconds * m_sampleRate));

    QVector<double> buffer(length, 0.0);
    for (const Note &n : m_notes)
        mix(n, buffer);

    double loudest = 0.0;
    for (double v : buffer)
        loudest = std::max(loudest, std::fabs(v));
    const double scale = loudest > 0.0 ? peak * 32767.0 / loudest : 0.0;

    QVector<std::int16_t> samples(length);
    for (int i = 0; i < length; ++i) {
        const long s = std::lround(buffer[i] * scale);
        samples[i] = static_cast<std::int16_t>(std::clamp(s, -32768L, 32767L));
    }
    return samples;
}

} // namespace resgen

#include "SoundDesigner.h"

#include "ToneSynth.h"

namespace resgen {

namespace {

constexpr double Peak = 0.5; // -6 dBFS: audible, never harsh

// A soft bell: the fundamental with a little octave and twelfth.
QVector<ToneSynth::Partial> bell()
{
    return {{1.0, 1.0}, {2.0, 0.28}, {3.0, 0.08}};
}

ToneSynth::Note chime(double start, double hz, double duration, double decay, double gain = 1.0)
{
    ToneSynth::Note n;
    n.start = start;
    n.duration = duration;
    n.fromHz = hz;
    n.toHz = hz;
    n.gain = gain;
    n.attack = 0.006;
    n.decay = decay;
    n.release = 0.04;
    n.partials = bell();
    return n;
}

} // namespace

QVector<std::int16_t> SoundDesigner::startA()
{
    // A rising fifth, A5 then E6.
    ToneSynth synth(SampleRate);
    synth.add(chime(0.00, 880.00, 0.34, 0.11));
    synth.add(chime(0.12, 1318.51, 0.40, 0.13));
    return synth.render(Peak);
}

QVector<std::int16_t> SoundDesigner::startF()
{
    // A quick F major arpeggio, F5 A5 C6.
    ToneSynth synth(SampleRate);
    synth.add(chime(0.00, 698.46, 0.28, 0.09, 0.9));
    synth.add(chime(0.09, 880.00, 0.28, 0.09, 0.9));
    synth.add(chime(0.18, 1046.50, 0.38, 0.12));
    return synth.render(Peak);
}

QVector<std::int16_t> SoundDesigner::capture()
{
    // A short pick-up note and a bright ring: G6 then C7.
    ToneSynth synth(SampleRate);
    synth.add(chime(0.00, 1567.98, 0.10, 0.035, 0.7));
    synth.add(chime(0.07, 2093.00, 0.34, 0.10));
    return synth.render(Peak);
}

QVector<std::int16_t> SoundDesigner::timeout()
{
    // A mellow tone that falls an octave, C5 to C4.
    ToneSynth synth(SampleRate);
    ToneSynth::Note fall;
    fall.start = 0.0;
    fall.duration = 0.62;
    fall.fromHz = 523.25;
    fall.toHz = 261.63;
    fall.attack = 0.02;
    fall.decay = 0.38;
    fall.release = 0.12;
    fall.partials = {{1.0, 1.0}, {2.0, 0.22}, {3.0, 0.12}, {5.0, 0.04}};
    synth.add(fall);
    return synth.render(Peak);
}

} // namespace resgen

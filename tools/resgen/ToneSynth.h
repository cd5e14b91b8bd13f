#ifndef RESGEN_TONESYNTH_H
#define RESGEN_TONESYNTH_H

#include <QVector>
#include <cstdint>

namespace resgen {

// Additive synthesiser for short signal tones. Every note has a raised-cosine
// attack, an exponential decay and a raised-cosine release into silence at its
// end, so that nothing starts or stops with a click.
class ToneSynth
{
public:
    struct Partial
    {
        double ratio = 1.0; // multiple of the note's frequency
        double gain = 1.0;
    };

    struct Note
    {
        double start = 0.0;    // seconds
        double duration = 0.2; // seconds, release included
        double fromHz = 440.0;
        double toHz = 440.0;   // the pitch glides exponentially from fromHz
        double gain = 1.0;
        double attack = 0.006; // seconds
        double decay = 0.15;   // time constant of the fall after the attack
        double release = 0.02; // seconds of fade at the end of the note
        QVector<Partial> partials{Partial{}};
    };

    explicit ToneSynth(int sampleRate);

    int sampleRate() const { return m_sampleRate; }
    void add(const Note &note);

    // Mixes every note, scales the loudest sample to `peak` of full scale
    // (0..1) and appends `tailSeconds` of silence.
    QVector<std::int16_t> render(double peak, double tailSeconds = 0.02) const;

private:
    void mix(const Note &note, QVector<double> &buffer) const;

    int m_sampleRate;
    QVector<Note> m_notes;
};

} // namespace resgen

#endif

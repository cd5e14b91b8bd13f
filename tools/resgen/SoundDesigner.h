#ifndef RESGEN_SOUNDDESIGNER_H
#define RESGEN_SOUNDDESIGNER_H

#include <QVector>
#include <cstdint>

namespace resgen {

// The program's four signal tones, as mono 16-bit samples at SampleRate.
class SoundDesigner
{
public:
    static constexpr int SampleRate = 44100;

    static QVector<std::int16_t> startA();  // capture started, sound set 1
    static QVector<std::int16_t> startF();  // capture started, sound set 0
    static QVector<std::int16_t> capture(); // images arrived
    static QVector<std::int16_t> timeout(); // nothing usable, or aborted
};

} // namespace resgen

#endif

#ifndef RESGEN_WAVWRITER_H
#define RESGEN_WAVWRITER_H

#include <QByteArray>
#include <QVector>
#include <cstdint>

namespace resgen {

// Encodes mono 16-bit PCM samples as a RIFF/WAVE file: "RIFF" size "WAVE",
// a 16-byte "fmt " chunk, then the "data" chunk (padded to an even size).
class WavWriter
{
public:
    static constexpr int HeaderSize = 44;

    static QByteArray encodeMono16(const QVector<std::int16_t> &samples, std::uint32_t sampleRate);
};

} // namespace resgen

#endif

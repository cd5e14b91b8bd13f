#include "WavWriter.h"

#include "LittleEndian.h"

namespace resgen {

QByteArray WavWriter::encodeMono16(const QVector<std::int16_t> &samples, std::uint32_t sampleRate)
{
    const std::uint16_t channels = 1;
    const std::uint16_t bitsPerSample = 16;
    const std::uint16_t blockAlign = channels * bitsPerSample / 8;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size()) * blockAlign;

    QByteArray out;
    out.reserve(HeaderSize + static_cast<int>(dataBytes));
    LittleEndian le(out);

    le.tag("RIFF");
    le.u32(4 + (8 + 16) + (8 + dataBytes)); // "WAVE" + fmt chunk + data chunk
    le.tag("WAVE");

    le.tag("fmt ");
    le.u32(16);
    le.u16(1); // PCM
    le.u16(channels);
    le.u32(sampleRate);
    le.u32(sampleRate * blockAlign); // bytes per second
    le.u16(blockAlign);
    le.u16(bitsPerSample);

    le.tag("data");
    le.u32(dataBytes);
    for (std::int16_t s : samples)
        le.i16(s);
    return out;
}

} // namespace resgen

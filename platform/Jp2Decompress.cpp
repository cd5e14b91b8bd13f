#include "platform/Jp2Decompress.h"

#include <openjpeg.h>

#include <cstring>

namespace {

constexpr uint8_t kMonoRaw = 2, kMonoJpeg2000 = 10, kCorvaneJpeg2000 = 138;

struct MemorySource {
    const uint8_t *data;
    OPJ_UINT64 size;
    OPJ_UINT64 pos;
};

OPJ_SIZE_T readSource(void *buffer, OPJ_SIZE_T count, void *user)
{
    auto *m = static_cast<MemorySource *>(user);
    const OPJ_UINT64 left = m->size - m->pos;
    if (left == 0)
        return static_cast<OPJ_SIZE_T>(-1);
    const OPJ_SIZE_T n = count < left ? count : static_cast<OPJ_SIZE_T>(left);
    std::memcpy(buffer, m->data + m->pos, n);
    m->pos += n;
    return n;
}

OPJ_OFF_T skipSource(OPJ_OFF_T count, void *user)
{
    auto *m = static_cast<MemorySource *>(user);
    if (count < 0) {
        const OPJ_UINT64 back = static_cast<OPJ_UINT64>(-count);
        if (back > m->pos)
            return -1;
        m->pos -= back;
        return count;
    }
    const OPJ_UINT64 left = m->size - m->pos;
    const OPJ_UINT64 n = static_cast<OPJ_UINT64>(count) < left ? static_cast<OPJ_UINT64>(count) : left;
    m->pos += n;
    return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL seekSource(OPJ_OFF_T position, void *user)
{
    auto *m = static_cast<MemorySource *>(user);
    if (position < 0 || static_cast<OPJ_UINT64>(position) > m->size)
        return OPJ_FALSE;
    m->pos = static_cast<OPJ_UINT64>(position);
    return OPJ_TRUE;
}

void quiet(const char *, void *) {}

// The codestream's own marker, or the JP2 signature box.
bool codecFor(const uint8_t *data, uint32_t size, OPJ_CODEC_FORMAT *format)
{
    static const uint8_t jp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (size >= 12 && std::memcmp(data, jp2, 12) == 0) {
        *format = OPJ_CODEC_JP2;
        return true;
    }
    if (size >= 4 && data[0] == 0xFF && data[1] == 0x4F && data[2] == 0xFF && data[3] == 0x51) {
        *format = OPJ_CODEC_J2K;
        return true;
    }
    return false;
}

// Owns the decoder objects for one call.
struct Session {
    opj_codec_t *codec = nullptr;
    opj_stream_t *stream = nullptr;
    opj_image_t *image = nullptr;
    ~Session()
    {
        if (image)
            opj_image_destroy(image);
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
    }
};

} // namespace

int32_t DecompressJp2(const void *source, const uint8_t *sourceFormat, const uint32_t *sourceSize,
                      int32_t reserved, const uint8_t *sourceData, void *destination,
                      uint8_t *destinationFormat, uint32_t *destinationWidth, uint32_t *destinationHeight,
                      uint8_t *destinationData)
{
    if (!source || !sourceFormat || !sourceSize || reserved != 0 || !sourceData || *sourceSize == 0
        || !destination || !destinationWidth || !destinationHeight || !destinationData)
        return JP2_INVALID_ARGUMENT;
    if (*sourceFormat != kMonoJpeg2000 && *sourceFormat != kCorvaneJpeg2000)
        return JP2_NOT_JPEG2000;
    const uint32_t size = *sourceSize;
    const uint64_t capacity = *destinationWidth;
    OPJ_CODEC_FORMAT format;
    if (!codecFor(sourceData, size, &format))
        return JP2_NOT_JPEG2000;

    Session s;
    s.codec = opj_create_decompress(format);
    if (!s.codec)
        return JP2_NO_MEMORY;
    opj_set_info_handler(s.codec, quiet, nullptr);
    opj_set_warning_handler(s.codec, quiet, nullptr);
    opj_set_error_handler(s.codec, quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(s.codec, &parameters))
        return JP2_DECODE_FAILED;

    MemorySource memory{sourceData, size, 0};
    s.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    if (!s.stream)
        return JP2_NO_MEMORY;
    opj_stream_set_user_data(s.stream, &memory, nullptr);
    opj_stream_set_user_data_length(s.stream, size);
    opj_stream_set_read_function(s.stream, readSource);
    opj_stream_set_skip_function(s.stream, skipSource);
    opj_stream_set_seek_function(s.stream, seekSource);

    if (!opj_read_header(s.stream, s.codec, &s.image) || !s.image)
        return JP2_DECODE_FAILED;

    // Judge the frame by its header, before a byte is decoded.
    const opj_image_t &h = *s.image;
    if (h.numcomps != 1)
        return JP2_COLOUR;
    const opj_image_comp_t &hc = h.comps[0];
    if (hc.prec < 1 || hc.prec > 8 || hc.dx != 1 || hc.dy != 1)
        return JP2_DEPTH;
    if (h.x1 <= h.x0 || h.y1 <= h.y0)
        return JP2_DECODE_FAILED;
    const uint64_t width = static_cast<uint64_t>(h.x1) - h.x0, height = static_cast<uint64_t>(h.y1) - h.y0;
    if (width * height > capacity)
        return JP2_TOO_LARGE;

    if (!opj_decode(s.codec, s.stream, s.image) || !opj_end_decompress(s.codec, s.stream))
        return JP2_DECODE_FAILED;

    const opj_image_comp_t &c = s.image->comps[0];
    if (s.image->numcomps != 1 || !c.data || c.w != width || c.h != height || c.prec < 1 || c.prec > 8)
        return JP2_DECODE_FAILED;
    const int32_t offset = c.sgnd ? (1 << (c.prec - 1)) : 0;
    const int shift = 8 - static_cast<int>(c.prec); // fewer bits: spread over 0..255
    const uint64_t pixels = width * height;
    for (uint64_t i = 0; i < pixels; ++i) {
        int32_t v = c.data[i] + offset;
        v = v < 0 ? 0 : (v > (1 << c.prec) - 1 ? (1 << c.prec) - 1 : v);
        destinationData[i] = static_cast<uint8_t>(v << shift);
    }
    *destinationWidth = static_cast<uint32_t>(width);
    *destinationHeight = static_cast<uint32_t>(height);
    if (destinationFormat)
        *destinationFormat = kMonoRaw;
    return JP2_OK;
}

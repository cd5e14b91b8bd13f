#pragma once
// Grey JPEG 2000 codestreams made in memory by OpenJPEG's encoder, for the
// frame path's tests and benchmark.

#include <openjpeg.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace jp2test {

struct Sink {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
};

inline OPJ_SIZE_T writeSink(void *buffer, OPJ_SIZE_T n, void *user)
{
    auto *s = static_cast<Sink *>(user);
    if (s->bytes.size() < s->pos + n)
        s->bytes.resize(s->pos + n);
    std::memcpy(s->bytes.data() + s->pos, buffer, n);
    s->pos += n;
    return n;
}
inline OPJ_OFF_T skipSink(OPJ_OFF_T n, void *user)
{
    auto *s = static_cast<Sink *>(user);
    s->pos += static_cast<size_t>(n);
    if (s->bytes.size() < s->pos)
        s->bytes.resize(s->pos);
    return n;
}
inline OPJ_BOOL seekSink(OPJ_OFF_T at, void *user)
{
    static_cast<Sink *>(user)->pos = static_cast<size_t>(at);
    return OPJ_TRUE;
}
inline void quiet(const char *, void *) {}

// Lossless unless `rate` is given (a compression ratio, e.g. 20).
inline std::vector<uint8_t> encodeGrey(const std::vector<uint8_t> &grey, int width, int height, float rate = 0)
{
    opj_image_cmptparm_t parm;
    std::memset(&parm, 0, sizeof parm);
    parm.dx = parm.dy = 1;
    parm.w = static_cast<OPJ_UINT32>(width);
    parm.h = static_cast<OPJ_UINT32>(height);
    parm.prec = 8;
    opj_image_t *image = opj_image_create(1, &parm, OPJ_CLRSPC_GRAY);
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    for (size_t i = 0; i < grey.size(); ++i)
        image->comps[0].data[i] = grey[i];

    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    int levels = 1;
    while (levels < 6 && (1 << levels) <= (width < height ? width : height))
        ++levels;
    cp.numresolution = levels;
    if (rate > 0) {
        cp.irreversible = 1;
        cp.tcp_numlayers = 1;
        cp.tcp_rates[0] = rate;
        cp.cp_disto_alloc = 1;
    }
    opj_codec_t *codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_set_info_handler(codec, quiet, nullptr);
    opj_set_warning_handler(codec, quiet, nullptr);
    opj_set_error_handler(codec, quiet, nullptr);
    opj_setup_encoder(codec, &cp, image);
    Sink sink;
    opj_stream_t *stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, writeSink);
    opj_stream_set_skip_function(stream, skipSink);
    opj_stream_set_seek_function(stream, seekSink);
    const bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream)
                    && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok ? sink.bytes : std::vector<uint8_t>();
}

} // namespace jp2test

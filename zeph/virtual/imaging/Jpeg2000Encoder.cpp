#include "Jpeg2000Encoder.h"

#include <algorithm>
#include <cstring>

#include <openjpeg.h>

namespace zeph_imaging {

namespace {

struct Sink {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
};

OPJ_SIZE_T sinkWrite(void *data, OPJ_SIZE_T n, void *user)
{
    Sink *s = static_cast<Sink *>(user);
    if (s->pos + n > s->bytes.size()) s->bytes.resize(s->pos + n);
    std::memcpy(s->bytes.data() + s->pos, data, n);
    s->pos += n;
    return n;
}
OPJ_OFF_T sinkSkip(OPJ_OFF_T n, void *user)
{
    Sink *s = static_cast<Sink *>(user);
    if (n < 0 && static_cast<size_t>(-n) > s->pos) return -1;
    s->pos = static_cast<size_t>(static_cast<OPJ_OFF_T>(s->pos) + n);
    if (s->pos > s->bytes.size()) s->bytes.resize(s->pos);
    return n;
}
OPJ_BOOL sinkSeek(OPJ_OFF_T n, void *user)
{
    Sink *s = static_cast<Sink *>(user);
    if (n < 0) return OPJ_FALSE;
    s->pos = static_cast<size_t>(n);
    if (s->pos > s->bytes.size()) s->bytes.resize(s->pos);
    return OPJ_TRUE;
}
void quiet(const char *, void *) {}

// ratio <= 1 encodes losslessly.
std::vector<uint8_t> encodeWithRatio(const GreyImage &image, float ratio, Jp2Wrapping wrapping)
{
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() < static_cast<size_t>(image.width) * image.height)
        return {};
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.cp_disto_alloc = 1;
    params.tcp_rates[0] = ratio > 1 ? ratio : 0;
    params.irreversible = ratio > 1 ? 1 : 0;
    // every resolution level needs at least one pixel in each direction
    int smallest = std::min(image.width, image.height), levels = 1;
    while (levels < 6 && (smallest >> levels) >= 4) ++levels;
    params.numresolution = levels;

    opj_image_cmptparm_t comp;
    std::memset(&comp, 0, sizeof comp);
    comp.dx = comp.dy = 1;
    comp.w = static_cast<OPJ_UINT32>(image.width);
    comp.h = static_cast<OPJ_UINT32>(image.height);
    comp.prec = 8;
    comp.sgnd = 0;
    opj_image_t *img = opj_image_create(1, &comp, OPJ_CLRSPC_GRAY);
    if (!img) return {};
    img->x0 = img->y0 = 0;
    img->x1 = comp.w;
    img->y1 = comp.h;
    const size_t n = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < n; ++i) img->comps[0].data[i] = image.pixels[i];

    opj_codec_t *codec = opj_create_compress(wrapping == Jp2Wrapping::File ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    Sink sink;
    std::vector<uint8_t> out;
    opj_stream_t *stream = nullptr;
    if (codec) {
        opj_set_error_handler(codec, quiet, nullptr);
        opj_set_warning_handler(codec, quiet, nullptr);
        opj_set_info_handler(codec, quiet, nullptr);
        stream = opj_stream_create(1 << 16, OPJ_FALSE);
    }
    if (codec && stream && opj_setup_encoder(codec, &params, img)) {
        opj_stream_set_user_data(stream, &sink, nullptr);
        opj_stream_set_write_function(stream, sinkWrite);
        opj_stream_set_skip_function(stream, sinkSkip);
        opj_stream_set_seek_function(stream, sinkSeek);
        if (opj_start_compress(codec, img, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream))
            out = std::move(sink.bytes);
    }
    if (stream) opj_stream_destroy(stream);
    if (codec) opj_destroy_codec(codec);
    opj_image_destroy(img);
    return out;
}

} // namespace

std::vector<uint8_t> encodeJpeg2000(const GreyImage &image, int quality, Jp2Wrapping wrapping)
{
    quality = std::clamp(quality, 1, 100);
    return encodeWithRatio(image, quality >= 100 ? 0.0f : 100.0f / quality, wrapping);
}

std::vector<uint8_t> encodeJpeg2000Budget(const GreyImage &image, size_t maxBytes, Jp2Wrapping wrapping)
{
    const double raw = static_cast<double>(image.width) * image.height;
    // the rate control counts the codestream only; leave room for the boxes
    double target = static_cast<double>(maxBytes) - (wrapping == Jp2Wrapping::File ? 120 : 40);
    for (int attempt = 0; attempt < 6 && target > 64; ++attempt) {
        std::vector<uint8_t> out = encodeWithRatio(image, static_cast<float>(std::max(1.01, raw / target)), wrapping);
        if (out.empty()) return out;
        if (out.size() <= maxBytes) return out;
        target *= 0.85 * static_cast<double>(maxBytes) / static_cast<double>(out.size());
    }
    return {};
}

} // namespace zeph_imaging

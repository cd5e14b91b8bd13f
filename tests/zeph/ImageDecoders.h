// ImageDecoders.h - reads back JPEG, JPEG 2000 and PNG bytes with the codec
// libraries, and iris records with a small bounds-checked reader, so the
// imaging tests can check the encoders' output independently.
#ifndef TESTS_ZEPH_IMAGEDECODERS_H
#define TESTS_ZEPH_IMAGEDECODERS_H

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

namespace imgtest {

using Bytes = std::vector<uint8_t>;

struct Decoded {
    int width = 0, height = 0;
    Bytes pixels;
};

inline uint32_t be16(const Bytes &b, size_t at) { return at + 2 <= b.size() ? (b[at] << 8) | b[at + 1] : 0xFFFFFFFFu; }
inline uint32_t be32(const Bytes &b, size_t at)
{
    return at + 4 <= b.size() ? (static_cast<uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]
                              : 0xFFFFFFFFu;
}
inline uint32_t le32(const Bytes &b, size_t at)
{
    return at + 4 <= b.size() ? b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24)
                              : 0xFFFFFFFFu;
}

struct JpegTrap {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

inline std::optional<Decoded> decodeJpeg(const Bytes &data)
{
    jpeg_decompress_struct cinfo;
    JpegTrap trap;
    cinfo.err = jpeg_std_error(&trap.base);
    trap.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegTrap *>(c->err)->jump, 1); };
    trap.base.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&cinfo);
    Decoded d;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return std::nullopt;
    }
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.pixels.resize(static_cast<size_t>(d.width) * d.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &d.pixels[static_cast<size_t>(cinfo.output_scanline) * d.width];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

struct J2kSource {
    const Bytes *data;
    size_t pos = 0;
};

// codestream: true for a bare J2K codestream, false for a JP2 file.
inline std::optional<Decoded> decodeJpeg2000(const Bytes &data, bool codestream)
{
    J2kSource src{&data};
    opj_stream_t *stream = opj_stream_create(1 << 16, OPJ_TRUE);
    opj_stream_set_user_data(stream, &src, nullptr);
    opj_stream_set_user_data_length(stream, data.size());
    opj_stream_set_read_function(stream, [](void *buf, OPJ_SIZE_T n, void *u) -> OPJ_SIZE_T {
        auto *s = static_cast<J2kSource *>(u);
        size_t left = s->data->size() - s->pos;
        if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
        n = n < left ? n : left;
        std::memcpy(buf, s->data->data() + s->pos, n);
        s->pos += n;
        return n;
    });
    opj_stream_set_skip_function(stream, [](OPJ_OFF_T n, void *u) -> OPJ_OFF_T {
        auto *s = static_cast<J2kSource *>(u);
        s->pos = static_cast<size_t>(static_cast<OPJ_OFF_T>(s->pos) + n);
        if (s->pos > s->data->size()) s->pos = s->data->size();
        return n;
    });
    opj_stream_set_seek_function(stream, [](OPJ_OFF_T n, void *u) -> OPJ_BOOL {
        auto *s = static_cast<J2kSource *>(u);
        if (n < 0 || static_cast<size_t>(n) > s->data->size()) return OPJ_FALSE;
        s->pos = static_cast<size_t>(n);
        return OPJ_TRUE;
    });
    opj_codec_t *codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    opj_set_error_handler(codec, [](const char *, void *) {}, nullptr);
    opj_set_warning_handler(codec, [](const char *, void *) {}, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    opj_image_t *image = nullptr;
    std::optional<Decoded> out;
    if (opj_setup_decoder(codec, &params) && opj_read_header(stream, codec, &image) && opj_decode(codec, stream, image)
        && opj_end_decompress(codec, stream) && image->numcomps == 1) {
        Decoded d;
        d.width = static_cast<int>(image->comps[0].w);
        d.height = static_cast<int>(image->comps[0].h);
        d.pixels.resize(static_cast<size_t>(d.width) * d.height);
        for (size_t i = 0; i < d.pixels.size(); ++i) {
            int v = image->comps[0].data[i];
            d.pixels[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        out = d;
    }
    if (image) opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return out;
}

inline std::optional<Decoded> decodePng(const Bytes &data)
{
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data.data(), data.size())) return std::nullopt;
    img.format = PNG_FORMAT_GRAY;
    Decoded d;
    d.width = static_cast<int>(img.width);
    d.height = static_cast<int>(img.height);
    d.pixels.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, d.pixels.data(), 0, nullptr)) return std::nullopt;
    return d;
}

// One image of an iris record, as this reader finds it.
struct IsoImage {
    int width = 0, height = 0;
    uint8_t eye = 0, quality = 0, type = 0, format = 0;
    Bytes data;
};

// Reads a record of either edition; nullopt when anything is inconsistent.
inline std::optional<std::vector<IsoImage>> readIso(const Bytes &r)
{
    if (r.size() < 16 || std::memcmp(r.data(), "IIR\0", 4) != 0) return std::nullopt;
    if (be32(r, 8) != r.size()) return std::nullopt;
    std::vector<IsoImage> images;
    if (std::memcmp(r.data() + 4, "010\0", 4) == 0) {
        if (r.size() < 45 || be16(r, 15) != 45) return std::nullopt;
        size_t at = 45;
        for (unsigned k = 0; k < r[14]; ++k) {
            if (at + 14 > r.size() || be16(r, at + 1) != 1) return std::nullopt;
            uint64_t len = be32(r, at + 10);
            if (at + 14 + len > r.size()) return std::nullopt;
            IsoImage im;
            im.width = static_cast<int>(be16(r, 23));
            im.height = static_cast<int>(be16(r, 25));
            im.eye = r[at];
            im.quality = r[at + 5];
            im.format = static_cast<uint8_t>(be16(r, 21));
            im.data.assign(r.begin() + static_cast<long>(at + 14), r.begin() + static_cast<long>(at + 14 + len));
            images.push_back(im);
            at += 14 + len;
        }
        if (at != r.size()) return std::nullopt;
    } else if (std::memcmp(r.data() + 4, "020\0", 4) == 0) {
        size_t at = 16;
        for (unsigned k = 0; k < be16(r, 12); ++k) {
            if (at + 57 > r.size() || r[at + 18] != 1) return std::nullopt;
            uint64_t len = be32(r, at + 53);
            if (be32(r, at) != 57 + len || at + 57 + len > r.size()) return std::nullopt;
            IsoImage im;
            im.width = static_cast<int>(be16(r, at + 30));
            im.height = static_cast<int>(be16(r, at + 32));
            im.quality = r[at + 19];
            im.eye = r[at + 26];
            im.type = r[at + 27];
            im.format = r[at + 28];
            im.data.assign(r.begin() + static_cast<long>(at + 57), r.begin() + static_cast<long>(at + 57 + len));
            images.push_back(im);
            at += 57 + len;
        }
        if (at != r.size() || r[15] != images.size()) return std::nullopt;
    } else {
        return std::nullopt;
    }
    return images;
}

} // namespace imgtest

#endif

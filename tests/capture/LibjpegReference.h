#pragma once
// Test and benchmark helper: grey frames made and decoded by the system's
// libjpeg, never linked into the program.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace libjpegref {

struct EncodeOptions {
    int quality = 75;
    bool optimise = false;        // optimised Huffman tables instead of the standard ones
    bool sixteenBitTables = false; // allow quantisation entries above 255
    int restartRows = 0;           // restart marker every n MCU rows
    int restartInterval = 0;       // or every n MCUs
};

// A deterministic picture of gradients, hard edges and noise, so every
// coefficient position and code length is used.
inline std::vector<uint8_t> testPicture(int width, int height, uint32_t seed)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height);
    uint32_t s = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            s = s * 1664525u + 1013904223u;
            int v = (x * 255) / (width > 1 ? width - 1 : 1) / 2 + (y * 255) / (height > 1 ? height - 1 : 1) / 3;
            if (((x / 13) + (y / 11)) % 3 == 0)
                v = 255 - v;
            v += static_cast<int>((s >> 24) % 41) - 20;
            px[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    return px;
}

inline std::vector<uint8_t> encode(const std::vector<uint8_t> &grey, int width, int height,
                                   const EncodeOptions &o)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    err.output_message = [](j_common_ptr) {}; // coarse-table cautions are expected
    jpeg_create_compress(&c);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, o.quality, o.sixteenBitTables ? FALSE : TRUE);
    c.optimize_coding = o.optimise ? TRUE : FALSE;
    c.restart_in_rows = o.restartRows;
    if (o.restartInterval)
        c.restart_interval = static_cast<unsigned int>(o.restartInterval);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = const_cast<uint8_t *>(grey.data()) + static_cast<size_t>(c.next_scanline) * width;
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Decodes with the accurate integer inverse DCT into out (resized).
class Decoder {
public:
    Decoder()
    {
        m_info.err = jpeg_std_error(&m_err);
        jpeg_create_decompress(&m_info);
    }
    ~Decoder() { jpeg_destroy_decompress(&m_info); }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // out must hold width * height bytes.
    void decode(const uint8_t *data, size_t size, uint8_t *out, int *width, int *height)
    {
        jpeg_mem_src(&m_info, data, static_cast<unsigned long>(size));
        jpeg_read_header(&m_info, TRUE);
        m_info.dct_method = JDCT_ISLOW;
        m_info.out_color_space = JCS_GRAYSCALE;
        jpeg_start_decompress(&m_info);
        *width = static_cast<int>(m_info.output_width);
        *height = static_cast<int>(m_info.output_height);
        while (m_info.output_scanline < m_info.output_height) {
            JSAMPROW r = out + static_cast<size_t>(m_info.output_scanline) * m_info.output_width;
            jpeg_read_scanlines(&m_info, &r, 1);
        }
        jpeg_finish_decompress(&m_info);
    }

private:
    jpeg_decompress_struct m_info;
    jpeg_error_mgr m_err;
};

} // namespace libjpegref

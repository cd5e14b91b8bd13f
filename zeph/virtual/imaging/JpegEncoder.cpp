#include "JpegEncoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zeph_imaging {

namespace {
struct ErrorTrap {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};
void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap *>(info->err)->jump, 1);
}
void quiet(j_common_ptr, int) {}
} // namespace

std::vector<uint8_t> encodeJpeg(const GreyImage &image, int quality)
{
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() < static_cast<size_t>(image.width) * image.height)
        return {};
    jpeg_compress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.base);
    trap.base.error_exit = onError;
    trap.base.emit_message = quiet;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    // volatile: read again after a longjmp
    volatile bool created = false;
    if (setjmp(trap.jump)) {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&cinfo);
    created = true;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&image.pixels[static_cast<size_t>(cinfo.next_scanline) * image.width]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

} // namespace zeph_imaging

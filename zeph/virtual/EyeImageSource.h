// Where the pictures of an eye come from: preview frames and result images
// are asked of one function, so that a fuller renderer and its encoders can
// be plugged in without touching the capture engine. Called outside the
// camera lock, on the engine's thread (frames) or the caller's (results).
#ifndef ZEPH_VIRTUAL_EYEIMAGESOURCE_H
#define ZEPH_VIRTUAL_EYEIMAGESOURCE_H

#include "zeph/zeph.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zvc {

struct EyeImageRequest {
    uint32_t subject = 0;      // 0: nobody in front of the camera
    int32_t eye = ZEPH_EYE_RIGHT;
    int32_t presentation = 0;  // ZvcPresentation
    uint32_t noiseSeed = 0;    // differs from capture to capture
    int32_t kind = ZEPH_KIND_K1;
    int32_t format = ZEPH_FORMAT_MONO_RAW;
    int32_t quality = 80;      // compression quality 1..100 where the format has one
    uint32_t scale = 1;        // preview frames: the stream's divisor; results: 1
};

struct EyeImage {
    ZephResult result = ZEPH_OK; // ZEPH_ERR_FORMAT_UNSUPPORTED, ZEPH_ERR_COMPRESSION_FAILED...
    std::vector<uint8_t> bytes;
    uint32_t width = 0;
    uint32_t height = 0;
};

using EyeImageSourceFn = std::function<EyeImage(const EyeImageRequest &)>;

// The picture for a request, from the installed source or the built-in one.
EyeImage makeEyeImage(const EyeImageRequest &request);
// Installs a source (null: back to the built-in one). Not thread-safe
// against captures in progress: install before capturing.
void setEyeImageSource(EyeImageSourceFn source);

// The built-in source: 8-bit grey pictures drawn simply (MONO_RAW only;
// K1 and K2 640 x 480, K3 cropped to 320 x 240 around the iris); other
// formats and kinds answer ZEPH_ERR_FORMAT_UNSUPPORTED.
EyeImage simpleEyeImage(const EyeImageRequest &request);

// ISO iris record from the eyes' images.
struct IsoRequest {
    int32_t revision = ZEPH_ISO_2011;
    int32_t format = ZEPH_FORMAT_MONO_RAW;
    int32_t kind = ZEPH_KIND_K1;
    int32_t quality = 80;
    int32_t subtype = ZEPH_ISO_SUBTYPE_UNKNOWN;
    // Per eye, index 0 right and 1 left: present, its request and quality.
    bool present[2] = {false, false};
    EyeImageRequest eyes[2];
    ZephQuality scores[2] = {{0, 0}, {0, 0}};
};
struct IsoRecordBytes {
    ZephResult result = ZEPH_OK;
    std::vector<uint8_t> bytes;
};
using IsoRecordSourceFn = std::function<IsoRecordBytes(const IsoRequest &)>;
// Without an installed builder every request answers ZEPH_ERR_FORMAT_UNSUPPORTED.
IsoRecordBytes makeIsoRecord(const IsoRequest &request);
void setIsoRecordSource(IsoRecordSourceFn source);

// Installs the imaging library's drawn eyes, encoders and iris records as
// the sources (done once when the camera is first used).
void installImagingSources();

} // namespace zvc

#endif

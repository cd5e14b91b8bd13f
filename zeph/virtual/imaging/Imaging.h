// Imaging.h - the virtual camera's pictures: procedurally drawn
// near-infrared eyes, cut to the result kinds, encoded in the result
// formats, wrapped in iris interchange records, and scaled preview frames.
//
// Everything here is deterministic: the same EyeSpec (and arguments) gives
// the same bytes. Thread-safe; the drawn eyes are cached internally, so a
// capture's frames and results cost a few milliseconds each after the first.
//
// Values:
//   eye           ZEPH_EYE_RIGHT (1) or ZEPH_EYE_LEFT (2); anything else is drawn as the right eye
//   presentation  PresentAbsent 0 (nobody: the empty scene), PresentSharp 1, PresentBlurred 2,
//                 PresentHalfClosed 3, PresentLookingAside 4
//   kind          1 K1, 2 K2, 3 K3, 7 K7, 4103 K7_1_5, 4104 K7_2_5, 4105 K7_3_5, 4106 K7_5_0
//   format        2 MONO_RAW, 6 MONO_JPEG, 10 MONO_JPEG2000, 14 MONO_PNG,
//                 130 CORVANE_RAW, 138 CORVANE_JPEG2000
//   quality       1..100 (clamped); JPEG quality, or JPEG 2000 ratio 100/quality
//                 (100 lossless). Raw and PNG ignore it; the compact K7 kinds
//                 ignore it and keep to their byte budget (1500, 2500, 3500, 5000).
//
// Use from the capture engine: each captured eye keeps its EyeSpec (the
// subject, the eye, how it was presented, and a noise seed of that capture,
// so that fetching twice gives the same bytes) and its total score.
//   Zeph_GetResultImage     makeResultImage(want, resultKind, resultFormat,
//                           j2kQuality) per eye; empty: ZEPH_ERR_FORMAT_UNSUPPORTED.
//                           The ZephImage records point into the returned bytes,
//                           so keep them until the next fetch.
//   Zeph_GetResultIsoImage  makeIsoRecord(isoRevision, resultFormat, resultKind,
//                           j2kQuality, isoSubtype, the eyes the subtype asks for).
//   frame callback          makeFrame(want, streamScale, streamFormat,
//                           compressionQuality, {frame number}) per eye, with a
//                           new noise seed per frame.
// Drawing and encoding take no lock of the caller's: call them on a snapshot.
#ifndef ZEPH_IMAGING_IMAGING_H
#define ZEPH_IMAGING_IMAGING_H

#include "EyeGeometry.h"
#include "GreyImage.h"
#include "IsoIrisRecord.h"
#include "Presentation.h"

#include <cstdint>
#include <vector>

namespace zeph_imaging {

enum ResultKind {
    KindK1 = 1, KindK2 = 2, KindK3 = 3, KindK7 = 7,
    KindK7_1_5 = 4103, KindK7_2_5 = 4104, KindK7_3_5 = 4105, KindK7_5_0 = 4106
};
enum ImageFormat {
    FormatMonoRaw = 2, FormatMonoJpeg = 6, FormatMonoJpeg2000 = 10, FormatMonoPng = 14,
    FormatCorvaneRaw = 130, FormatCorvaneJpeg2000 = 138
};

struct EyeSpec {
    uint64_t subjectSeed = 0;    // who stands in front of the camera
    int eye = 1;
    int presentation = PresentSharp;
    uint64_t noiseSeed = 0;      // this capture's sensor noise
};

struct EncodedImage {
    std::vector<uint8_t> bytes;  // empty: the kind or format is not offered
    int width = 0, height = 0;
    uint8_t kind = 0;            // compact kind: 1, 2, 3, 7, 23..26
    uint8_t format = 0;          // the format actually delivered
    bool empty() const { return bytes.empty(); }
};

// Compact kind byte of a kind value (value >> 8 | low 4 bits); 0 for an unknown kind.
uint8_t compactKind(int kind);
// Byte budget of a compact K7 kind, 0 for the others.
size_t compactKindBudget(int kind);

// The 640 x 480 picture, noise included, and where its parts lie.
GreyImage renderEye(const EyeSpec &want);
EyeGeometry eyeGeometry(const EyeSpec &want);
// Share of the iris (0..100) the lids leave visible: the usable area.
int usableIrisArea(const EyeSpec &want);

EncodedImage makeResultImage(const EyeSpec &want, int resultKind, int format, int quality);

struct IsoEye {
    EyeSpec want;
    uint8_t totalScore = 0;
};
// revision 1 (2005: kinds K1, K2; MONO_RAW, MONO_JPEG, MONO_JPEG2000) or
// 2 (2011: every kind; MONO_RAW, MONO_JPEG2000, MONO_PNG; the compact K7
// kinds always JPEG 2000). subtype 0 labels the eyes undefined, otherwise
// each eye keeps its own label. eyes: right first, at most two.
// Empty when the combination is not offered.
std::vector<uint8_t> makeIsoRecord(int revision, int format, int kind, int quality, int subtype,
                                   const std::vector<IsoEye> &eyes, const IsoCaptureTime &when = {});

// How a preview frame is framed: its number in the stream, and for
// CORVANE_RAW / CORVANE_JPEG2000 the plain or the extended container layout
// (the extended one carries the iris position, scaled with the frame).
struct FrameOptions {
    uint32_t sequence = 0;
    bool extendedContainer = false;
};
// A preview frame: the eye picture divided by scale (1, 2, 4, 8, 16) in the
// stream format (MONO_RAW, MONO_JPEG, CORVANE_RAW, MONO_JPEG2000; also PNG
// and CORVANE_JPEG2000), kind K1. Empty for another scale or format.
EncodedImage makeFrame(const EyeSpec &want, int scale, int format, int quality, const FrameOptions &options = {});
// The same from a picture already at hand (a bench can time the encoder
// alone); geometry, when given, fills the extended container's eye data.
EncodedImage encodeFrame(const GreyImage &picture, int scale, int format, int quality, uint8_t eye = 0,
                         const FrameOptions &options = {}, const EyeGeometry *geometry = nullptr);

// What the camera sees with nobody in front of it: a dim, featureless room
// with sensor noise, 640 x 480; and that scene as a preview frame.
GreyImage renderEmptyScene(uint64_t noiseSeed);
EncodedImage makeEmptyFrame(uint64_t noiseSeed, int scale, int format, int quality, const FrameOptions &options = {});

// Divides a picture by an integer factor, averaging each factor x factor block.
GreyImage downscale(const GreyImage &picture, int factor);

} // namespace zeph_imaging

#endif

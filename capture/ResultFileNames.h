#ifndef GLINTVIEW_RESULTFILENAMES_H
#define GLINTVIEW_RESULTFILENAMES_H

// Names of saved result files:
//   <folder>/<stem>_<yyyy>-<MM>-<dd>-<hh>-<mm>-<ss>.<extension>
// with the local time of saving and
//   ISO 2005 / 2011    "2005" / "2011" + kind piece + format piece, ".iso"
//   no ISO             "UnknownEye" / "RightEye" / "LeftEye" / "BothEye" (eye
//                      subtype 0..3) + kind piece + "_<w>x<h>" for MONO_RAW,
//                      extension by format: MONO_RAW "bmp" (as BMP) or "raw",
//                      MONO_JPEG "jpg", MONO_JPEG2000 "jp2", MONO_PNG "png",
//                      any other "bin"
// Kind piece from the compact kind byte: "_K1" "_K2" "_K3" "_K7", and for
// ISO records also "_K715" "_K725" "_K735" "_K750" (23..26); else nothing.
// Format piece (ISO) from the result format: "_raw", "_jp2"; else nothing.
//
// A path holds at most kMaxPathLength UTF-16 units (the path field of 300
// wide characters, terminator included); longer ones are refused.
//
//   ResultFileNames::Input in{0, ZEPH_EYE_RIGHT, image.kind, image.format,
//                             image.width, image.height, 0, ctx->rawImageAsBmp};
//   QString path = ResultFileNames::build(folder, in, QDateTime::currentDateTime());

#include <QDateTime>
#include <QString>
#include <cstdint>

class ResultFileNames
{
public:
    static constexpr int kPathField = 300;
    static constexpr int kMaxPathLength = kPathField - 1;

    struct Input {
        int32_t isoRevision = 0;  // 0 = a result image, 1 = ISO 2005, 2 = ISO 2011
        int32_t eyeSubtype = 0;   // result images: 0 unknown, 1 right, 2 left, 3 both
        uint8_t kind = 0;         // compact kind byte
        uint8_t format = 0;       // result images: the image's format
        uint32_t width = 0;       // MONO_RAW size piece
        uint32_t height = 0;
        int32_t resultFormat = 0; // ISO: the format piece
        int32_t rawImageAsBmp = 0;// 1: MONO_RAW images are written as BMP
    };

    // The folder results go to: savedImagePath when set, else "<exe>/Best".
    static QString outputFolder(const QString &savedImagePath, const QString &executableDirectory);

    // "RightEye_K2_640x480" and the like.
    static QString stem(const Input &input);
    // "bmp", "raw", "jpg", "jp2", "png", "bin" or "iso".
    static QString extension(const Input &input);

    // The whole path; empty when it would exceed kMaxPathLength.
    static QString build(const QString &folder, const Input &input, const QDateTime &localTime);
    // The same path however long (for messages about a refused one).
    static QString buildUnbounded(const QString &folder, const Input &input,
                                  const QDateTime &localTime);
};

#endif

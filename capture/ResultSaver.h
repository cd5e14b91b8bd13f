#ifndef GLINTVIEW_RESULTSAVER_H
#define GLINTVIEW_RESULTSAVER_H

// Writes the results of one fetch to files (names: ResultFileNames). Make
// one saver per fetch: its error text starts empty and keeps the last
// failure of that fetch, so a failed left-eye write is still reported after
// the right eye was written. The caller shows a non-empty text in a critical
// box titled kSaveErrorTitle once all saving of the fetch is done.
//
// Contents: MONO_RAW images as our 8-bit grey BMP (rawImageAsBmp 1) or as
// width × height raw bytes; every other image format and ISO records exactly
// as delivered. Each file is written under a temporary name in the target
// folder, flushed to disk and checked, then renamed over the final name, so
// the final name holds the old file or the whole new one, never part of one;
// a link under the final name is replaced, never written through. A failed
// write removes its temporary file.
//
//   ResultSaver saver(ResultSaveOptions::fromSettings(*ctx));
//   saver.saveIsoRecord(ctx->isoRevision, ctx->resultFormat, ctx->resultKind, images[0], record);
//   saver.saveLastCapture(ctx->lastCapture, binocular);
//   if (!saver.report().errorText.isEmpty()) ... box "Save file" ...
//
// One thread at a time (the fetch's pool thread, then the GUI thread).

#include "zeph/zeph.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

struct AppSettings;
struct ImageSlot;
struct LastCapture;

struct ResultSaveOptions {
    bool saveBestImage = false;   // off: the save calls write nothing
    QString savedImagePath;       // empty: "Best" beside the executable
    QString executableDirectory;
    int32_t rawImageAsBmp = 0;    // 1: MONO_RAW images as BMP files

    // The options of this run: the settings and the executable's folder.
    static ResultSaveOptions fromSettings(const AppSettings &settings);
};

struct ResultSaveReport {
    QStringList filesWritten;     // final paths, in the order written
    QString errorText;            // empty unless a write of this fetch failed
};

class ResultSaver
{
public:
    static const char kSaveErrorTitle[];        // "Save file"
    static constexpr int kErrorTextField = 300; // wide characters, terminator included

    // `localTime` gives the moment of saving for the file names; the system's
    // local clock when empty.
    explicit ResultSaver(ResultSaveOptions options, std::function<QDateTime()> localTime = {});

    // One result image (no ISO). True when the file was written; false with
    // no error text when saving is off or the image has no data.
    bool saveResultImage(int32_t eyeSubtype, const ZephImage &image);
    bool saveResultImage(int32_t eyeSubtype, const ImageSlot &image);

    // The eyes of a fetched capture: on a binocular device the left image as
    // eye 2 and the right one as eye 1, each when present; on a monocular
    // device the left image when present, else the right one, as eye 0.
    // True when every file it tried was written.
    bool saveLastCapture(const LastCapture &capture, bool binocular);

    // The whole ISO record as delivered. The name takes its kind from the
    // first image entry, or from `resultKind` when that entry is empty (a
    // record of the left eye only).
    bool saveIsoRecord(int32_t isoRevision, int32_t resultFormat, int32_t resultKind,
                       const ZephImage &firstEntry, const ZephIsoRecord &record);

    // Puts another failure into the error text (the fetch reports the SDK's
    // message there when no record came). Cut to the field's 299 units.
    void setErrorText(const QString &text);

    const ResultSaveReport &report() const { return m_report; }
    const QString &errorText() const { return m_report.errorText; }

private:
    bool saveImage(int32_t eyeSubtype, uint8_t kind, uint8_t format, uint32_t width,
                   uint32_t height, const uint8_t *data, uint64_t size);
    QString folder() const;
    QDateTime now() const;
    void fail(const char *pattern, const QString &path);

    ResultSaveOptions m_options;
    std::function<QDateTime()> m_localTime;
    ResultSaveReport m_report;
};

#endif

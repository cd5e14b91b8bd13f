#ifndef GLINTVIEW_SETTINGSTEMPFILE_H
#define GLINTVIEW_SETTINGSTEMPFILE_H

// glintview.tmp on disk: where it lives, reading it whole, replacing it
// atomically, and what its fields mean for the program's settings. The byte
// layout itself is SettingsTempCodec's.

#include "device/SettingsTempCodec.h"
#include "platform/AtomicFile.h"

#include <QString>
#include <optional>

struct AppSettings;

class SettingsTempFile
{
public:
    // The system's temporary folder + "/glintview.tmp".
    static QString path();

    // Nothing when the file is missing, unreadable, not exactly 544 bytes or
    // carries another tag: then nothing at all is applied. The file lives in
    // a shared folder: a link there, or a file of another user, is refused
    // (and said on stderr); the settings then stay in memory only.
    static std::optional<SettingsTempCodec::Record> load(const QString &filePath);
    // Writes a new file (for the user only) beside the old one and renames
    // it over; a crash at any moment leaves the old file or the new one, and
    // a failed write leaves the old one. False when not written. `write`
    // stands in for write(2) in tests.
    static bool save(const QString &filePath, const SettingsTempCodec::Record &record,
                     const AtomicFile::WriteCall &write = {});
    // Removes what a save that crashed before its rename left beside the file.
    static void removeStaleTemporaries(const QString &filePath);

    // The record the setting work area writes when it is left.
    static SettingsTempCodec::Record fromSettings(const AppSettings &settings, bool saveBestImage);
    // Applies a loaded record: the image-saving options always, the UART
    // fields and the method only on the first load of a run (firstSettingsLoad).
    // Returns whether "Save best image" is to be shown checked.
    static bool apply(const SettingsTempCodec::Record &record, AppSettings &settings);
};

#endif

#ifndef GLINTVIEW_ATOMICFILE_H
#define GLINTVIEW_ATOMICFILE_H

// Replacing a file the operator relies on: the new content goes to a
// temporary file beside it, every write(2) is checked, the file is synced
// and closed without error, and only then renamed over the old one. Any
// failure removes the temporary file and leaves the old file as it was.
//
// Temporary files are named "<name>.new-<pid>-<6 letters>", so that a later
// run can tell its own leftovers (a crash between write and rename) from
// anything else in the folder.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AtomicFile
{
public:
    // One write(2): bytes written, or -1 with errno set. Tests put a disk
    // that fills up in its place.
    using WriteCall = std::function<qint64(int fd, const char *data, qint64 size)>;

    enum class Kind {
        // A file of the program's own folder (Config.xml): a link is written
        // through to its target; a replaced file keeps its mode and owner;
        // a file the user may not write is refused.
        Kept,
        // A file in a shared folder (glintview.tmp): a link or a file of
        // another user is refused, never followed; created for the user only.
        Private,
    };

    // Writes `bytes` as the new content of `path`. False with a reason in
    // `error` when anything failed; the old file is then untouched.
    static bool replace(const QString &path, const QByteArray &bytes, Kind kind, QString *error,
                        const WriteCall &write = {});

    // Reads at most `maxSize` bytes of a regular file that is no link and
    // belongs to the user. Nothing when missing or refused (reason in error).
    static std::optional<QByteArray> readPrivate(const QString &path, qint64 maxSize, QString *error);

    // Removes the temporaries a crashed save of `path` left: ours by name,
    // owned by the user, and either of a process that no longer runs or
    // older than kStaleSeconds at `nowSeconds` (seconds since the epoch). A
    // recent one of a running process is another instance's save in flight.
    static constexpr qint64 kStaleSeconds = 10 * 60;
    static QStringList removeStaleTemporaries(const QString &path, qint64 nowSeconds);

    // A failed save leaves a mark in the old file's modification time (its
    // nanoseconds), so that the next start can say so without a file of its
    // own. takeSaveFailedMark answers whether the mark was there and clears it.
    static bool markSaveFailed(const QString &path);
    static bool takeSaveFailedMark(const QString &path);
};

#endif

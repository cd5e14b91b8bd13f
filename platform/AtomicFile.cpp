#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Nanoseconds of a modification time that no ordinary write leaves behind.
constexpr long kFailedMarkNs = 999999937L;
constexpr int kRandomLetters = 6;

QString systemError(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

void setError(QString *out, const QString &text)
{
    if (out)
        *out = text;
}

qint64 systemWrite(int fd, const char *data, qint64 size)
{
    return ::write(fd, data, static_cast<size_t>(size));
}

QString temporaryPrefix(const QString &fileName)
{
    return fileName + QStringLiteral(".new-");
}

// Creates "<name>.new-<pid>-<letters>" beside the file, exclusively.
int createTemporary(const QString &finalPath, mode_t mode, QByteArray *tempPath, int *error)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QFileInfo info(finalPath);
    const QString prefix = info.path() + QLatin1Char('/') + temporaryPrefix(info.fileName())
                           + QString::number(::getpid()) + QLatin1Char('-');
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = prefix;
        for (int i = 0; i < kRandomLetters; ++i)
            name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
        *tempPath = QFile::encodeName(name);
        const int fd = ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            *error = errno;
            return fd;
        }
    }
    *error = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes, const AtomicFile::WriteCall &write, int *error)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        errno = 0;
        const qint64 n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || n > left) {
            // write(2) answering 0 for a non-empty buffer is a full disk too.
            *error = n < 0 && errno != 0 ? errno : ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool isOurTemporary(const QString &entry, const QString &prefix, pid_t *pid)
{
    if (!entry.startsWith(prefix))
        return false;
    const QString rest = entry.mid(prefix.size());
    const int dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0 || rest.size() - dash - 1 != kRandomLetters)
        return false;
    bool ok = false;
    const qlonglong value = rest.left(dash).toLongLong(&ok);
    if (!ok || value <= 0 || value > 0x7FFFFFFF)
        return false;
    for (QChar c : rest.mid(dash + 1))
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            return false;
    *pid = static_cast<pid_t>(value);
    return true;
}

bool processRuns(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

bool AtomicFile::replace(const QString &path, const QByteArray &bytes, Kind kind, QString *error,
                         const WriteCall &write)
{
    QByteArray target = QFile::encodeName(path);
    struct stat old = {};
    bool exists = ::lstat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT) {
        setError(error, systemError("cannot look at the file", errno));
        return false;
    }
    if (exists && S_ISLNK(old.st_mode)) {
        if (kind == Kind::Private) {
            setError(error, QStringLiteral("it is a symbolic link; not followed"));
            return false;
        }
        // The operator's own link: the file it points to is the one replaced.
        const QString resolved = QFileInfo(path).symLinkTarget();
        target = QFile::encodeName(resolved);
        exists = ::lstat(target.constData(), &old) == 0;
        if (exists && S_ISLNK(old.st_mode)) {
            setError(error, QStringLiteral("it is a link to a link; not followed"));
            return false;
        }
    }
    if (exists && !S_ISREG(old.st_mode)) {
        setError(error, QStringLiteral("something other than a file stands in its place"));
        return false;
    }
    if (exists && kind == Kind::Private && old.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("it belongs to another user (uid %1)").arg(old.st_uid));
        return false;
    }
    if (exists && kind == Kind::Kept && ::access(target.constData(), W_OK) != 0) {
        setError(error, systemError("the file may not be written", errno));
        return false;
    }

    const mode_t mode = kind == Kind::Private ? 0600 : 0666; // 0666 less the umask
    QByteArray temp;
    int openError = 0;
    const int fd = createTemporary(QFile::decodeName(target), mode, &temp, &openError);
    if (fd < 0) {
        setError(error, systemError("cannot create a file beside it", openError));
        return false;
    }

    const auto fail = [&](const char *what, int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        setError(error, systemError(what, code));
        return false;
    };

    if (exists && kind == Kind::Kept) {
        // Only root can give a file away; anyone else keeps the mode at least.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd, old.st_uid, old.st_gid);
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return fail("cannot keep the permissions", errno);
    }

    int writeError = 0;
    if (!writeAll(fd, bytes, write ? write : WriteCall(systemWrite), &writeError))
        return fail("writing stopped", writeError);
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        return fail("the data did not reach the disk", errno);
    const int closed = ::close(fd);
    const int closeError = errno;
    if (closed != 0) {
        ::unlink(temp.constData());
        setError(error, systemError("closing the new file failed", closeError));
        return false;
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int renameError = errno;
        ::unlink(temp.constData());
        setError(error, systemError("cannot put the new file in place", renameError));
        return false;
    }
    // The rename itself lasts once the folder is synced; a folder that
    // cannot be synced still holds the file whole.
    const int dir = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(target)).path()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::optional<QByteArray> AtomicFile::readPrivate(const QString &path, qint64 maxSize, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            setError(error, QStringLiteral("it is a symbolic link; not followed"));
        else if (errno != ENOENT)
            setError(error, systemError("cannot open it", errno));
        return std::nullopt;
    }
    struct stat st = {};
    QString refusal;
    if (::fstat(fd, &st) != 0)
        refusal = systemError("cannot look at it", errno);
    else if (!S_ISREG(st.st_mode))
        refusal = QStringLiteral("it is not a plain file");
    else if (st.st_uid != ::geteuid())
        refusal = QStringLiteral("it belongs to another user (uid %1)").arg(st.st_uid);
    if (!refusal.isEmpty()) {
        ::close(fd);
        setError(error, refusal);
        return std::nullopt;
    }
    QByteArray bytes(maxSize, Qt::Uninitialized);
    qint64 got = 0;
    while (got < maxSize) {
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(maxSize - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            setError(error, systemError("reading failed", errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    return bytes;
}

QStringList AtomicFile::removeStaleTemporaries(const QString &path, qint64 nowSeconds)
{
    const QFileInfo info(path);
    const QString prefix = temporaryPrefix(info.fileName());
    QStringList removed;
    const QStringList entries =
        QDir(info.path()).entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::System | QDir::Hidden);
    for (const QString &entry : entries) {
        pid_t pid = 0;
        if (!isOurTemporary(entry, prefix, &pid))
            continue;
        const QByteArray name = QFile::encodeName(info.path() + QLatin1Char('/') + entry);
        struct stat st = {};
        if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        const bool old = nowSeconds - static_cast<qint64>(st.st_mtime) > kStaleSeconds;
        if ((old || pid == ::getpid() || !processRuns(pid)) && ::unlink(name.constData()) == 0)
            removed << entry;
    }
    return removed;
}

bool AtomicFile::markSaveFailed(const QString &path)
{
    struct stat st = {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0)
        return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec, kFailedMarkNs}};
    return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
}

bool AtomicFile::takeSaveFailedMark(const QString &path)
{
    struct stat st = {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0 || st.st_mtim.tv_nsec != kFailedMarkNs)
        return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec, 0}};
    (void)::utimensat(AT_FDCWD, name.constData(), times, 0);
    return true;
}

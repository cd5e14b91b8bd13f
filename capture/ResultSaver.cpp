#include "capture/ResultSaver.h"

#include "capture/BmpWriter.h"
#include "capture/IsoIrisRecord.h"
#include "capture/ResultFileNames.h"
#include "core/AppSettings.h"
#include "core/LastCapture.h"
#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <utility>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

const char kCreateFailed[] = "Failed to create file '%1'";
const char kWriteFailed[] = "Failed to write data to file '%1'";
const char kSaveFailed[] = "Failed to save file '%1'";

enum class Outcome { Written, CreateFailed, WriteFailed };

bool writeAll(QIODevice &out, const uint8_t *data, uint64_t size)
{
    while (size > 0) {
        const qint64 n = out.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

bool flushToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#if defined(Q_OS_UNIX)
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

// Writes through `body` into a new temporary file beside `path`, then renames
// it over `path`. The temporary file is created exclusively (never through a
// link) and removed again on any failure; rename replaces the directory entry
// of `path` itself, so a link there is replaced rather than followed.
template <typename Body>
Outcome writeReplacing(const QString &path, Body body)
{
    const QFileInfo target(path);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                        + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(true);
    if (!temp.open())
        return Outcome::CreateFailed;
    if (!body(static_cast<QIODevice &>(temp)) || !flushToDisk(temp))
        return Outcome::WriteFailed;
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(path).constData())
        != 0)
        return Outcome::CreateFailed;
    temp.setAutoRemove(false); // its name is gone: nothing left to remove
    return Outcome::Written;
}

// Cuts a text to the units the field can hold, never inside a surrogate pair.
QString bounded(const QString &text, int units)
{
    if (text.size() <= units)
        return text;
    int n = units;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

} // namespace

const char ResultSaver::kSaveErrorTitle[] = "Save file";

ResultSaveOptions ResultSaveOptions::fromSettings(const AppSettings &settings)
{
    ResultSaveOptions o;
    o.saveBestImage = settings.saveBestImage != 0;
    o.savedImagePath = settings.savedImagePath;
    o.executableDirectory = AppPaths::executableDirectory();
    o.rawImageAsBmp = settings.rawImageAsBmp;
    return o;
}

ResultSaver::ResultSaver(ResultSaveOptions options, std::function<QDateTime()> localTime)
    : m_options(std::move(options)), m_localTime(std::move(localTime))
{
}

QString ResultSaver::folder() const
{
    return ResultFileNames::outputFolder(m_options.savedImagePath, m_options.executableDirectory);
}

QDateTime ResultSaver::now() const
{
    return m_localTime ? m_localTime() : QDateTime::currentDateTime();
}

void ResultSaver::setErrorText(const QString &text)
{
    m_report.errorText = bounded(text, kErrorTextField - 1);
}

void ResultSaver::fail(const char *pattern, const QString &path)
{
    setErrorText(QString::fromLatin1(pattern).replace(QLatin1String("%1"), path));
}

bool ResultSaver::saveResultImage(int32_t eyeSubtype, const ZephImage &image)
{
    return saveImage(eyeSubtype, image.kind, image.format, image.width, image.height, image.data,
                     image.size);
}

bool ResultSaver::saveResultImage(int32_t eyeSubtype, const ImageSlot &image)
{
    return saveImage(eyeSubtype, image.kind, image.format, image.width, image.height,
                     image.data.empty() ? nullptr : image.data.data(), image.data.size());
}

bool ResultSaver::saveLastCapture(const LastCapture &capture, bool binocular)
{
    if (binocular) {
        bool ok = true;
        if (capture.hasLeftImage)
            ok = saveResultImage(ZEPH_EYE_LEFT, capture.leftImage) && ok;
        if (capture.hasRightImage)
            ok = saveResultImage(ZEPH_EYE_RIGHT, capture.rightImage) && ok;
        return ok;
    }
    if (capture.hasLeftImage)
        return saveResultImage(ZEPH_EYE_UNKNOWN, capture.leftImage);
    if (capture.hasRightImage)
        return saveResultImage(ZEPH_EYE_UNKNOWN, capture.rightImage);
    return true;
}

bool ResultSaver::saveImage(int32_t eyeSubtype, uint8_t kind, uint8_t format, uint32_t width,
                            uint32_t height, const uint8_t *data, uint64_t size)
{
    if (!m_options.saveBestImage || !data)
        return false;

    const QString dir = folder();
    QDir().mkpath(dir); // a failure shows as the create error below
    ResultFileNames::Input in;
    in.eyeSubtype = eyeSubtype;
    in.kind = kind;
    in.format = format;
    in.width = width;
    in.height = height;
    in.rawImageAsBmp = m_options.rawImageAsBmp;
    const QDateTime when = now();
    const QString path = ResultFileNames::build(dir, in, when);
    if (path.isEmpty()) {
        fail(kCreateFailed, ResultFileNames::buildUnbounded(dir, in, when));
        return false;
    }

    Outcome outcome;
    if (format == ZEPH_FORMAT_MONO_RAW && m_options.rawImageAsBmp == 1) {
        outcome = writeReplacing(path, [&](QIODevice &out) {
            return BmpWriter::write(out, width, height, data, size);
        });
        if (outcome != Outcome::Written) {
            fail(kSaveFailed, path);
            return false;
        }
    } else {
        uint64_t bytes = size;
        if (format == ZEPH_FORMAT_MONO_RAW) {
            // The raw file is exactly the picture; data short of it is refused.
            bytes = static_cast<uint64_t>(width) * height;
            if (bytes > size) {
                fail(kWriteFailed, path);
                return false;
            }
        }
        outcome = writeReplacing(path, [&](QIODevice &out) { return writeAll(out, data, bytes); });
        if (outcome != Outcome::Written) {
            fail(outcome == Outcome::CreateFailed ? kCreateFailed : kWriteFailed, path);
            return false;
        }
    }
    m_report.filesWritten << path;
    return true;
}

bool ResultSaver::saveIsoRecord(int32_t isoRevision, int32_t resultFormat, int32_t resultKind,
                                const ZephImage &firstEntry, const ZephIsoRecord &record)
{
    if (!m_options.saveBestImage || !record.data)
        return false;

    const QString dir = folder();
    QDir().mkpath(dir);
    ResultFileNames::Input in;
    in.isoRevision = isoRevision;
    in.kind = firstEntry.data ? firstEntry.kind : IsoIrisRecord::compactKind(resultKind);
    in.resultFormat = resultFormat;
    const QDateTime when = now();
    const QString path = ResultFileNames::build(dir, in, when);
    if (path.isEmpty()) {
        fail(kCreateFailed, ResultFileNames::buildUnbounded(dir, in, when));
        return false;
    }
    const Outcome outcome = writeReplacing(
        path, [&](QIODevice &out) { return writeAll(out, record.data, record.size); });
    if (outcome != Outcome::Written) {
        fail(outcome == Outcome::CreateFailed ? kCreateFailed : kWriteFailed, path);
        return false;
    }
    m_report.filesWritten << path;
    return true;
}

#include "capture/ResultFileNames.h"

#include "zeph/zeph.h"

namespace {

QString kindPiece(uint8_t kind, bool iso)
{
    switch (kind) {
    case ZEPH_COMPACT_K1: return QStringLiteral("_K1");
    case ZEPH_COMPACT_K2: return QStringLiteral("_K2");
    case ZEPH_COMPACT_K3: return QStringLiteral("_K3");
    case ZEPH_COMPACT_K7: return QStringLiteral("_K7");
    default: break;
    }
    if (iso) {
        switch (kind) {
        case ZEPH_COMPACT_K7_1_5: return QStringLiteral("_K715");
        case ZEPH_COMPACT_K7_2_5: return QStringLiteral("_K725");
        case ZEPH_COMPACT_K7_3_5: return QStringLiteral("_K735");
        case ZEPH_COMPACT_K7_5_0: return QStringLiteral("_K750");
        default: break;
        }
    }
    return QString();
}

QString isoFormatPiece(int32_t format)
{
    switch (format) {
    case ZEPH_FORMAT_MONO_RAW: return QStringLiteral("_raw");
    case ZEPH_FORMAT_MONO_JPEG2000: return QStringLiteral("_jp2");
    default: return QString();
    }
}

QString eyeName(int32_t eyeSubtype)
{
    switch (eyeSubtype) {
    case ZEPH_EYE_RIGHT: return QStringLiteral("RightEye");
    case ZEPH_EYE_LEFT: return QStringLiteral("LeftEye");
    case ZEPH_EYE_BOTH: return QStringLiteral("BothEye");
    default: return QStringLiteral("UnknownEye");
    }
}

bool isIso(const ResultFileNames::Input &in)
{
    return in.isoRevision == ZEPH_ISO_2005 || in.isoRevision == ZEPH_ISO_2011;
}

} // namespace

QString ResultFileNames::outputFolder(const QString &savedImagePath,
                                      const QString &executableDirectory)
{
    if (!savedImagePath.isEmpty())
        return savedImagePath;
    return executableDirectory + QStringLiteral("/Best");
}

QString ResultFileNames::stem(const Input &in)
{
    if (isIso(in)) {
        return (in.isoRevision == ZEPH_ISO_2005 ? QStringLiteral("2005") : QStringLiteral("2011"))
            + kindPiece(in.kind, true) + isoFormatPiece(in.resultFormat);
    }
    QString s = eyeName(in.eyeSubtype) + kindPiece(in.kind, false);
    if (in.format == ZEPH_FORMAT_MONO_RAW)
        s += QStringLiteral("_%1x%2").arg(in.width).arg(in.height);
    return s;
}

QString ResultFileNames::extension(const Input &in)
{
    if (isIso(in))
        return QStringLiteral("iso");
    switch (in.format) {
    case ZEPH_FORMAT_MONO_RAW:
        return in.rawImageAsBmp == 1 ? QStringLiteral("bmp") : QStringLiteral("raw");
    case ZEPH_FORMAT_MONO_JPEG: return QStringLiteral("jpg");
    case ZEPH_FORMAT_MONO_JPEG2000: return QStringLiteral("jp2");
    case ZEPH_FORMAT_MONO_PNG: return QStringLiteral("png");
    default: return QStringLiteral("bin");
    }
}

QString ResultFileNames::buildUnbounded(const QString &folder, const Input &in,
                                        const QDateTime &localTime)
{
    // Pieces are joined, never substituted into a pattern, so a '%' in the
    // operator's folder stays as it is.
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return folder + QLatin1Char('/') + stem(in) + QLatin1Char('_')
        + QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + QLatin1Char('-')
        + two(d.month()) + QLatin1Char('-') + two(d.day()) + QLatin1Char('-') + two(t.hour())
        + QLatin1Char('-') + two(t.minute()) + QLatin1Char('-') + two(t.second())
        + QLatin1Char('.') + extension(in);
}

QString ResultFileNames::build(const QString &folder, const Input &in, const QDateTime &localTime)
{
    QString path = buildUnbounded(folder, in, localTime);
    if (path.size() > kMaxPathLength)
        return QString();
    return path;
}

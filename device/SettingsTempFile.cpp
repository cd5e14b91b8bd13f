#include "device/SettingsTempFile.h"

#include "core/AppSettings.h"
#include "platform/AppPaths.h"

#include <QDateTime>

QString SettingsTempFile::path()
{
    return AppPaths::temporaryDirectory() + QStringLiteral("/glintview.tmp");
}

std::optional<SettingsTempCodec::Record> SettingsTempFile::load(const QString &filePath)
{
    QString error;
    // One byte more than the format needs tells a long file from a good one.
    const std::optional<QByteArray> bytes =
        AtomicFile::readPrivate(filePath, static_cast<qint64>(SettingsTempCodec::kFileSize) + 1, &error);
    if (!bytes) {
        if (!error.isEmpty())
            qWarning("glintview.tmp: %s is not read (%s); the settings of this run stay in memory",
                     qPrintable(filePath), qPrintable(error));
        return std::nullopt;
    }
    return SettingsTempCodec::decode(reinterpret_cast<const uint8_t *>(bytes->constData()),
                                     static_cast<std::size_t>(bytes->size()));
}

bool SettingsTempFile::save(const QString &filePath, const SettingsTempCodec::Record &record,
                            const AtomicFile::WriteCall &write)
{
    const SettingsTempCodec::Bytes bytes = SettingsTempCodec::encode(record);
    QString error;
    if (!AtomicFile::replace(filePath,
                             QByteArray(reinterpret_cast<const char *>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size())),
                             AtomicFile::Kind::Private, &error, write)) {
        qWarning("glintview.tmp: %s is not replaced (%s); the settings of this run stay in memory",
                 qPrintable(filePath), qPrintable(error));
        return false;
    }
    return true;
}

void SettingsTempFile::removeStaleTemporaries(const QString &filePath)
{
    for (const QString &stale : AtomicFile::removeStaleTemporaries(filePath, QDateTime::currentSecsSinceEpoch()))
        qWarning("glintview.tmp: removed %s, left by a save that did not finish", qPrintable(stale));
}

SettingsTempCodec::Record SettingsTempFile::fromSettings(const AppSettings &s, bool saveBestImage)
{
    SettingsTempCodec::Record r;
    r.saveBestImage = saveBestImage;
    r.savedImagePath = s.savedImagePath.toStdU16String();
    r.rawImageAsBmp = s.rawImageAsBmp == 1;
    r.uartBaudrate = s.deviceConfig.uartBaudrate;
    r.uartFlowControl = s.deviceConfig.uartFlowControl;
    r.pendingCommStd = s.pendingCommStd;
    return r;
}

bool SettingsTempFile::apply(const SettingsTempCodec::Record &r, AppSettings &s)
{
    if (!r.savedImagePath.empty())
        s.savedImagePath = QString::fromStdU16String(r.savedImagePath);
    s.rawImageAsBmp = r.rawImageAsBmp ? 1 : 0;
    if (s.firstSettingsLoad) {
        s.firstSettingsLoad = 0;
        if (r.uartBaudrate)
            s.sdkConfig.uartBaudrate = *r.uartBaudrate;
        if (r.uartFlowControl)
            s.sdkConfig.uartFlowControl = *r.uartFlowControl;
        if (r.pendingCommStd)
            s.pendingCommStd = *r.pendingCommStd;
        s.deviceConfig.uartBaudrate = s.sdkConfig.uartBaudrate;
        s.deviceConfig.uartFlowControl = static_cast<uint8_t>(s.sdkConfig.uartFlowControl & 0xFF);
    }
    return r.saveBestImage;
}

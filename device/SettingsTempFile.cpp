#include "device/SettingsTempFile.h"

#include "core/AppSettings.h"
#include "platform/AppPaths.h"

#include <QFile>
#include <QSaveFile>

QString SettingsTempFile::path()
{
    return AppPaths::temporaryDirectory() + QStringLiteral("/glintview.tmp");
}

std::optional<SettingsTempCodec::Record> SettingsTempFile::load(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte more than the format needs tells a long file from a good one.
    const QByteArray bytes = file.read(static_cast<qint64>(SettingsTempCodec::kFileSize) + 1);
    return SettingsTempCodec::decode(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size()));
}

bool SettingsTempFile::save(const QString &filePath, const SettingsTempCodec::Record &record)
{
    const SettingsTempCodec::Bytes bytes = SettingsTempCodec::encode(record);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(reinterpret_cast<const char *>(bytes.data()), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

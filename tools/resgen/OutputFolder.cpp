#include "OutputFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace resgen {

OutputFolder::OutputFolder(const QString &root) : m_root(root) {}

bool OutputFolder::write(const QString &relativePath, const QByteArray &data)
{
    if (relativePath.isEmpty() || QDir::isAbsolutePath(relativePath) || relativePath.contains(QLatin1String(".."))) {
        m_error = QStringLiteral("refusing to write outside the output folder: %1").arg(relativePath);
        return false;
    }
    if (data.isEmpty()) {
        m_error = QStringLiteral("nothing to write for %1: its encoder failed").arg(relativePath);
        return false;
    }
    const QString path = QDir(m_root).filePath(relativePath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        m_error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    m_written.append(relativePath);
    return true;
}

} // namespace resgen

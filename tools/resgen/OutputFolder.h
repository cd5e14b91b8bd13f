#ifndef RESGEN_OUTPUTFOLDER_H
#define RESGEN_OUTPUTFOLDER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace resgen {

// Writes files below one folder. Each file is written whole to a temporary
// name and renamed into place, so a build that stops halfway never leaves a
// cut-off resource behind.
class OutputFolder
{
public:
    explicit OutputFolder(const QString &root);

    // `relativePath` uses '/' and may name sub-folders, which are created.
    bool write(const QString &relativePath, const QByteArray &data);

    QStringList written() const { return m_written; }
    QString lastError() const { return m_error; }

private:
    QString m_root;
    QStringList m_written;
    QString m_error;
};

} // namespace resgen

#endif

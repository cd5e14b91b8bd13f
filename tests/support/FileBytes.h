#ifndef GLINTVIEW_TESTS_FILEBYTES_H
#define GLINTVIEW_TESTS_FILEBYTES_H

// A whole file read or written in one go: empty when it cannot be read,
// false when it cannot be written.

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

#endif

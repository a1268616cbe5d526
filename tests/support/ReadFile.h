#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes, or "<missing>" when it cannot be opened (so a comparison
// with expected contents fails with a readable message).
inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The same as text, for files written in Latin-1 (logs, tunes).
inline QString ReadTextFile(const QString& path)
{
    return QString::fromLatin1(ReadFile(path));
}

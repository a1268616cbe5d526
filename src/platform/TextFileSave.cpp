#include "platform/TextFileSave.h"

#include "platform/WriteWhole.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool SaveTextFile(const QString& path, const QString& text, QString* error)
{
    const QByteArray bytes = text.toLocal8Bit();
    const QFileInfo target(path);
    // A device or a pipe (/dev/stdout, a FIFO) cannot be replaced by a new
    // file: it is written to as it is.
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile device(path);
        if (device.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && WriteWhole(device, bytes))
            return true;
        if (error)
            *error = device.errorString();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A failed write's reason is taken before the file is discarded: the
    // discarded file no longer knows it. A failed file is discarded and the
    // old one stays.
    if (!WriteWhole(file, bytes)) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

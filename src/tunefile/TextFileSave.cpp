#include "tunefile/TextFileSave.h"

#include <QSaveFile>

bool SaveTextFile(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toLocal8Bit();
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
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

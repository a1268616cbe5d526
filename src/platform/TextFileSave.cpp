#include "platform/TextFileSave.h"

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
    // commit() alone misses a failure to write out the buffered rest (a full
    // disk shows only then), so the flush is checked first; a failed file is
    // discarded and the old one stays.
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    if (!written)
        file.cancelWriting();
    if (!file.commit() || !written) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

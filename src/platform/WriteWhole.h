#pragma once

#include <QByteArrayView>
#include <QFileDevice>

// Writes every byte to a file, going on after a short write (a nearly full
// disk takes part of it): the write that then fails leaves the system's
// reason ("No space left on device") in errorString(), which a short write
// alone does not. Files written this way are opened unbuffered, so that each
// write reaches the system at once and fails there.
inline bool WriteWhole(QFileDevice& file, QByteArrayView bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

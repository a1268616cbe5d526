#pragma once

#include "link/Frame.h"
#include "sim/VentrixDevice.h"

#include <QByteArray>
#include <QString>

// Sends one payload to the unit, framed as the program frames it, and
// returns the reply's characters joined (empty for no reply).
inline QByteArray Ask(VentrixDevice& device, const QString& payload, qint64 nowMs = 0)
{
    QByteArray reply;
    for (const SimChunk& chunk : device.receive(frame::Build(payload), nowMs))
        reply += chunk.bytes;
    return reply;
}

// A frame with the given length field, checksummed over that field, so that
// a wrong length can be sent with an otherwise right checksum.
inline QByteArray FrameWithLength(const QByteArray& lengthField, const QByteArray& payload)
{
    return "UU" + lengthField + payload + frame::Checksum(lengthField, payload) + '$';
}

inline QString Data(const QByteArray& reply)
{
    return QString::fromLatin1(frame::ReplyData(reply));
}

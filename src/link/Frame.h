#pragma once

#include <QByteArray>
#include <QString>

// The request frame: "UU", two hex digits of payload length, the payload,
// two hex digits of checksum, "$". The checksum is the sum of the length
// digits and the payload characters, modulo 256.
namespace frame {

QByteArray LengthField(const QString& payload);
QByteArray Checksum(const QByteArray& lengthField, const QByteArray& payload);
QByteArray Build(const QString& payload);

// How the received characters of one attempt are judged.
enum class Verdict {
    Positive,  // "uu01", data, "$", in time
    Negative,  // "uu01$": the unit refused the request
    Malformed, // does not start "uu01"
    TimedOut,  // no terminator in time, or it came at or past the deadline
};

// received: everything read during the attempt; inTime: whether the clock,
// read again after the wait, is still before the attempt's deadline.
Verdict Judge(const QByteArray& received, bool inTime);

// The reply data between "uu01" and the final "$" of a positive reply.
QByteArray ReplyData(const QByteArray& received);

// Two upper-case hexadecimal digits for a value 0 to 255.
QString HexByte(int value);

} // namespace frame

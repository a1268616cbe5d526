#include "link/Frame.h"

namespace frame {

namespace {
const QByteArray PositivePrefix = QByteArrayLiteral("uu01");
constexpr char Terminator = '$';
} // namespace

QString HexByte(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QByteArray LengthField(const QString& payload)
{
    return HexByte(static_cast<int>(payload.size())).toLatin1();
}

QByteArray Checksum(const QByteArray& lengthField, const QByteArray& payload)
{
    unsigned sum = 0;
    for (const char c : lengthField + payload)
        sum += static_cast<unsigned char>(c);
    return HexByte(static_cast<int>(sum % 256)).toLatin1();
}

QByteArray Build(const QString& payload)
{
    const QByteArray body = payload.toLatin1();
    const QByteArray length = LengthField(payload);
    return QByteArrayLiteral("UU") + length + body + Checksum(length, body) + Terminator;
}

Verdict Judge(const QByteArray& received, bool inTime)
{
    if (received.size() >= 5 && received.at(4) == Terminator)
        return Verdict::Negative;
    if (!inTime || !received.endsWith(Terminator))
        return Verdict::TimedOut;
    if (!received.startsWith(PositivePrefix))
        return Verdict::Malformed;
    return Verdict::Positive;
}

QByteArray ReplyData(const QByteArray& received)
{
    if (received.size() < PositivePrefix.size() + 1)
        return {};
    return received.mid(PositivePrefix.size(), received.size() - PositivePrefix.size() - 1);
}

} // namespace frame

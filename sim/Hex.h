#pragma once

#include <QByteArray>

// Two-digit hexadecimal bytes as the unit reads and writes them.
namespace sim_hex {

// Upper-case, zero-padded: 5 gives "05", -1 gives "FF".
inline QByteArray Byte(int value)
{
    static const char digits[] = "0123456789ABCDEF";
    const int byte = value & 0xFF;
    const char pair[2] = {digits[byte >> 4], digits[byte & 0xF]};
    return QByteArray(pair, 2);
}

inline int Digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Exactly two hexadecimal digits of either case; no sign, space or prefix.
inline bool ParseByte(const QByteArray& text, int& value)
{
    if (text.size() != 2 || Digit(text[0]) < 0 || Digit(text[1]) < 0)
        return false;
    value = Digit(text[0]) * 16 + Digit(text[1]);
    return true;
}

} // namespace sim_hex

#pragma once

#include <QString>

// Whether the unit's reply to a write confirms what was sent. The reply
// carries the table letter in lower case: it matches when its character code
// less 32 is the letter sent (so an upper-case echo does not match).
namespace cells {

bool EchoedLetterIs(const QString& replyData, char table);

// "W": letter, address and byte as sent (two hexadecimal digits each).
bool WriteEchoMatches(const QString& replyData, char table, const QString& address,
                      const QString& byte);

// "S": letter, first and last address, and the byte.
bool FillEchoMatches(const QString& replyData, char table, const QString& first,
                     const QString& last, const QString& byte);

} // namespace cells

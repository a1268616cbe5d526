#pragma once

#include <QString>

#include <functional>
#include <optional>

// The tuner's requests to the unit, with the tuner's uses of the link (its
// attempts and time-outs stand in link/RequestTable.h), each reply taken as
// data only when it answers what was asked. No window: the tuner holds its
// live timer off around them.
namespace tuner_link {

// One table entry's byte ("R"): the reply must echo the table letter (in
// lower case) and the address, and carry two hexadecimal digits.
std::optional<int> ReadEntryByte(char table, int address);
// The same read with the live display's patience, for learning what the unit
// holds after a write failed: a unit that does not answer it counts as lost,
// as it would for the live display.
std::optional<int> ReadEntryByteAfterFailure(char table, int address);

// A configuration register's byte ("RT"), two hexadecimal digits.
std::optional<int> ReadRegisterByte(int reg);

// "W" with the value's low byte; true when the unit echoes letter, address
// and byte. A transfer-function cell of a tune opened off line is refused
// unsent (a tune file has no transfer function to keep it in).
bool WriteEntry(char table, int address, int value);

// "WT"; true when the unit echoes the register and the byte.
bool WriteRegister(int reg, int byte);

// One live sample ("M"): its text. On failure the link counts as lost
// (Connected false) and nothing is said. `between` runs between two attempts
// and gives the request up when it returns false.
std::optional<QString> RequestSample(const std::function<bool()>& between = {});

} // namespace tuner_link

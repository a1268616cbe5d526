#pragma once

#include <optional>

// The tuner's transactions with the unit, each through SendFrame with the
// tuner's patience, and each reply taken as data only when it answers what
// was asked. No window: the tuner holds its live timer off around them.
namespace tuner_link {

inline constexpr int Attempts = 25;
inline constexpr int TimeoutMs = 10000;
inline constexpr int SampleAttempts = 25;
inline constexpr int SampleTimeoutMs = 500;

// One table entry's byte ("R"): the reply must echo the table letter (in
// lower case) and the address, and carry two hexadecimal digits.
std::optional<int> ReadEntryByte(char table, int address);
// The same read with the live display's patience (25 attempts of 500 ms),
// for learning what the unit holds after a write failed: a unit that does
// not answer it counts as lost, as it would for the live display.
std::optional<int> ReadEntryByteAfterFailure(char table, int address);

// A configuration register's byte ("RT"), two hexadecimal digits.
std::optional<int> ReadRegisterByte(int reg);

// "W" with the value's low byte; true when the unit echoes letter, address
// and byte.
bool WriteEntry(char table, int address, int value);

// "WT"; true when the unit echoes the register and the byte.
bool WriteRegister(int reg, int byte);

// One live sample ("M", 25 attempts of 500 ms); on success RxBuffer holds it.
// On failure the link counts as lost (Connected false) and nothing is said.
bool RequestSample();

} // namespace tuner_link

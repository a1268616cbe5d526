#pragma once

#include <QString>

#include <optional>

// What the bytes of the configuration registers and of the power-up reply
// mean. Plain conversions; the requests themselves are in Commands.h.
namespace register_map {

// The size the unit ships with, and what an empty bank-2 register stands for.
inline constexpr int DefaultInjectorSize = 19;

// Ignition codes of register 06, in the order of the ignition options.
inline constexpr int IgnitionCodes[] = {0x80, 0x81, 0x82, 0x84, 0x86};
inline constexpr int IgnitionTypeCount = 5;

// RPM-switch modes of register 09, in the order of the switch options.
inline constexpr int RpmOnlyMode = 0x00;   // shift light
inline constexpr int RpmAndWotMode = 0x01; // nitrous
inline constexpr int RpmModeCount = 2;

// One step of the switch points is 40 rpm.
inline constexpr int RpmPerStep = 40;

// Exactly two hexadecimal digits as a byte; nothing for anything else, so a
// garbled reply never passes for a real code.
std::optional<int> ParseByte(const QString& text);

// Key-on voltages of the power-up reply: byte / 256 x 5.
double KeyOnVolts(int byte);

// The W.O.T. breakpoint: registers 00 (high) and 01 (low) as one count,
// volts = count / 1024 x 5.
int BreakpointCount(int high, int low);
double BreakpointVolts(int count);

// The firmware stage by its code: 0 and 2 are the plus stage, 1 and 3 the
// base stage; other codes say nothing about the stage.
enum class Stage { Plus, Base, Unknown };
Stage StageOf(int code);
QString StageText(Stage stage); // "STAGE2(PLUS)", "STAGE1(BASE)", empty for Unknown

// Option index of an ignition code and back; -1 for a code or index outside the table.
int IgnitionIndexOf(int code);
int IgnitionCodeOf(int index);

// Option index of an RPM-switch mode and back; -1 outside the table.
int RpmModeIndexOf(int mode);
int RpmModeOf(int index);

int RpmFromSteps(int steps);

// The names of the ignition types and switch modes, by option index, as
// the user reads them: "WASTE-SPARK (4/6/8 Cyl.)", "RPM & W.O.T. (NITROUS)".
QString IgnitionCaption(int index);
QString RpmModeCaption(int index);

// Bank-2 sizes: an unset register (0) means the default size.
int Bank2InjectorSize(int registerValue);

// EEC size over installed size. With no installed size the quotient has no
// meaning; it is then taken as 1, "no scaling", which keeps every later use
// of the ratio (as factor or divisor) finite.
double InjectorRatio(double eecSize, double installedSize);

} // namespace register_map

#pragma once

#include <QString>

// The unit's MAF voltage offset (register 13): a signed byte of 1/1024 of
// 5 V steps, adjusted on the monitor's slider between -103 and +103.
namespace voltage_offset {

inline constexpr int SliderMinimum = -103;
inline constexpr int SliderMaximum = 103;

// The register's byte as the signed offset: above 127 counts down from 256.
int FromRegisterByte(int byte);

// The slider's range holds most of what the register can; a value beyond it
// sits at the nearer end.
int ClampToSlider(int offset);

// Two upper-case hex digits, the low byte in two's complement (-1 "FF", 5 "05").
QString Digits(int offset);

// The offset in volts in the pattern "0.000" (103 "0.503", -10 "-0.049").
QString VoltsText(int offset);

} // namespace voltage_offset

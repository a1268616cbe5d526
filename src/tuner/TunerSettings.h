#pragma once

#include <QString>

// The breakpoint and RPM-switch registers as the tuner's scroll bars hold
// them, and the digits they are written with.
namespace tuner {

// TPS W.O.T. breakpoint: a count of 1/1024 of 5 V, 0 to 1023 on the scroll bar.
inline constexpr int BreakpointMaximum = 1023;
// RPM switch points in rpm, 40 rpm a step, 0 to 10200 on the scroll bars.
inline constexpr int SwitchMaximum = 10200;

// The count split into the bytes written to register 00 (high) and 01
// (low): 512 gives 02 and 00, 1023 gives 03 and FF.
struct BreakpointBytes {
    int high;
    int low;
};
BreakpointBytes BytesOfBreakpoint(int count);

// Volts as the breakpoint box shows them ("0.000"): 511 gives 2.495.
float BreakpointVolts(int count);
QString BreakpointText(int count);
// The count that stands for a voltage, rounded halves to even.
int BreakpointCountOf(double volts);

// A switch point's register byte: rpm / 40 rounded halves to even (3020 gives
// 76); its two digits ("4C").
int SwitchStepOf(double rpm);
QString SwitchDigits(double rpm);
// A switch point as its box shows it ("##,##0").
QString SwitchText(double rpm);

} // namespace tuner

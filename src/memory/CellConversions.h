#pragma once

#include <QString>
#include <optional>

// How the unit's table cells meet what the user reads and types. Correction
// tables (O, C, H, L) are addressed by engine speed, 40 rpm a cell, and hold
// signed percentages; the transfer function (F) is addressed by MAF voltage,
// 5/256 V a cell, and holds flows whose scale grows along the table.
namespace cells {

inline constexpr int CellCount = 256;
inline constexpr int LastAddress = CellCount - 1;
inline constexpr double RpmPerCell = 40.0;
inline constexpr double MaxRpm = 10200.0;
inline constexpr double MaxVolts = 4.995;
inline constexpr double MaxCorrection = 100.0;
inline constexpr int FullScaleFlow = 1020; // the largest flow when the injector ratio is 1

// The injector sizes the transfer function can be calibrated for (lb/hr);
// its bytes are drawn for 19 lb/hr injectors.
inline constexpr int InjectorSizes[] = {16, 19, 24, 30, 36, 39, 42, 48, 50, 55, 62, 72, 83, 93};
inline constexpr int InjectorSizeCount = static_cast<int>(sizeof InjectorSizes / sizeof InjectorSizes[0]);
inline constexpr double CalibrationInjectorSize = 19.0;

// "19lb/hr" for a size of the list, "<Select>" for any other.
QString InjectorCaption(double size);

// The injector size (lb/hr) every read, write, limit and listing of the
// transfer function uses: the size chosen (the injector list's entry, or
// kestrel-cli's --injectors); without one, the program's installed size, or
// 19 when none is known. One size, so a listing's heading and its flows
// always agree.
double TransferCalibrationSize(std::optional<double> chosenSize, double installedInjectorSize);

// The flows' scale for that size: size / 19.
double TransferCalibrationRatio(double calibrationSize);

// The calibration as the listing's heading names it: "24lb/hr".
QString CalibrationCaption(double calibrationSize);

bool IsCorrectionTable(char table);

// The cell of an engine speed: rpm / 40, halves to the even cell (500 -> 0C).
int RpmToAddress(double rpm);

// The cell of a MAF voltage: V x 1024 / 20, halves to the even cell. The few
// voltages below 5 V that round to 256 belong to the last cell, FF.
int VoltsToAddress(double volts);

// The transfer function's scale k at an address: 1 up to 150, 2 up to 200, 4 above.
int TransferScale(int address);

// A correction byte read as a signed percentage, -128 to 127.
int DecodeCorrection(int byte);

// A percentage (-128 to 127 after rounding halves to even) as its two's-complement byte.
int EncodeCorrection(double percent);

// The flow a transfer-function byte stands for: byte x k x ratio, halves to
// even. 0 when the ratio is not a finite number.
long long DecodeFlow(int address, int byte, double injectorRatio);

// The byte that holds a flow at an address: flow / (k x ratio), halves to
// even. Nothing when no byte 0 to 255 holds it or the ratio is not a positive
// finite number.
std::optional<int> EncodeFlow(int address, double flow, double injectorRatio);

// The largest flow accepted anywhere, L = 1020 x ratio, halves to even (0
// for a ratio that is not finite).
long long FlowLimit(double injectorRatio);

// The largest flow one cell can hold, which below address 201 is less than L.
long long CellFlowLimit(int address, double injectorRatio);

// Whole numbers as the window shows them: a space before values of zero and
// above, the minus sign before negative ones (" 12", "-4").
QString SignedText(long long value);

} // namespace cells

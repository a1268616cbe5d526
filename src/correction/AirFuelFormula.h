#pragma once

#include <QString>

// The air/fuel calculator's arithmetic, free of widgets: the calculator
// window and auto-tune both use it.
namespace air_fuel {

// Ratios outside 10:1 to 18:1 are refused, current ratio first.
inline constexpr double LowestRatio = 10.0;
inline constexpr double HighestRatio = 18.0;

// The refusal for the entered ratios, or an empty text when both are accepted.
QString EntryError(double current, double desired);

// The EEC injector size the correction is scaled to. Without a configuration
// read from the unit there is no size (0); the unit's factory size, 19 lb/hr,
// stands in, which leaves the correction unscaled.
double ScalingInjectorSize(double eecInjectorSize);

// The correction in percent that moves the engine from the current to the
// desired ratio, scaled from a 19 lb/hr curve to the given size (> 0).
double CorrectionPercent(double current, double desired, double injectorSize);

enum class Polarity { Rich, Lean, None };
Polarity PolarityOf(double percent);

// The correction as shown ("##0.0"). A small negative change keeps its
// minus sign ("-0.0" for -0.034), so the number agrees with the "LEAN"
// shown beside it.
QString ChangeText(double percent);

} // namespace air_fuel

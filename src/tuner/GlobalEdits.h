#pragma once

#include <QString>

#include <array>

// The edits that move all 25 cells at once: the 5 % lean and rich shifts
// and the injector-size compensation. Each is refused as a whole when any
// slider would leave -100..+100.
namespace tuner {

using SliderValues = std::array<int, 25>;

inline constexpr int ShiftStep = 5;

// The EEC / installed ratios last applied to the sliders, the single-precision
// companions of InjectorRatioOL (tune 1's open-loop table) and
// InjectorRatioCL (the other tables). Program-wide: they outlive the tuner.
inline float LastAppliedRatioOL = 0.0f;
inline float LastAppliedRatioCL = 0.0f;

// Why a shift by `delta` points is refused: the first cell, in cell order,
// that would pass an end decides which end is named.
enum class ShiftRefusal { None, AboveMaximum, BelowMinimum };
ShiftRefusal CheckShift(const SliderValues& sliders, int delta);

inline const QString ShiftAboveText =
    QStringLiteral("Cannot make global table change. An individual slider will exceed 100%.");
inline const QString ShiftBelowText =
    QStringLiteral("Cannot make global table change. An individual slider will exceed -100%.");

// The compensation in percent points for moving from the ratio last applied
// to the sliders to a new EEC / installed ratio: (new - last) x 100, rounded
// halves to even. 19 lb/hr programmed, 24 installed, last 1.0: -21.
int Compensation(double newRatio, float lastAppliedRatio);

// Whether every slider stays within -100..+100 after the compensation (and
// the compensation itself lies within them).
bool CompensationFits(const SliderValues& sliders, int compensation);

inline const QString CompensationRefusedText = QStringLiteral(
    "Cannot compensate for such a large disparity in actual vs. programmed injector size.\r\n"
    "Please make another selection.");

} // namespace tuner

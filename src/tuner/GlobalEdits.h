#pragma once

#include <QString>

#include <array>

// The edits that move all 25 cells at once: the 5 % lean and rich shifts
// and the injector-size compensation. Each is refused as a whole when any
// slider would leave -100..+100 (or any entry what the unit can hold).
namespace tuner {

using SliderValues = std::array<int, 25>;

inline constexpr int ShiftStep = 5;

// An injector ratio, EEC / installed, kept as the two whole sizes in lb/hr
// it is made of, so that the difference of two ratios is worked exactly.
struct SizeRatio {
    int eec = 1;
    int installed = 1;
    bool operator==(const SizeRatio&) const = default;
};
// The sizes as the unit's registers hold them: whole lb/hr.
SizeRatio RatioOfSizes(double eecSize, double installedSize);

// The ratios last applied to the sliders: tune 1's open-loop table (the
// companion of InjectorRatioOL) and the other tables (InjectorRatioCL).
// Program-wide: they outlive the tuner.
inline SizeRatio LastAppliedRatioOL;
inline SizeRatio LastAppliedRatioCL;

// Why a shift by `delta` points is refused: the first cell, in cell order,
// that would pass an end decides which end is named.
enum class ShiftRefusal { None, AboveMaximum, BelowMinimum };
ShiftRefusal CheckShift(const SliderValues& sliders, int delta);

inline const QString ShiftAboveText =
    QStringLiteral("Cannot make global table change. An individual slider will exceed 100%.");
inline const QString ShiftBelowText =
    QStringLiteral("Cannot make global table change. An individual slider will exceed -100%.");

// The compensation in percent points for moving from the ratio last applied
// to the sliders to a new one: (new - last) x 100, rounded halves to even,
// worked in whole numbers. 19 lb/hr programmed, 24 installed, last 1.0: -21;
// from 42/48 to 24/30 exactly -7.5: -8.
int Compensation(SizeRatio newRatio, SizeRatio lastApplied);

// What "Apply changes now?" adds to its question: how far the sliders move.
QString CompensationMoveText(int compensation);

// Whether every slider stays within -100..+100 after the compensation (and
// the compensation itself lies within them).
bool CompensationFits(const SliderValues& sliders, int compensation);

inline const QString CompensationRefusedText =
    QStringLiteral("Cannot compensate for such a large disparity in actual vs. programmed injector size.\r\n"
                   "Please make another selection.");

// An edit that would take an entry beyond what the unit holds (-128..127):
// which entry and where it would go, for the refusal's message.
QString EntryBeyondText(int address, int value);

} // namespace tuner

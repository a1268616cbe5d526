#include "tuner/GlobalEdits.h"

#include "correction/CorrectionCells.h"
#include "platform/WholeNumbers.h"
#include "platform/NumberFormat.h"

#include <cstdlib>

namespace tuner {

ShiftRefusal CheckShift(const SliderValues& sliders, int delta)
{
    for (const int value : sliders) {
        if (value + delta > SliderMaximum)
            return ShiftRefusal::AboveMaximum;
        if (value + delta < SliderMinimum)
            return ShiftRefusal::BelowMinimum;
    }
    return ShiftRefusal::None;
}

SizeRatio RatioOfSizes(double eecSize, double installedSize)
{
    return {static_cast<int>(number_format::RoundHalfEven(eecSize)),
            static_cast<int>(number_format::RoundHalfEven(installedSize))};
}

int Compensation(SizeRatio newRatio, SizeRatio lastApplied)
{
    // 100 (e1 / i1 - e0 / i0) = 100 (e1 i0 - e0 i1) / (i1 i0).
    long long numerator = 100LL
        * (static_cast<long long>(newRatio.eec) * lastApplied.installed
           - static_cast<long long>(lastApplied.eec) * newRatio.installed);
    long long denominator = static_cast<long long>(newRatio.installed) * lastApplied.installed;
    if (denominator == 0)
        return 0;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    return static_cast<int>(DividedHalfEven(numerator, denominator));
}

QString CompensationMoveText(int compensation)
{
    if (compensation == 0)
        return QStringLiteral("The sliders stay where they are: the injector ratio is the one already applied.");
    const int points = std::abs(compensation);
    return QStringLiteral("Every slider will move %1 %2 %3 (%4%5).")
        .arg(points)
        .arg(points == 1 ? QStringLiteral("point") : QStringLiteral("points"))
        .arg(compensation < 0 ? QStringLiteral("leaner") : QStringLiteral("richer"))
        .arg(compensation < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(points);
}

QString EntryBeyondText(int address, int value)
{
    return QStringLiteral("Entry %1 would reach %2%, beyond the -128% to 127% the unit can hold.")
        .arg(EncodeEntry(address))
        .arg(value);
}

bool CompensationFits(const SliderValues& sliders, int compensation)
{
    if (compensation > SliderMaximum || compensation < SliderMinimum)
        return false;
    for (const int value : sliders)
        if (value + compensation > SliderMaximum || value + compensation < SliderMinimum)
            return false;
    return true;
}

} // namespace tuner

#include "tuner/LiveAutoTune.h"

#include <QPalette>

#include <algorithm>

namespace tuner {

CellAmounts LiveStepAmounts(const autotune::Result& result, const autotune::CellValues& current,
                            const autotune::CellValues& anchor, const LiveLimits& limits,
                            const std::array<bool, CellCount>& locked)
{
    CellAmounts amounts{};
    for (int i = 0; i < CellCount; ++i) {
        const autotune::CellResult& cell = result.cells[i];
        if (locked[i] || cell.outcome != autotune::CellOutcome::Suggested || cell.change == 0)
            continue;
        const int step = std::clamp(cell.change, -limits.capPoints, limits.capPoints);
        // The limit holds in the direction of the move: a cell the user took
        // beyond it is neither pulled back nor moved further out.
        const int target = step > 0 ? std::min(current[i] + step, anchor[i] + limits.authority)
                                    : std::max(current[i] + step, anchor[i] - limits.authority);
        const int amount = target - current[i];
        if (amount != 0 && (amount > 0) == (step > 0))
            amounts[i] = amount;
    }
    return amounts;
}

std::array<bool, CellCount> CellsTouched(const CellAmounts& amounts)
{
    std::array<bool, CellCount> touched{};
    for (int i = 0; i < CellCount; ++i)
        if (amounts[i] != 0)
            touched[i] = true;
    return touched;
}

LiveCaption LiveCaptionOf(const autotune::CellResult& cell, int minimumSamples)
{
    const QString samples =
        cell.samples == 1 ? QStringLiteral("1 sample") : QStringLiteral("%1 samples").arg(cell.samples);
    switch (cell.outcome) {
    case autotune::CellOutcome::Locked:
        return {QPalette().color(QPalette::WindowText), QStringLiteral("Locked (%1)").arg(samples)};
    case autotune::CellOutcome::TooFew:
        return {TooFewGrey, QStringLiteral("Too few samples: %1 of %2").arg(cell.samples).arg(minimumSamples)};
    case autotune::CellOutcome::Settled:
        return {SettledGreen, QStringLiteral("Settled (%1)").arg(samples)};
    case autotune::CellOutcome::AtLimit:
        return {ChangeOrange, QStringLiteral("At its limit (%1)").arg(samples)};
    case autotune::CellOutcome::Suggested:
        break;
    }
    return {ChangeOrange,
            QStringLiteral("%1%2 points (%3)")
                .arg(cell.change > 0 ? QStringLiteral("+") : QString())
                .arg(cell.change)
                .arg(samples)};
}

} // namespace tuner

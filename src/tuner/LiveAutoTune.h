#pragma once

#include "correction/CorrectionCells.h"
#include "logs/AutoTune.h"

#include <QColor>
#include <QString>

#include <array>

// LIVE AUTO-TUNE without its window: what one application moves the cells
// by, and how a cell's caption shows its live statistics.
namespace tuner {

struct LiveLimits {
    int intervalSeconds = 15; // between applications
    int capPoints = 3;        // most a cell moves in one application
    int authority = 15;       // most a cell moves from where it stood when LIVE AUTO-TUNE went on
};

// Each cell with a suggestion moves by it, at most capPoints either way and
// never past anchor +- authority; a locked cell, a cell without a
// suggestion and a cell already at or past its limit in the direction asked
// for stay. Values are the cells' own entries with the slider offset at 0.
CellAmounts LiveStepAmounts(const autotune::Result& result, const autotune::CellValues& current,
                            const autotune::CellValues& anchor, const LiveLimits& limits,
                            const std::array<bool, CellCount>& locked);

// The cells whose statistics no longer describe the table after a move:
// those that moved. (A neighbour's readings near its own entry moved by a
// fifth of the step at most, within the dead band: they stand.)
std::array<bool, CellCount> CellsTouched(const CellAmounts& amounts);

// A cell's caption while the statistics fill: grey with too few samples,
// green when settled, orange with a suggested change (the points in its
// tooltip), the usual text when locked.
struct LiveCaption {
    QColor colour;
    QString tip;
};
inline const QColor TooFewGrey{128, 128, 128};
inline const QColor SettledGreen{0, 128, 0};
inline const QColor ChangeOrange{208, 96, 0};
LiveCaption LiveCaptionOf(const autotune::CellResult& cell, int minimumSamples);

} // namespace tuner

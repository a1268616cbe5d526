#pragma once

// The graphical tuner's 25 slider cells, as the log viewer groups samples by
// them. A cell is the one the tuner marks active while the engine runs at a
// given MAF input voltage.
namespace tuner_cells {

inline constexpr int CellCount = 25;
inline constexpr int LastCell = CellCount - 1;

// The cell the tuner marks active at this MAF input voltage (the tuner's own
// rule, tuner::ActiveCell). Every voltage from 0 to 5 V gives exactly one
// cell; readings beyond that range count in the end cells.
int ActiveCellForVolts(double mafVolts);

// The voltage caption under cell i (0.10, 0.30, ... 4.90).
double CellCaptionVolts(int cell);

// The input voltages that mark cell i: from lower (inclusive, near enough)
// to upper; cell 0 starts at 0 V and cell 24 ends at 5 V.
double CellLowerVolts(int cell);
double CellUpperVolts(int cell);

} // namespace tuner_cells

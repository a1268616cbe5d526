#pragma once

#include "correction/CorrectionCells.h"

#include <QList>

#include <array>
#include <optional>

// What one slider move rewrites: the cell's own entry and the entries up to
// its neighbours' entries, on a straight line between the cells, carried flat
// below the first cell and above the last.
namespace tuner {

struct EntryWrite {
    int address;
    int value;
    bool operator==(const EntryWrite&) const = default;
};

// The writes, in the order they go to the unit, when cell `cell` moves to
// `cur` with its neighbours at `prev` and `next` (cell 0 has no previous
// neighbour and the last cell no next one: their value is taken as cur). First downwards from the cell's own entry,
// then upwards; addresses outside 0..255 are skipped. Values are rounded to
// the nearest whole number, halves to the even neighbour.
QList<EntryWrite> SliderWrites(int cell, int prev, int cur, int next, int sliderOffset);

// An edit that moves the cells by amounts (the lean and rich shifts, the
// injector compensation, an auto-tune suggestion) adds to every entry: a
// cell's own entry moves by the cell's amount, the entries between two cells
// by amounts on a straight line between theirs (rounded halves to even),
// the entries below the first cell and above the last by that cell's amount.
// What lies between the cells is kept: a uniform amount moves all 256
// entries by exactly that much.
using CellAmounts = std::array<int, CellCount>;
struct CellsMove {
    // The entries that change, each once, in address order, with their new
    // values (empty when refused).
    QList<EntryWrite> writes;
    // The first entry that would leave -128..127: the whole move is refused.
    std::optional<EntryWrite> beyond;
};
CellsMove MoveCells(const Table& table, const CellAmounts& amounts, int sliderOffset);

} // namespace tuner

#pragma once

#include <QList>

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

} // namespace tuner

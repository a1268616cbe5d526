#include "correction/SliderInterpolation.h"

#include "correction/CorrectionCells.h"
#include "platform/WholeNumbers.h"

namespace tuner {

namespace {

constexpr int Steps = 10;

// numerator / 10 to the nearest whole number, halves to the even neighbour.
int tenthsRounded(int numerator)
{
    return static_cast<int>(DividedHalfEven(numerator, Steps));
}

} // namespace

QList<EntryWrite> SliderWrites(int cell, int prev, int cur, int next, int sliderOffset)
{
    // The ends have no neighbour on their outer side: the value is carried flat.
    if (cell == 0)
        prev = cur;
    if (cell == LastCell)
        next = cur;
    QList<EntryWrite> writes;
    const int own = EntryOf(cell, sliderOffset);

    // Towards the previous cell; only the first cell carries on to its tenth step.
    const int lastDown = cell == 0 ? Steps : Steps - 1;
    for (int k = 0; k <= lastDown; ++k) {
        const int address = own - k;
        if (address < 0)
            continue;
        writes.append({address, tenthsRounded(Steps * cur - k * (cur - prev))});
    }

    // Towards the next cell; past the last cell only half way.
    const int lastUp = cell == LastCell ? Steps / 2 : Steps - 1;
    for (int k = 1; k <= lastUp; ++k) {
        const int address = own + k;
        if (address >= TableSize)
            continue;
        writes.append({address, tenthsRounded(Steps * cur + k * (next - cur))});
    }
    return writes;
}

CellsMove MoveCells(const Table& table, const CellAmounts& amounts, int sliderOffset)
{
    CellsMove move;
    for (int address = 0; address < TableSize; ++address) {
        // The cell at or below the entry, and how far above it the entry lies.
        const int first = EntryOf(0, sliderOffset);
        int amount;
        if (address <= first) {
            amount = amounts[0];
        } else if (address >= EntryOf(LastCell, sliderOffset)) {
            amount = amounts[LastCell];
        } else {
            const int cell = (address - first) / Steps;
            const int k = (address - first) % Steps;
            amount = tenthsRounded(Steps * amounts[cell] + k * (amounts[cell + 1] - amounts[cell]));
        }
        if (amount == 0)
            continue;
        const int value = table[address] + amount;
        if (value < EntryMinimum || value > EntryMaximum) {
            move.writes.clear();
            move.beyond = EntryWrite{address, value};
            return move;
        }
        move.writes.append({address, value});
    }
    return move;
}

} // namespace tuner

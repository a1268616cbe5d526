#pragma once

#include <QString>
#include <optional>

// What is wrong with a cell position or value the user typed, in the words
// of the "Entry Error" box; nothing when the entry is fine.
namespace cells {

// A cell position: volts for the transfer function, rpm for a correction table.
std::optional<QString> PositionError(char table, double position);

// A correction, -100 to 100 percent.
std::optional<QString> CorrectionError(double percent);

// A transfer-function flow for the cell at an address: 0 to L, and small
// enough for one byte of that cell.
std::optional<QString> FlowError(int address, double flow, double injectorRatio);

// A block of correction cells: start and stop rpm, and the percentage.
enum BlockField { BlockStart = 1, BlockStop = 2, BlockValue = 4 };
struct BlockEntryError {
    QString message;
    int fields; // BlockField bits: the entries shown in red
};
std::optional<BlockEntryError> BlockError(double startRpm, double stopRpm, double percent);

} // namespace cells

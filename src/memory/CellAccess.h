#pragma once

#include "link/RequestTable.h"

#include <QString>

#include <functional>
#include <optional>

// Reading and writing the unit's table cells, one transaction each, with the
// checks the memory window and the command line share. Nothing here touches
// a window: callers show the outcome.
namespace cells {

// The cell a position typed by the user stands for: engine speed for the
// correction tables, MAF voltage for the transfer function. Either the
// address or the "Entry Error" text that refuses the position.
struct AddressOrError {
    int address = 0;
    QString error;
};
AddressOrError AddressFor(char table, double position);

// The byte a value typed by the user is written as: a percentage for the
// correction tables, a flow in kg/hr for the transfer function (scaled by
// injectorRatio). Either the byte or the text that refuses the value.
struct ByteOrError {
    int byte = 0;
    QString error;
};
ByteOrError ByteFor(char table, int address, double value, double injectorRatio);

// What a cell's byte means to the user: a signed percentage or a flow.
long long ValueOf(char table, int address, int byte, double injectorRatio);

// One cell's byte, or nothing when the unit did not answer it (a reply
// that does not echo the cell asked for is no answer).
std::optional<int> ReadCellByte(char table, int address, unit::Use use = unit::Use::MemoryCell);

// Refused: nothing was sent, because the write could not be kept (the
// transfer function of a tune opened off line: a tune file has none).
enum class WriteOutcome { Confirmed, NotAnswered, NotConfirmed, Refused };

// What the user is told when a cell operation fails.
namespace messages {
inline const QString ReadFailed = QStringLiteral("Read Operation Failed. Please try again");
inline const QString WriteNotAnswered = QStringLiteral("Write operation failed. Please try again.");
inline const QString WriteNotConfirmed = QStringLiteral("Write byte operation failed!");
inline const QString FillNotAnswered = QStringLiteral("Block Write Failed. Please try again.");
inline const QString FillNotConfirmed = QStringLiteral("Write Block operation failed!");
inline const QString TableReadFailed = QStringLiteral("Table Read Failed. Please try again.");
inline const QString TransferFunctionRefusedTitle = QStringLiteral("Write Refused");
inline const QString TransferFunctionRefused = QStringLiteral(
    "A tune file cannot keep the MAF transfer function, so it cannot be changed while a tune is open off line.");
} // namespace messages

// "W" and "S", each confirmed by the unit's echo of what was sent.
WriteOutcome WriteCellByte(char table, int address, int byte, unit::Use use = unit::Use::MemoryCell);
WriteOutcome FillCellBytes(char table, int first, int last, int byte);

// Reads cells 0 to 255 in turn, giving each byte to onCell, which returns
// false to end the read there. Returns the number of cells read; fewer than
// 256 without a stop means the unit stopped answering at that cell.
int ReadTableBytes(char table, const std::function<bool(int cell, int byte)>& onCell);

} // namespace cells

#pragma once

#include "tunefile/Tune.h"

#include <QList>
#include <QString>

// The differences between two tunes as the user reads them: a correction
// cell by its table, address and the MAF input voltage the table listing
// labels it with, its two values as percentages; a register by its number,
// its meaning and its two values with what they stand for. The compare
// window and kestrel-cli diff show the same rows.
namespace tunefile {

// One difference, ready to show: "C", "1F", "0.608 V", "-5 %", "3 %".
struct DifferenceRow {
    Entry entry;
    QString table;   // the table letter, or "T" for a register
    QString address; // two upper-case hexadecimal digits
    QString where;   // the cell's MAF volts, or the register's meaning
    QString left;    // the value in the first tune ("none" when it lacks the entry)
    QString right;   // the value in the second tune
    bool operator==(const DifferenceRow&) const = default;
};

// What a side that lacks an entry shows.
inline const QString AbsentText = QStringLiteral("none");

// The meaning of a register ("RPM switch on point"); an empty text for the
// registers the program does not interpret (0E to 12).
QString RegisterMeaning(int reg);

// A register's value in a tune as its byte and what it stands for:
// "32 (2,000 rpm)", "01 (RPM & W.O.T. (NITROUS))", "0E" for a register with
// no known meaning, AbsentText when the tune lacks it. The breakpoint is
// made of registers 00 and 01 together, so either shows the breakpoint's
// volts when the tune holds both.
QString RegisterValueText(const Tune& tune, int reg);

// A correction cell's value as a percentage: "-5 %", "3 %"; AbsentText when absent.
QString CellValueText(const std::optional<int>& byte);

// Every difference between the tunes, in file order.
QList<DifferenceRow> DifferenceRows(const Tune& left, const Tune& right);

// One row as a line of text, without a line end:
// "C 1F  0.608 V  -5 % -> 3 %", "T 07  RPM switch on point  32 (2,000 rpm) -> 4B (3,000 rpm)".
QString DifferenceLine(const DifferenceRow& row);

// How many cells of one table differ.
int TableDifferenceCount(const QList<Difference>& differences, char table);

} // namespace tunefile

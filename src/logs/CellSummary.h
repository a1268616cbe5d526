#pragma once

#include "logs/CellStatistics.h"

#include <QString>
#include <QStringList>

// The cell table as text: the rows the log window's Cells view shows, and
// the same rows printed by kestrel-cli log summary, so the two never differ.
namespace logs {

// Column names of a row: cell, caption volts, samples with an A/F, median,
// minimum and maximum A/F, samples with "XXX", and the too-few mark.
QStringList CellColumnNames();

// One cell's row; the A/F figures are empty for a cell without readings.
QStringList CellRowTexts(const CellTable& table, int cell);

// What the totals mean: samples taken, those without an A/F, the minimum.
QString CellTotalsText(const CellTable& table);

// The whole table in aligned columns, then the totals line.
QString CellSummaryText(const CellTable& table);

} // namespace logs

#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The text listing of a whole table, as the table viewer shows and saves it:
// the date and time, an empty line, the table's heading, then one line per
// cell, every line ended by CR LF.
namespace cells {

inline const QString LineEnd = QStringLiteral("\r\n");

// "CLOSED-LOOP TABLE 1", ...; the transfer function names its injector
// calibration (the text of the injector list's entry, "19lb/hr").
QString ListingHeading(char table, const QString& injectorCaption);

// Lines 1 to 3, each with its line end.
QString ListingHeader(char table, const QDateTime& when, const QString& injectorCaption);

// The voltage a cell is listed at, "0.000": MAF input volts for a
// correction cell (0.000 to 5.000), output volts for the transfer function
// (0.000 to 4.980).
QString ListingVolts(char table, int cell);

// The line of one cell, without its line end: "MAF_IN[v]: 0.020, Change[%]: -5(LEAN)"
// or "Output[v]: 3.125, Flow[kg/hr]: 200".
QString ListingLine(char table, int cell, int byte, double injectorRatio);

// The file name offered when the listing is saved ("LO_Table.txt", ...).
QString ListingFileName(char table);

// A complete listing of the given bytes (cell 0 first).
QString TableListing(char table, const QDateTime& when, const QString& injectorCaption, const QList<int>& bytes,
                     double injectorRatio);

} // namespace cells

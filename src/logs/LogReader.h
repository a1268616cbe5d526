#pragma once

#include "logs/DataLog.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// Reads the data logs of the monitor (and kestrel-cli monitor) and of the
// graphical tuner. Both are text files of quoted, comma-separated records:
// an optional first line with the date and time the file was opened, a line
// of column names, then one line per sample starting with its time of day;
// the tuner's log may also hold "USER TIMESTAMP:" lines. A log written faster
// than 20 samples a second ends each line with the thousandths of its second
// (datalog::FineTimeColumn). Columns are found
// by their names, numbers are read in the writing machine's locale, and a
// line that cannot be read is skipped and listed rather than guessed at.
namespace logs {

struct ReadResult {
    std::optional<DataLog> log; // set when the file is a data log
    QString error;              // why it is not, for the user
};

// Reads a file (or a pipe). A file without a line of column names near its
// start is not a data log; one without a sample that can be read is refused
// too, whatever else it holds.
ReadResult ReadDataLog(const QString& path);

// The same for a file's bytes; `name` only goes into the refusal.
ReadResult ParseDataLog(QByteArrayView bytes, const QString& name);

// The first field of a user time stamp line.
inline constexpr char UserStampField[] = "USER TIMESTAMP:";

// How many of the first lines may come before the column names.
inline constexpr int HeaderSearchLines = 20;

} // namespace logs

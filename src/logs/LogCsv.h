#pragma once

#include "logs/DataLog.h"

#include <QString>

// A data log as plain comma-separated values for spreadsheets and other
// tools: whatever locale wrote the log, numbers come out with '.' for the
// decimal point and no thousands separators.
namespace logs {

// The column names: "Time (s)", then "Name (unit)" for each channel the log has.
QString CsvHeader(const DataLog& log);

// The header line, then one line per sample: the seconds from the start of
// the log (three decimals), then each channel with the decimals it was
// logged with. A sample without an A/F leaves that field empty. Lines end
// with '\n'.
QString CsvText(const DataLog& log);

} // namespace logs

#pragma once

#include "logs/AutoTune.h"
#include "logs/DataLog.h"

#include <QString>

#include <cstddef>
#include <vector>

// The auto-tune suggestion as the log viewer shows it over its A/F view:
// for the stretch of the log the views take, each cell the analysis would
// change or confirm, at its caption volts, with the median A/F it measured
// and the points it would add.
namespace autotune {

// The samples [first, end) of a log as a log of their own.
logs::DataLog Stretch(const logs::DataLog& log, std::size_t first, std::size_t end);

struct SuggestionPoint {
    int cell;
    double volts;    // the cell's caption volts
    double measured; // the median A/F of its accepted samples
    int change;      // points the suggestion adds (negative: leaner)
};

// The cells with a suggestion or settled (enough samples, not locked), in
// cell order.
std::vector<SuggestionPoint> SuggestionPoints(const Result& result);

// One line for under the view: "Table O to 12.8:1: 1.10 V -4, 1.30 V settled,
// ... (957 of 2,500 samples used). Wideband delay 0.62 s, ...", or why there
// is nothing to suggest.
QString SuggestionSummary(const Result& result, const Settings& settings);

} // namespace autotune

#pragma once

#include "logs/DataLog.h"

#include <optional>

// Which samples the A/F and cell views take: a stretch of time chosen on the
// channels view, the throttle against the wide-open-throttle breakpoint, and
// a band of engine speed.
namespace logs {

// The highest engine speed the unit reports: 255 x 40 rpm.
inline constexpr int HighestRpm = 255 * 40;

enum class ThrottleBand {
    All,
    BelowBreakpoint, // TPS voltage at or below the breakpoint: not wide open
    AboveBreakpoint, // TPS voltage above it: wide open, as the unit decides it
};

struct TimeRange {
    double from; // seconds, inclusive
    double to;   // inclusive
};

struct SampleFilter {
    std::optional<TimeRange> range; // the whole log when unset
    ThrottleBand throttle = ThrottleBand::All;
    double breakpointVolts = 0;
    double minRpm = 0;
    double maxRpm = 1e9;

    // A log without the throttle or speed column is not filtered by it.
    bool passes(const DataLog& log, std::size_t sample) const;
    // The samples [first, end) the time range spans.
    std::size_t first(const DataLog& log) const;
    std::size_t end(const DataLog& log) const;
};

// What the log window's A/F and cell views take when a log opens: every
// sample of the whole log at every speed the unit can report.
inline SampleFilter OpeningFilter()
{
    SampleFilter filter;
    filter.maxRpm = HighestRpm;
    return filter;
}

} // namespace logs

#pragma once

#include "logs/DataLog.h"
#include "logs/TunerCells.h"
#include "tuner/CorrectionCells.h"

#include <QString>

#include <array>
#include <vector>

// Auto-tune: what a wideband log says each of the tuner's 25 cells of one
// correction table should hold. Samples that cannot be trusted are thrown
// away and counted by why; the rest are grouped by the tuner's active cell,
// and each cell with enough of them gets the air/fuel calculator's
// correction from its median A/F, capped per pass and kept within the
// sliders' reach. Plain functions: the tuner's dialog, kestrel-cli and the
// log viewer share them.
namespace autotune {

using CellValues = std::array<int, tuner_cells::CellCount>;

// Why a sample was not used. A sample is counted once, under the first
// reason in this order that applies to it.
enum class Rejection {
    NoAirFuel,        // "XXX": the wideband gave no reading
    AtRail,           // at or beyond the sensor's ends (10.0 and 20.0)
    OtherTable,       // by the throttle it tuned the other table
    ClosedLoop,       // the engine computer's trims held the mixture
    LowRpm,           // engine below the speed the analysis trusts
    ThrottleMoving,   // throttle moving faster than allowed
    AfterTransient,   // the wideband still lags a throttle transient
    MafChanging,      // MAF input voltage changing faster than allowed
};
inline constexpr int RejectionCount = 8;
QString RejectionText(Rejection reason);

struct Settings {
    char table = 'O';                 // O, C, H or L
    double target = 12.8;             // A/F the table should give
    // Which table a sample tuned: the unit's choice between open and closed
    // loop is not documented, so the analysis assumes the TPS voltage
    // strictly above the wide-open-throttle breakpoint means open loop.
    bool splitByThrottle = true;
    double breakpointVolts = 2.5;
    // Closed-loop samples show the engine computer's trims, not the table.
    bool useClosedLoop = false;
    int eecInjectorSize = 19;         // the table's EEC size register; 0 reads as 19
    int minimumSamples = 10;
    double minimumRpm = 500;
    double throttlePercentPerSecond = 10;  // of the throttle's range
    double transientSeconds = 0.3;
    double mafVoltsPerSecond = 1.0;
    double railLow = 10.0;
    double railHigh = 20.0;
    int capPoints = 10;               // per pass, either way
    bool smoothing = false;           // 1-2-1 over neighbouring cells
    std::array<bool, tuner_cells::CellCount> locked{};
};

// The target a table starts with: 12.8 for the open-loop tables, 14.7 for
// the closed-loop ones.
double DefaultTarget(char table);
bool IsOpenLoopTable(char table);

// The stated assumption about which samples tuned the table, for the dialog
// and the report.
QString AssumptionText(const Settings& settings);

enum class CellOutcome {
    Suggested,   // enough samples: the suggestion may equal the current value
    TooFew,      // fewer accepted samples than the minimum: left as it is
    Locked,      // the user keeps it
    AtLimit,     // the median asks for more than the sliders' +-100 reach, and
                 // the entry is already there or beyond: left as it is
};

struct CellResult {
    int samples = 0;           // accepted samples in the cell
    double measured = 0;       // their median A/F (0 without samples)
    double errorPercent = 0;   // (measured / target - 1) x 100
    int change = 0;            // points added, after rounding, cap and clamp
    int current = 0;           // the entry's true value (-128..127)
    int suggested = 0;
    CellOutcome outcome = CellOutcome::TooFew;
};

struct Result {
    std::array<CellResult, tuner_cells::CellCount> cells;
    std::array<int, RejectionCount> rejected{};
    int samples = 0;   // every sample looked at
    int accepted = 0;
    int rejectedTotal() const { return samples - accepted; }
    CellValues suggested() const;
};

// The per-cell correction the calculator gives for a measured A/F:
// (measured / target - 1) x 100 x 19 / E, rounded halves to even. The ratios
// are taken as the decimals they are written with (to 1/10000), so a true
// half such as 12.3 against 12.0 (+2.5) is a half, not a hair either side.
int CorrectionPoints(double measured, double target, int eecInjectorSize);

// Analyses one or more logs for the cells' current values. The logs are
// taken one after another, each with its own time scale.
Result Analyse(const std::vector<const logs::DataLog*>& logs, const CellValues& current, const Settings& settings);

// Why each sample of a log was rejected, or nothing for an accepted one.
std::vector<int> SampleVerdicts(const logs::DataLog& log, const Settings& settings);
inline constexpr int Accepted = -1;

// The cells' values of a table as the tuner's sliders show them with the
// slider offset at 0 (auto-tune works with it there).
CellValues CellValuesOf(const tuner::Table& table);

// The table after the suggestion is applied as the tuner applies it: each
// changed cell, in cell order, moved with its interpolated neighbours
// (the writes of one slider move). Unchanged cells write nothing. Every
// cell's own entry ends exactly at the suggested value the result reports.
tuner::Table SuggestedTable(const tuner::Table& table, const Result& result);

// How far each cell's wide-open-throttle samples (TPS above the breakpoint,
// with an A/F) lie from the target: their count and the median of
// |A/F / target - 1| in percent. For judging a pass, not for tuning.
struct CellError {
    int samples = 0;
    double medianPercent = 0;
};
std::array<CellError, tuner_cells::CellCount> WideOpenErrors(const logs::DataLog& log, double breakpointVolts,
                                                             double target);

// The report kestrel-cli prints: the assumption, per cell its volts, samples,
// median A/F, error, current, change and suggestion, then the rejections.
QString ReportText(const Result& result, const Settings& settings);

} // namespace autotune

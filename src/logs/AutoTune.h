#pragma once

#include "correction/CorrectionCells.h"
#include "logs/DataLog.h"
#include "logs/TunerCells.h"
#include "correction/SliderInterpolation.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

// Auto-tune: what a wideband log says each of the tuner's 25 cells of one
// correction table should hold. The wideband reads the exhaust some time
// after the fuel was metered, so each sample's A/F is credited to the moment
// that delay earlier; the delay is timed from the log's throttle tip-ins and
// lift-offs unless the user gives it. Samples that cannot be trusted are
// thrown away and counted by why; the rest go to the cell whose own entry
// lies nearest the MAF voltage of their moment, and each cell with enough of
// them gets the air/fuel calculator's correction from its median A/F, capped
// per pass and kept within the sliders' reach. Plain functions: the tuner's
// dialog, kestrel-cli and the log viewer share them.
namespace autotune {

using CellValues = std::array<int, tuner_cells::CellCount>;

// Why a sample was not used. A sample is counted once, under the first
// reason in this order that applies to it; all but the first are about the
// moment its fuel was metered.
enum class Rejection {
    NoAirFuel,      // "XXX": the wideband gave no reading
    BeforeLog,      // its fuel was metered before the log's first sample
    OtherTable,     // by the throttle it tuned the other table
    ClosedLoop,     // the engine computer's trims held the mixture
    LowRpm,         // engine below the speed the analysis trusts
    ThrottleMoving, // throttle moving faster than allowed
    AfterTransient, // the wideband still lags a throttle transient
    MafChanging,    // MAF input voltage changing faster than allowed
};
inline constexpr int RejectionCount = 8;
QString RejectionText(Rejection reason);

// The wideband's delay: taken when a log gives no usable estimate, and the
// bounds an estimate or a given delay must lie within.
inline constexpr double DefaultLagSeconds = 0.6;
inline constexpr double MaximumLagSeconds = 3.0;
inline constexpr int MinimumLagEvents = 3;
// A cell takes the samples within this many entries of its own entry when
// it has enough of them; otherwise every sample nearer its entry than any
// other cell's.
inline constexpr int NearEntries = 2;

struct Settings {
    char table = 'O';     // O, C, H or L
    double target = 12.8; // A/F the table should give
    // Which table a sample tuned: the unit's choice between open and closed
    // loop is not documented, so the analysis assumes the TPS voltage
    // strictly above the wide-open-throttle breakpoint means open loop.
    bool splitByThrottle = true;
    double breakpointVolts = 2.5;
    // Closed-loop samples show the engine computer's trims, not the table.
    bool useClosedLoop = false;
    int eecInjectorSize = 19; // the table's EEC size register; 0 reads as 19
    int minimumSamples = 10;
    double minimumRpm = 500;
    double throttlePercentPerSecond = 10; // of the throttle's range
    double transientSeconds = 0.3;        // hold-off after the throttle moved
    // and before it moves: a reading credited to a moment this soon before
    // the throttle moved may already show the new mixture when the delay
    // is a little short (0: not looked for).
    double beforeTransientSeconds = 0;
    double mafVoltsPerSecond = 1.0;
    // The wideband's ends: readings there or beyond say only "at least this
    // rich (lean)".
    double railLow = 10.0;
    double railHigh = 20.0;
    // The wideband's delay in seconds (0 to 3); unset: timed from the logs.
    std::optional<double> lagSeconds;
    int capPoints = 10;     // per pass, either way
    bool smoothing = false; // 1-2-1 over neighbouring cells
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
    Suggested, // enough samples, outside the dead band: moved (by the cap
               // toward a rail the median sits at)
    TooFew,    // fewer samples than the minimum: left as it is
    Locked,    // the user keeps it
    AtLimit,   // the median asks for more than the sliders' +-100 reach, and
               // the entry is already there or beyond: left as it is
    Settled,   // the median lies within the log's resolution of the target
               // (0.1 A/F, or 1 point if that is more): left as it is
};

enum class Rail { None, Rich, Lean };

struct CellResult {
    int samples = 0;         // samples credited to the cell, rail readings included
    int railSamples = 0;     // of them, at or beyond a rail
    double measured = 0;     // their median A/F, a rail reading counted at the rail (0 without samples)
    double errorPercent = 0; // (measured / target - 1) x 100
    Rail rail = Rail::None;  // the median sits at a rail
    int change = 0;          // points added, after rounding, cap and clamp
    int current = 0;         // the entry's true value (-128..127)
    int suggested = 0;
    CellOutcome outcome = CellOutcome::TooFew;
};

// The wideband's delay the samples were credited with, and what the logs'
// throttle events said about it.
struct Lag {
    enum class Source { Estimated, Given, Default };
    Source source = Source::Default;
    double seconds = DefaultLagSeconds; // the delay used
    int events = 0;                     // tip-ins and lift-offs it could be timed from
    double estimate = 0;                // the median of their delays (with events)
};

struct Result {
    std::array<CellResult, tuner_cells::CellCount> cells;
    std::array<int, RejectionCount> rejected{};
    int samples = 0; // every sample looked at
    int accepted = 0;
    Lag lag;
    int rejectedTotal() const { return samples - accepted; }
    CellValues suggested() const;
};

// A cell's note for the report and the dialog: "too few samples", "locked",
// "at its limit", "settled", "at the rich rail (N samples)" or nothing.
QString CellNote(const CellResult& cell);

// One line on the delay used: estimated, given or the default, and why.
QString LagText(const Lag& lag);

// When the fuel of a throttle event reached the wideband: for each time the
// TPS crosses the breakpoint (a tip-in or a lift-off) with the throttle held
// a while on either side and the A/F settled before and after at levels at
// least 1.0 apart, the seconds from the crossing until the A/F has gone
// 1 - 1/e (63 %) of the way between them: for a sensor that lags like a
// first-order system behind a transport delay, their sum, which is also how
// far it trails a steady sweep.
std::vector<double> ThrottleEventDelays(const logs::DataLog& log, double breakpointVolts);
// The delay of the crossing between samples i-1 and i, when it is such an
// event; it can be timed once the log runs ThrottleEventSpan seconds past it.
std::optional<double> ThrottleEventDelayAt(const logs::DataLog& log, std::size_t i, double breakpointVolts);
inline constexpr double ThrottleEventSpan = 3.5;
// The delay used for the events' delays: the given one, else their median
// when there are enough of them and it lies within 0..3 s, else the default.
Lag ChooseLag(std::vector<double> delays, const Settings& settings);

// The per-cell correction the calculator gives for a measured A/F:
// (measured / target - 1) x 100 x 19 / E, rounded halves to even. The ratios
// are taken as the decimals they are written with (to 1/10000), so a true
// half such as 12.3 against 12.0 (+2.5) is a half, not a hair either side.
int CorrectionPoints(double measured, double target, int eecInjectorSize);

// Analyses one or more logs for the cells' current values. The logs are
// taken one after another, each with its own time scale.
Result Analyse(const std::vector<const logs::DataLog*>& logs, const CellValues& current, const Settings& settings);

// Why each sample of a log was rejected, or nothing for an accepted one,
// with its A/F credited to the moment lagSeconds earlier.
std::vector<int> SampleVerdicts(const logs::DataLog& log, const Settings& settings, double lagSeconds);
inline constexpr int Accepted = -1;

// --- the steps of the analysis, one sample at a time (the analysis of logs
// and the live one in the tuner take each sample through the same ones) ---

// The verdict on moment i of a log by what the engine did then, the A/F
// aside; its rates from the samples RateSpanSeconds either side of it (its
// neighbours at 20 samples a second), so it is known once the log runs that
// far past it. `lastTransient` carries the
// time of the last moving throttle from one moment to the next.
inline constexpr double NoTransient = -1e300;
inline constexpr double RateSpanSeconds = 0.045;
int MomentVerdict(const logs::DataLog& log, std::size_t i, const Settings& settings, double& lastTransient);

// Sample i's A/F credited to the moment lagSeconds earlier: the verdict of
// the moment nearest it (`moments` holds them from the log's first sample on)
// and the MAF voltage then. Fuel metered before `start` is BeforeLog. `k`
// carries the last sample at or before the metered moment (start at 0).
// With `beforeTransient`, `moments` must reach that far past the moment.
struct Credit {
    int verdict = Accepted;
    double mafVolts = 0;
};
Credit CreditAt(const logs::DataLog& log, std::size_t i, const std::vector<int>& moments, double lagSeconds,
                double start, std::size_t& k, double beforeTransient = 0);

// The accepted samples' readings per cell: each goes to the cell whose own
// entry lies nearest its MAF voltage (a tie to the upper cell), and also to
// the cell's near readings when within NearEntries of that entry; a reading
// at or beyond a rail counts at the rail.
class CellReadings {
public:
    void add(double airFuel, double mafVolts, const Settings& settings);
    void clear();
    void clear(int cell); // that cell's readings only
    // Samples added since the last clear().
    int accepted() const { return accepted_; }
    // The cells' outcomes for their current values.
    void fill(Result& result, const CellValues& current, const Settings& settings) const;
    static int cellOf(double mafVolts);

private:
    struct Readings {
        std::vector<double> values;
        int rails = 0;
        void add(double value, bool rail)
        {
            values.push_back(value);
            rails += rail;
        }
    };
    std::array<Readings, tuner_cells::CellCount> nearest_;
    std::array<Readings, tuner_cells::CellCount> near_;
    int accepted_ = 0;
};

// The cells' values of a table as the tuner's sliders show them with the
// slider offset at 0 (auto-tune works with it there).
CellValues CellValuesOf(const tuner::Table& table);

// The table after the suggestion is applied as the tuner's APPLY applies it:
// each suggested cell's change added to its own entry, the entries between
// two cells moved by changes on a line between theirs, so the detail between
// the cells is kept. Every cell's own entry ends exactly at the suggested
// value the result reports. When an entry between the cells would leave
// -128..127 the whole suggestion is refused: the table comes back unchanged
// and `beyond` (when given) names that entry.
tuner::Table SuggestedTable(const tuner::Table& table, const Result& result,
                            std::optional<tuner::EntryWrite>* beyond = nullptr);

// The report kestrel-cli prints: the assumption, the delay, per cell its
// volts, samples, median A/F, error, current, change, suggestion and note,
// then the rejections.
QString ReportText(const Result& result, const Settings& settings);

} // namespace autotune

#include "logs/AutoTune.h"
#include "logs/LiveAnalysis.h"
#include "logs/LogSuggestion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

namespace {

using namespace autotune;
using logs::Channel;
using logs::DataLog;

// One sample of a synthetic log: steady wide-open throttle unless a case
// says otherwise.
struct Sample {
    double maf = 2.1; // cell 10
    double airFuel = 12.0;
    double tps = 4.0; // above the 2.5 V breakpoint
    double angle = 80;
    double rpm = 3000;
};

// Samples 0.125 s apart (an exact binary fraction, so that the 0.3 s lag
// window falls between two samples and not on one).
constexpr double Step = 0.125;

DataLog MakeLog(const std::vector<Sample>& samples, double step = Step)
{
    DataLog log;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        log.seconds.push_back(static_cast<double>(i) * step);
        log.values[static_cast<int>(Channel::MafIn)].push_back(s.maf);
        log.values[static_cast<int>(Channel::AirFuel)].push_back(s.airFuel);
        log.values[static_cast<int>(Channel::TpsVolts)].push_back(s.tps);
        log.values[static_cast<int>(Channel::ThrottleAngle)].push_back(s.angle);
        log.values[static_cast<int>(Channel::Rpm)].push_back(s.rpm);
    }
    return log;
}

std::vector<Sample> Steady(int count, Sample sample = {})
{
    return std::vector<Sample>(static_cast<std::size_t>(count), sample);
}

// The synthetic logs' A/F belongs to the moment it is logged with: no delay.
Settings NoLag()
{
    Settings settings;
    settings.lagSeconds = 0.0;
    return settings;
}

Settings At12(int cap = 10)
{
    Settings settings = NoLag();
    settings.target = 12.0;
    settings.capPoints = cap;
    return settings;
}

Result AnalyseOne(const DataLog& log, const Settings& settings, CellValues current = {})
{
    return Analyse({&log}, current, settings);
}

// "a=b c=d" as pairs, for tables that read better on one line.
std::vector<std::pair<double, double>> Pairs(const char* text)
{
    std::vector<std::pair<double, double>> pairs;
    for (const QString& pair : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        pairs.emplace_back(pair.section(QLatin1Char('='), 0, 0).toDouble(),
                           pair.section(QLatin1Char('='), 1).toDouble());
    return pairs;
}

TEST(AutoTuneTest, CorrectionPointsAreTheCalculatorsFormulaRoundedHalvesToEven)
{
    struct Case {
        double measured, target;
        int eec;
        int points;
    } const cases[] = {
        {15.0, 12.0, 19, 25},  // lean by 25 %: richer by 25 points
        {12.0, 16.0, 19, -25}, // rich: leaner
        {15.0, 12.0, 0, 25},   // a register of 0 reads as 19 lb/hr
        {15.0, 12.0, 38, 12},  // 12.5, halves to even: down
        {16.5, 12.0, 19, 38},  // 37.5: up
        {14.0, 16.0, 19, -12}, // -12.5
        {10.0, 16.0, 19, -38}, // -37.5
        {15.0, 12.0, 24, 20},  // 25 x 19 / 24 = 19.79
        {12.0, 12.0, 30, 0},
        // True halves whose ratios have no exact binary form.
        {12.3, 12.0, 19, 2},   // +2.5
        {12.9, 12.0, 19, 8},   // +7.5
        {11.7, 12.0, 19, -2},  // -2.5
        {11.2, 12.8, 19, -12}, // -12.5
    };
    for (const Case& c : cases)
        EXPECT_EQ(CorrectionPoints(c.measured, c.target, c.eec), c.points)
            << c.measured << " for " << c.target << " at " << c.eec;
}

TEST(AutoTuneTest, OneCellSuggestions)
{
    using O = CellOutcome;
    const auto uncapped = [](Settings& s) { s.capPoints = 50; };
    const auto eec38 = [](Settings& s) {
        s.capPoints = 50;
        s.eecInjectorSize = 38;
    };
    const std::vector<Sample> lean = Steady(12, {.airFuel = 13.5}), rich = Steady(12, {.airFuel = 10.5});
    struct Case {
        const char* name;
        std::vector<Sample> samples; // all at the first one's A/F
        std::function<void(Settings&)> setUp;
        int current, suggested;
        CellOutcome outcome;
    } const cases[] = {
        {"lean, uncapped", lean, uncapped, 0, 12, O::Suggested},
        {"lean, capped at 10", lean, {}, 0, 10, O::Suggested},
        {"rich, uncapped", rich, uncapped, 0, -12, O::Suggested},
        {"rich, capped at -10", rich, {}, 4, -6, O::Suggested},
        {"added to the current value", Steady(12, {.airFuel = 12.6}), {}, -20, -15, O::Suggested},
        {"clamped at +100", lean, {}, 95, 100, O::Suggested},
        {"clamped at -100", rich, {}, -93, -100, O::Suggested},
        {"beyond +100 and asked richer: at its limit", lean, {}, 120, 120, O::AtLimit},
        {"at -100 and asked leaner: at its limit", rich, {}, -100, -100, O::AtLimit},
        {"beyond -100 and asked richer: moved from its true value", lean, {}, -120, -110, O::Suggested},
        {"scaled to the EEC size", Steady(12, {.airFuel = 15.0}), eec38, 0, 12, O::Suggested},
        {"nine samples are too few", Steady(9, {.airFuel = 13.5}), {}, 3, 3, O::TooFew},
        {"ten are enough", Steady(10, {.airFuel = 13.5}), {}, 3, 13, O::Suggested},
        {"a locked cell is untouched", lean, [](Settings& s) { s.locked[10] = true; }, 7, 7, O::Locked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings = At12();
        if (c.setUp)
            c.setUp(settings);
        CellValues current{};
        current[10] = c.current;
        const Result result = AnalyseOne(MakeLog(c.samples), settings, current);
        const CellResult& cell = result.cells[10];
        EXPECT_EQ(cell.suggested, c.suggested);
        EXPECT_EQ(cell.change, c.outcome == CellOutcome::Suggested ? c.suggested - c.current : 0);
        EXPECT_EQ(cell.outcome, c.outcome);
        EXPECT_DOUBLE_EQ(cell.measured, c.samples[0].airFuel);
        EXPECT_EQ(cell.samples, static_cast<int>(c.samples.size()));
        for (int i = 0; i < tuner_cells::CellCount; ++i) {
            if (i != 10) {
                EXPECT_EQ(result.cells[i].suggested, 0) << i;
            }
        }
    }
}

// What SuggestedTable writes, worked by hand (each cell's change added as
// the tuner's APPLY adds it): the table holds 0 but for the entries a case
// names, each hold is 20 steady samples at wide-open throttle
// (the MAF step between two holds costs the sample on either side), and the
// written table is compared entry by entry.
TEST(AutoTuneTest, TheWrittenTableHoldsWhatTheResultReports)
{
    struct Case {
        const char* name;
        const char* table; // "address=value ...", the rest 0
        const char* holds; // "volts=A/F ...", 20 samples each
        double target;
        std::function<void(Settings&)> setUp;
        const char* written;
        int changed; // entries that differ from the table
    } const cases[] = {
        // Cell 24 (entry F8) at -128 reads rich, cell 12 (80) at +127 lean.
        {"beyond the sliders and asked further out: left", "248=-128 128=127", "4.9=11.3 2.5=13.2", 12.8, nullptr,
         "248=-128 128=127", 0},
        // 13.2 at 12.8 needs +3.125: -125, a change of +3; 11.3 needs -11.7,
        // capped: 117, a change of -10. Each change is added to the entries
        // on a line to the neighbours' entries (whose change is 0): cell 24's
        // +3 is 0.3 at 239 (to 0), 1.5 at 243 (to 2), 2.7 at 247 (to 3) and
        // the whole 3 above its entry; cell 12's -10 is -1 at 119 and 137,
        // -5 at 123 and 133, -9 at 127. Changed: 240..255 and 119..137.
        {"beyond the sliders and asked back: moved from the true value", "248=-128 128=127", "4.9=13.2 2.5=11.3", 12.8,
         nullptr,
         "248=-125 247=3 243=2 240=1 239=0 238=0 253=3 255=3 128=117 127=-9 123=-5 119=-1 118=0 133=-5 137=-1 138=0",
         16 + 19},
        // 12.3, 12.9 and 11.7 against 12.0: +2.5, +7.5, -2.5 to 2, 8, -2.
        {"halves to even", "", "2.1=12.3 2.5=12.9 2.9=11.7", 12.0, nullptr,
         "108=2 103=1 101=1 100=0 115=1 116=0 118=0 119=1 123=4 128=8 133=4 137=1 148=-2 153=-1", 15 + 19 + 15},
        // 13.5 at 12.0 needs 12.5: 10 at most, and 95 + 10 stops at 100, a
        // change of +5: 2.5 at 103 and 113 (to 2), 0.5 at 99 and 117 (to 0).
        {"capped, then held at the sliders' reach", "108=95", "2.1=13.5", 12.0, nullptr,
         "108=100 103=2 113=2 99=0 100=1 117=0 98=0", 17},
        {"locked", "108=95", "2.1=13.5", 12.0, [](Settings& s) { s.locked[10] = true; }, "108=95", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tuner::Table table{};
        for (const auto& [address, value] : Pairs(c.table))
            table[static_cast<int>(address)] = static_cast<qint16>(value);
        std::vector<Sample> samples;
        for (const auto& [volts, airFuel] : Pairs(c.holds))
            for (const Sample& s : Steady(20, {.maf = volts, .airFuel = airFuel}))
                samples.push_back(s);
        Settings settings = NoLag();
        settings.target = c.target;
        if (c.setUp)
            c.setUp(settings);
        const Result result = AnalyseOne(MakeLog(samples), settings, CellValuesOf(table));
        const tuner::Table written = SuggestedTable(table, result);
        for (const auto& [address, value] : Pairs(c.written))
            EXPECT_EQ(written[static_cast<int>(address)], value) << "entry " << address;
        int changed = 0;
        for (int j = 0; j < tuner::TableSize; ++j)
            changed += written[j] != table[j];
        EXPECT_EQ(changed, c.changed);
        // Each cell's own entry holds what the result reports.
        for (int i = 0; i < tuner_cells::CellCount; ++i)
            EXPECT_EQ(written[tuner::EntryOf(i, 0)], result.cells[i].suggested) << "cell " << i;
        if (c.changed == 0 && !c.setUp) {
            // The report's row: cell, volts, EEC, A/F, needed, now, change, suggested, note.
            const QString report = ReportText(result, settings);
            EXPECT_TRUE(report.contains(
                "  24   4.90       19       11.30    -11.7     -128       -       -128  at its limit\n"))
                << report.toStdString();
        }
    }
}

// A change that would take an entry between the cells past +127 refuses the
// whole suggestion: cell 10 asked for +10 (13.5 at 12.0, capped) puts 5 on
// entry 103, which holds 126.
TEST(AutoTuneTest, ASuggestionTakingAnEntryOutOfRangeIsRefusedWhole)
{
    tuner::Table table{};
    table[103] = 126;
    const Result result = AnalyseOne(
        MakeLog(Steady(20, {.maf = 2.1, .airFuel = 13.5})),
        [] {
            Settings s = NoLag();
            s.target = 12.0;
            return s;
        }(),
        CellValuesOf(table));
    ASSERT_EQ(result.cells[10].change, 10);
    std::optional<tuner::EntryWrite> beyond;
    EXPECT_EQ(SuggestedTable(table, result, &beyond), table);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->address, 103);
    EXPECT_EQ(beyond->value, 131);
}

// Five samples at 12.0 and five at 15.0: the median is the mean of the two
// middle ones, 13.5, which needs 12.5 points; either middle value alone
// would give 0 or 25.
TEST(AutoTuneTest, MedianOfAnEvenCountIsTheMeanOfTheMiddleTwo)
{
    std::vector<Sample> samples = Steady(5, {.airFuel = 15.0});
    for (const Sample& s : Steady(5, {.airFuel = 12.0}))
        samples.push_back(s);
    const Result result = AnalyseOne(MakeLog(samples), At12(50));
    EXPECT_DOUBLE_EQ(result.cells[10].measured, 13.5);
    EXPECT_EQ(result.cells[10].suggested, 12);
}

// A log through ten cells, each with a known error: the suggestion is each
// error taken off, within the cap, from the current value.
TEST(AutoTuneTest, ASyntheticLogGivesTheExpectedSuggestion)
{
    const int errors[] = {-12, -10, -7, -3, 0, 2, 5, 9, 10, 15}; // percent, cells 5 to 14
    std::vector<Sample> samples;
    for (int k = 0; k < 10; ++k) {
        const double volts = tuner_cells::CellCaptionVolts(5 + k);
        for (const Sample& s : Steady(14, {.maf = volts, .airFuel = 12.8 * (1 + errors[k] / 100.0)}))
            samples.push_back(s);
    }
    // The step between cells is 0.2 V in one sample: too fast for the MAF
    // rule, so each cell loses its first and last sample and keeps 12.
    Settings settings = NoLag();
    CellValues current{};
    current.fill(3);
    const Result result = AnalyseOne(MakeLog(samples), settings, current);

    const int expected[] = {-7, -7, -4, 0, 3, 5, 8, 12, 13, 13};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(result.cells[5 + k].suggested, expected[k]) << "cell " << 5 + k;
        EXPECT_EQ(result.cells[5 + k].samples, k == 0 || k == 9 ? 13 : 12) << "cell " << 5 + k;
        EXPECT_NEAR(result.cells[5 + k].errorPercent, errors[k], 1e-9);
    }
    for (const int cell : {0, 4, 15, 24}) {
        EXPECT_EQ(result.cells[cell].outcome, CellOutcome::TooFew);
        EXPECT_EQ(result.cells[cell].suggested, 3);
    }
    EXPECT_EQ(result.rejected[static_cast<int>(Rejection::MafChanging)], 18);
    EXPECT_EQ(result.accepted, 140 - 18);

    // The same samples in two logs give the same suggestion.
    const std::vector<Sample> first(samples.begin(), samples.begin() + 70);
    const std::vector<Sample> second(samples.begin() + 70, samples.end());
    const DataLog a = MakeLog(first);
    const DataLog b = MakeLog(second);
    EXPECT_EQ(Analyse({&a, &b}, current, settings).suggested(), result.suggested());
}

// Each sample made for a reason is counted under it, once, and nothing else
// is lost.
TEST(AutoTuneTest, RejectionsAreCountedByReason)
{
    using R = Rejection;
    struct Case {
        const char* name;
        std::function<void(std::vector<Sample>&)> spoil; // on 40 steady samples
        std::vector<std::pair<R, int>> counts;
        double lag = 0;
    } const cases[] = {
        {"no reading", [](auto& s) { s[20].airFuel = std::nan(""); }, {{R::NoAirFuel, 1}}},
        {"readings at and beyond the rails are used",
         [](auto& s) {
             s[10].airFuel = 10.0;
             s[13].airFuel = 22.0;
         },
         {}},
        {"TPS at the breakpoint is not wide open",
         [](auto& s) {
             s[20].tps = 2.5;
             s[21].tps = 1.0;
             s[22].tps = 2.51;
         },
         {{R::OtherTable, 2}}},
        {"slow engine",
         [](auto& s) {
             s[5].rpm = 499;
             s[6].rpm = 500;
         },
         {{R::LowRpm, 1}}},
        // The step is seen by both samples beside it; the two after it fall
        // within 0.3 s (0.125 and 0.25 s), the third (0.375 s) does not.
        {"a throttle step and the wideband's lag",
         [](auto& s) {
             for (std::size_t i = 20; i < s.size(); ++i)
                 s[i].angle = 60;
         },
         {{R::ThrottleMoving, 2}, {R::AfterTransient, 2}}},
        // 8 degrees a second is under 10 % of the 90-degree range.
        // With a delay of 0.25 s (two samples) the first two samples' fuel was
        // metered before the log began, and the step's verdicts fall on the
        // samples two later: 21 and 22 moving, 23 and 24 after it.
        {"a throttle step seen a delay later",
         [](auto& s) {
             for (std::size_t i = 20; i < s.size(); ++i)
                 s[i].angle = 60;
         },
         {{R::BeforeLog, 2}, {R::ThrottleMoving, 2}, {R::AfterTransient, 2}},
         0.25},
        {"a slow throttle is steady",
         [](auto& s) {
             for (std::size_t i = 0; i < s.size(); ++i)
                 s[i].angle = 40 + i * Step * 8;
         },
         {}},
        {"a MAF step of 2 V/s",
         [](auto& s) {
             for (std::size_t i = 20; i < s.size(); ++i)
                 s[i].maf = 2.35;
         },
         {{R::MafChanging, 2}}},
        {"a MAF step of 1 V/s is not faster than allowed",
         [](auto& s) {
             for (std::size_t i = 0; i < s.size(); ++i)
                 s[i].maf = i < 20 ? 2.0 : 2.125;
         },
         {}},
        {"the first reason counts",
         [](auto& s) {
             s[30].airFuel = std::nan("");
             s[30].rpm = 300;
             s[31].rpm = 300;
             s[31].tps = 1.0;
         },
         {{R::NoAirFuel, 1}, {R::OtherTable, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Sample> samples = Steady(40);
        c.spoil(samples);
        Settings settings = At12();
        settings.lagSeconds = c.lag;
        const Result result = AnalyseOne(MakeLog(samples), settings);
        std::array<int, RejectionCount> expected{};
        int rejected = 0;
        for (const auto& [reason, count] : c.counts) {
            expected[static_cast<int>(reason)] = count;
            rejected += count;
        }
        EXPECT_EQ(result.rejected, expected);
        EXPECT_EQ(result.samples, 40);
        EXPECT_EQ(result.accepted, 40 - rejected);
    }
}

// Closed-loop tables: their samples are refused unless the user takes
// them; with the split off every sample counts for the chosen table.
TEST(AutoTuneTest, TableChoiceAndClosedLoopSamples)
{
    using R = Rejection;
    std::vector<Sample> samples = Steady(12, {.airFuel = 15.0, .tps = 1.2, .angle = 10});
    for (const Sample& s : Steady(13, {.airFuel = 13.5}))
        samples.push_back(s);
    // The throttle opens between samples 11 and 12: both are moving, 13 and
    // 14 follow within 0.3 s.
    const DataLog log = MakeLog(samples);
    struct Case {
        const char* name;
        char table;
        bool split, useClosedLoop;
        int cellSamples;
        double measured;
        std::vector<std::pair<Rejection, int>> counts;
    } const cases[] = {
        {"open loop: the wide-open part",
         'O',
         true,
         false,
         10,
         13.5,
         {{R::OtherTable, 12}, {R::ThrottleMoving, 1}, {R::AfterTransient, 2}}},
        {"closed loop refused by default", 'C', true, false, 0, 0, {{R::OtherTable, 13}, {R::ClosedLoop, 12}}},
        {"closed loop taken when asked", 'L', true, true, 11, 15.0, {{R::OtherTable, 13}, {R::ThrottleMoving, 1}}},
        {"no split: every sample", 'H', false, false, 21, 15.0, {{R::ThrottleMoving, 2}, {R::AfterTransient, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings = NoLag();
        settings.table = c.table;
        settings.splitByThrottle = c.split;
        settings.useClosedLoop = c.useClosedLoop;
        const Result result = AnalyseOne(log, settings);
        EXPECT_EQ(result.cells[10].samples, c.cellSamples);
        EXPECT_DOUBLE_EQ(result.cells[10].measured, c.measured);
        std::array<int, RejectionCount> expected{};
        for (const auto& [reason, count] : c.counts)
            expected[static_cast<int>(reason)] = count;
        EXPECT_EQ(result.rejected, expected);
    }
    EXPECT_DOUBLE_EQ(DefaultTarget('O'), 12.8);
    EXPECT_DOUBLE_EQ(DefaultTarget('H'), 12.8);
    EXPECT_DOUBLE_EQ(DefaultTarget('C'), 14.7);
    EXPECT_DOUBLE_EQ(DefaultTarget('L'), 14.7);
}

// Cells whose readings sit at the wideband's rails: such a reading says only
// "at least this rich (lean)", so it counts at the rail in the median, and a
// cell whose median is at a rail moves by the cap toward the other side.
// Dead band: a median within 0.1 A/F or 1 point of the target, whichever is
// more, leaves the cell alone.
TEST(AutoTuneTest, RailsAndTheDeadBand)
{
    const CellOutcome Sug = CellOutcome::Suggested, Set = CellOutcome::Settled;
    struct Case {
        const char* name;
        const char* readings; // "count=A/F ..." in cell 10
        double target;
        int eec;
        int current;
        CellOutcome outcome;
        int suggested;
        Rail rail;
        int railSamples;
        const char* note;
    } const cases[] = {
        {"at the rich rail", "12=10.0", 12.8, 19, 0, Sug, -10, Rail::Rich, 12, "at the rich rail (12 samples)"},
        {"beyond it counts at it", "8=9.5 4=11.0", 12.8, 19, 3, Sug, -7, Rail::Rich, 8, "at the rich rail (8 samples)"},
        {"at the lean rail", "12=20.0", 12.8, 19, 95, Sug, 100, Rail::Lean, 12, "at the lean rail (12 samples)"},
        // 5 at the rail and 7 at 12.6: the median is 12.6, +5 at 12.0.
        {"a few rail readings do not decide", "5=10.0 7=12.6", 12.0, 19, 0, Sug, 5, Rail::None, 5, ""},
        {"nine are too few", "9=10.0", 12.8, 19, 0, CellOutcome::TooFew, 0, Rail::Rich, 9, "too few samples"},
        // At 12.8 and 19 lb/hr 0.1 A/F is 0.78 points: the band is 1 point, 0.128 A/F.
        {"0.1 lean", "12=12.9", 12.8, 19, 4, Set, 4, Rail::None, 0, "settled"},
        {"exactly 1 point", "12=12.928", 12.8, 19, 4, Set, 4, Rail::None, 0, "settled"},
        {"just over 1 point", "12=12.93", 12.8, 19, 4, Sug, 5, Rail::None, 0, ""},
        {"0.2 lean: 1.56 points", "12=13.0", 12.8, 19, 4, Sug, 6, Rail::None, 0, ""},
        // At 76 lb/hr a point is 0.512 A/F and 0.1 A/F 0.2 points: 13.3 is 0.98.
        {"the band in points", "12=13.3", 12.8, 76, 0, Set, 0, Rail::None, 0, "settled"},
        {"past it in points", "12=13.4", 12.8, 76, 0, Sug, 1, Rail::None, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Sample> samples;
        for (const auto& [count, airFuel] : Pairs(c.readings))
            for (const Sample& s : Steady(static_cast<int>(count), {.airFuel = airFuel}))
                samples.push_back(s);
        Settings settings = NoLag();
        settings.target = c.target;
        settings.eecInjectorSize = c.eec;
        CellValues current{};
        current[10] = c.current;
        const CellResult cell = AnalyseOne(MakeLog(samples), settings, current).cells[10];
        EXPECT_EQ(cell.outcome, c.outcome);
        EXPECT_EQ(cell.suggested, c.suggested);
        EXPECT_EQ(cell.rail, c.rail);
        EXPECT_EQ(cell.railSamples, c.railSamples);
        EXPECT_EQ(cell.samples, static_cast<int>(samples.size()));
        EXPECT_EQ(CellNote(cell), QString::fromLatin1(c.note));
    }
}

// A cell's median describes its own entry: it takes the samples within two
// entries of it when there are at least the minimum, otherwise every sample
// nearer its entry than another cell's. Volts here are entry / 51.
TEST(AutoTuneTest, ACellGoesByTheSamplesNearItsOwnEntry)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> holds; // count, entry; the A/F is 12.0 at entries 106 to 110, else 14.0
        int samples10, samples11;
        double measured10;
    } const cases[] = {
        // 12 on cell 10's entry (108) and 20 on 112, towards cell 11: 12 near.
        {"enough near", {{12, 108}, {20, 112}}, 12, 0, 12.0},
        {"too few near: all that are nearer", {{8, 110}, {20, 112}}, 28, 0, 14.0},
        // 113 lies half way between 108 and 118: it goes up, to cell 11.
        {"half way goes up", {{12, 107}, {20, 113}}, 12, 20, 12.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Sample> samples;
        for (const auto& [count, entry] : c.holds)
            for (const Sample& s :
                 Steady(count, {.maf = entry / 51.0, .airFuel = std::abs(entry - 108) <= 2 ? 12.0 : 14.0}))
                samples.push_back(s);
        const Result result = AnalyseOne(MakeLog(samples), At12());
        EXPECT_EQ(result.accepted, static_cast<int>(samples.size())); // 0.08 V in a step is under 1 V/s
        EXPECT_EQ(result.cells[10].samples, c.samples10);
        EXPECT_EQ(result.cells[11].samples, c.samples11);
        EXPECT_DOUBLE_EQ(result.cells[10].measured, c.measured10);
    }
}

// A log whose throttle crosses the breakpoint every 6 s, 20 samples a second,
// wide open at 12.5, closed at 14.7. The TPS crosses half way between two
// samples; the A/F takes its new value `samplesLate` samples after the
// first sample past the crossing, so it passes 63.2 % of the step 0.632 of a
// sample after the sample before: the delay is 0.05 x samplesLate + 0.0316
// - 0.025 s.
DataLog ThrottleEvents(int samplesLate, double seconds = 40)
{
    std::vector<Sample> samples;
    const auto open = [](int i) { return i >= 0 && (i / 120) % 2 == 1; }; // from 6 s, every 6 s
    for (int i = 0; i < static_cast<int>(seconds * 20); ++i) {
        const bool fuelOpen = open(i - samplesLate);
        samples.push_back({.maf = 2.1,
                           .airFuel = fuelOpen ? 12.5 : 14.7,
                           .tps = open(i) ? 4.0 : 1.0,
                           .angle = open(i) ? 80.0 : 10.0});
    }
    return MakeLog(samples, 0.05);
}

TEST(AutoTuneTest, TheDelayIsTimedFromTheThrottleEvents)
{
    const double measured = 0.05 * 16 + 0.05 * (1 - std::exp(-1.0)) - 0.025; // 0.8066
    const Lag::Source Est = Lag::Source::Estimated, Def = Lag::Source::Default;
    struct Case {
        const char* name;
        DataLog log;
        std::optional<double> given;
        int events;
        Lag::Source source;
        double seconds;
        const char* text;
    } const cases[] = {
        // Crossings at 6, 12, ... 36 s: 6 events, each 0.8066 s.
        {"six events", ThrottleEvents(16), std::nullopt, 6, Est, measured,
         "Wideband delay 0.81 s, timed from 6 throttle events."},
        {"given", ThrottleEvents(16), 1.0, 6, Lag::Source::Given, 1.0,
         "Wideband delay 1.00 s, as given (the logs' 6 throttle events say 0.81 s)."},
        // 15 s: the crossing at 12 s lacks the 3.5 s after it.
        {"one event", ThrottleEvents(16, 15), std::nullopt, 1, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs have only 1 throttle event to time it by, fewer than 3."},
        {"the A/F leads by 0.4 s", ThrottleEvents(-8), std::nullopt, 6, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs' 6 throttle events put it at -0.39 s, below 0 s."},
        {"3.2 s late", ThrottleEvents(64), std::nullopt, 6, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs' 6 throttle events put it at 3.21 s, above 3 s."},
        {"no event", MakeLog(Steady(100)), std::nullopt, 0, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs have no throttle event to time it by."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        settings.lagSeconds = c.given;
        const Lag lag = AnalyseOne(c.log, settings).lag;
        EXPECT_EQ(lag.events, c.events);
        EXPECT_EQ(lag.source, c.source);
        EXPECT_NEAR(lag.seconds, c.seconds, 1e-9);
        EXPECT_EQ(LagText(lag), QString::fromLatin1(c.text));
    }
    for (const double delay : ThrottleEventDelays(ThrottleEvents(16), 2.5))
        EXPECT_NEAR(delay, measured, 1e-9);
}

// Each sample's A/F goes to the moment its fuel was metered: the log holds
// 2.1 V (cell 10) for 20 samples, then 3.1 V (cell 15) for 20, and its A/F
// shows the fuel of 0.5 s (4 samples) earlier: 13.0, then from sample 24
// on 11.0. Credited 0.5 s back, samples 0-3 have no moment in the log, 23
// and 24 fall on the MAF step (moments 19 and 20); cell 10 gets 4-22, all
// 13.0, and cell 15 25-39, all 11.0. Taken as logged, cell 15 would get
// 21-23 at 13.0 too.
TEST(AutoTuneTest, EachReadingGoesToTheMomentItsFuelWasMetered)
{
    std::vector<Sample> samples;
    for (int i = 0; i < 40; ++i)
        samples.push_back({.maf = i < 20 ? 2.1 : 3.1, .airFuel = i < 24 ? 13.0 : 11.0});
    Settings settings = At12();
    settings.lagSeconds = 0.5;
    const Result result = AnalyseOne(MakeLog(samples), settings);
    EXPECT_EQ(result.rejected[static_cast<int>(Rejection::BeforeLog)], 4);
    EXPECT_EQ(result.rejected[static_cast<int>(Rejection::MafChanging)], 2);
    EXPECT_EQ(result.cells[10].samples, 19);
    EXPECT_DOUBLE_EQ(result.cells[10].measured, 13.0);
    EXPECT_EQ(result.cells[15].samples, 15);
    EXPECT_DOUBLE_EQ(result.cells[15].measured, 11.0);
    const std::vector<int> verdicts = SampleVerdicts(MakeLog(samples), settings, 0.5);
    EXPECT_EQ(verdicts[3], static_cast<int>(Rejection::BeforeLog));
    EXPECT_EQ(verdicts[4], Accepted);
    EXPECT_EQ(verdicts[24], static_cast<int>(Rejection::MafChanging));
}

TEST(AutoTuneTest, SmoothingAveragesNeighboursOneTwoOne)
{
    std::vector<Sample> samples;
    const double airFuel[] = {12.0 * 1.04, 12.0 * 1.08, 12.0}; // cells 9, 10, 11: +4, +8, 0
    for (int k = 0; k < 3; ++k)
        for (const Sample& s : Steady(12, {.maf = tuner_cells::CellCaptionVolts(9 + k), .airFuel = airFuel[k]}))
            samples.push_back(s);
    Settings settings = At12();
    settings.smoothing = true;
    const Result result = AnalyseOne(MakeLog(samples), settings);
    // Cell 9: (2 x 4 + 8) / 3 = 5.33; cell 10: (4 + 16 + 0) / 4 = 5; cell 11
    // is on target itself, so settled whatever its neighbour says.
    EXPECT_EQ(result.cells[9].suggested, 5);
    EXPECT_EQ(result.cells[10].suggested, 5);
    EXPECT_EQ(result.cells[11].suggested, 0);
    EXPECT_EQ(result.cells[11].outcome, CellOutcome::Settled);
}

} // namespace

namespace {

// The log viewer's suggestion takes the stretch its views show: of a drive
// lean by 5 % in cell 10 and rich by 5 % in cell 15, the second half alone
// suggests only cell 15's -5.
TEST(LogSuggestionTest, TheStretchShownIsWhatIsAnalysed)
{
    std::vector<Sample> samples = Steady(20, Sample{.maf = 2.1, .airFuel = 12.6});
    const std::vector<Sample> rich = Steady(20, Sample{.maf = 3.1, .airFuel = 11.4});
    samples.insert(samples.end(), rich.begin(), rich.end());
    const DataLog log = MakeLog(samples);

    const Result whole = AnalyseOne(log, At12());
    const std::vector<SuggestionPoint> both = SuggestionPoints(whole);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].cell, 10);
    EXPECT_DOUBLE_EQ(both[0].volts, 2.1);
    EXPECT_DOUBLE_EQ(both[0].measured, 12.6);
    EXPECT_EQ(both[0].change, 5);
    EXPECT_EQ(both[1].cell, 15);
    EXPECT_EQ(both[1].change, -5);

    const DataLog secondHalf = Stretch(log, 20, 40);
    ASSERT_EQ(secondHalf.size(), 20u);
    EXPECT_DOUBLE_EQ(secondHalf.seconds.front(), 20 * Step);
    const Result part = AnalyseOne(secondHalf, At12());
    const std::vector<SuggestionPoint> one = SuggestionPoints(part);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].cell, 15);
    EXPECT_DOUBLE_EQ(one[0].measured, 11.4);
    EXPECT_EQ(SuggestionSummary(part, At12()),
              QStringLiteral("Table O to 12.0:1: 3.10 V -5 (20 of 20 samples used). "
                             "Wideband delay 0.00 s, as given."));
    EXPECT_EQ(SuggestionSummary(AnalyseOne(Stretch(log, 0, 5), At12()), At12()),
              QStringLiteral("Table O to 12.0:1: no cell has 10 samples to go by (5 of 5 samples used). "
                             "Wideband delay 0.00 s, as given."));
}

} // namespace

// The live analysis takes a sample at a time through the same steps, one
// sample late: the samples of the two logs above, plus one, give the cells
// and the delay the analysis of the logs gave. Cell 10 restarted with 0.5 s
// of hold-off after the last sample (t = 5.0 s) takes only fuel metered from
// 5.5 s on: of 16 more samples at 2.1 V (t = 5.125 .. 7.0, read 0.5 s after
// their fuel) those from t = 6.0 on, the last one not yet credited: 8.
// Cell 15 goes on: the last sample of the log (metered at 4.5 s) and those
// at 5.125 .. 5.375 s, metered at 3.1 V before the step: 15 + 4.
TEST(AutoTuneTest, TheLiveAnalysisGivesWhatTheLogsGive)
{
    const auto feed = [](LiveAnalysis& live, const DataLog& log, std::size_t from = 0, double offset = 0) {
        for (std::size_t i = from; i < log.size(); ++i)
            live.add({log.seconds[i] + offset, log.value(Channel::MafIn, i), log.value(Channel::TpsVolts, i),
                      log.value(Channel::ThrottleAngle, i), log.value(Channel::Rpm, i),
                      log.value(Channel::AirFuel, i)});
    };
    std::vector<Sample> samples;
    for (int i = 0; i < 41; ++i)
        samples.push_back({.maf = i < 20 ? 2.1 : 3.1, .airFuel = i < 24 ? 13.0 : 11.0});
    Settings settings = At12();
    settings.lagSeconds = 0.5;
    LiveAnalysis live(settings);
    feed(live, MakeLog(samples));
    Result result = live.result({});
    EXPECT_EQ(result.rejected[static_cast<int>(Rejection::BeforeLog)], 4);
    EXPECT_EQ(result.cells[10].samples, 19);
    EXPECT_DOUBLE_EQ(result.cells[10].measured, 13.0);
    EXPECT_EQ(result.cells[15].samples, 15);
    EXPECT_EQ(result.cells[15].suggested, -8); // (11 / 12 - 1) x 100 = -8.3

    std::array<bool, tuner_cells::CellCount> cell10{};
    cell10[10] = true;
    live.restartCells(cell10, 0.5);
    feed(live, MakeLog(Steady(16, {.maf = 2.1, .airFuel = 13.0})), 0, 5.125);
    EXPECT_EQ(live.result({}).cells[10].samples, 8);
    EXPECT_EQ(live.result({}).cells[15].samples, 19);

    Settings estimated;
    LiveAnalysis timed(estimated);
    feed(timed, ThrottleEvents(16));
    EXPECT_EQ(timed.lag().source, Lag::Source::Estimated);
    EXPECT_EQ(timed.lag().events, 6);
    EXPECT_NEAR(timed.lag().seconds, 0.05 * 16 + 0.05 * (1 - std::exp(-1.0)) - 0.025, 1e-9);
}

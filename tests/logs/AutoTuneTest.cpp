#include "AutoTuneSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

namespace {

using namespace autotune_test;

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
        {"asked back: moved from the true value", "248=-128 128=127", "4.9=13.2 2.5=11.3", 12.8, nullptr,
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
            samples.insert(samples.end(), 20, Sample{.maf = volts, .airFuel = airFuel});
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
    const Result result = AnalyseOne(MakeLog(Steady(20, {.airFuel = 13.5})), At12(), CellValuesOf(table));
    ASSERT_EQ(result.cells[10].change, 10);
    std::optional<tuner::EntryWrite> beyond;
    EXPECT_EQ(SuggestedTable(table, result, &beyond), table);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->address, 103);
    EXPECT_EQ(beyond->value, 131);
}

// A log through ten cells, each with a known error: the suggestion is each
// error taken off, within the cap, from the current value.
TEST(AutoTuneTest, ASyntheticLogGivesTheExpectedSuggestion)
{
    const int errors[] = {-12, -10, -7, -3, 0, 2, 5, 9, 10, 15}; // percent, cells 5 to 14
    std::vector<Sample> samples;
    for (int k = 0; k < 10; ++k) {
        const double volts = tuner_cells::CellCaptionVolts(5 + k);
        samples.insert(samples.end(), 14, Sample{.maf = volts, .airFuel = 12.8 * (1 + errors[k] / 100.0)});
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
    const R Moving = R::ThrottleMoving, After = R::AfterTransient;
    // Samples from..to-1 of 40 steady ones set to `value`, rising by
    // `perSecond` in steps of `resolution` (0: smoothly).
    struct Edit {
        std::size_t from, to;
        double Sample::*field;
        double value, perSecond = 0, resolution = 0;
    };
    const auto AF = &Sample::airFuel, Tps = &Sample::tps, Angle = &Sample::angle, Maf = &Sample::maf;
    const double none = std::nan("");
    struct Case {
        const char* name;
        std::vector<Edit> edits;
        std::vector<std::pair<R, int>> counts;
        double lag = 0;
        double step = Step; // seconds between samples
    } const cases[] = {
        {"no reading", {{20, 21, AF, none}}, {{R::NoAirFuel, 1}}},
        {"readings at and beyond the rails are used", {{10, 11, AF, 10.0}, {13, 14, AF, 22.0}}, {}},
        {"TPS at the breakpoint", {{20, 21, Tps, 2.5}, {21, 22, Tps, 1.0}, {22, 23, Tps, 2.51}}, {{R::OtherTable, 2}}},
        {"slow engine", {{5, 6, &Sample::rpm, 499}, {6, 7, &Sample::rpm, 500}}, {{R::LowRpm, 1}}},
        // The step is seen by both samples beside it; the two after it fall
        // within 0.3 s (0.125 and 0.25 s), the third (0.375 s) does not.
        {"a throttle step and the wideband's lag", {{20, 40, Angle, 60}}, {{Moving, 2}, {After, 2}}},
        // With a delay of 0.25 s (two samples) the first two samples' fuel was
        // metered before the log began, and the step's verdicts fall on the
        // samples two later: 21 and 22 moving, 23 and 24 after it.
        {"a step seen a delay later", {{20, 40, Angle, 60}}, {{R::BeforeLog, 2}, {Moving, 2}, {After, 2}}, 0.25},
        // 8 degrees a second is under 10 % of the 90-degree range.
        {"a slow throttle is steady", {{0, 40, Angle, 40, 8}}, {}},
        {"a MAF step of 2 V/s", {{20, 40, Maf, 2.35}}, {{R::MafChanging, 2}}},
        {"a MAF step of 1 V/s is not faster than allowed", {{0, 20, Maf, 2.0}, {20, 40, Maf, 2.125}}, {}},
        // 100 samples a second: the rates are taken over 5 samples (50 ms),
        // so a 0.5 V/s rise in steps of 0.02 V every 4 samples is slow (at
        // most 2 steps in 50 ms, 0.8 V/s), while a 0.1 V step is 2 V/s to
        // each of the 5 samples before and after it.
        {"a slow rise in steps of a count, 100 a second", {{0, 40, Maf, 2.1, 0.5, 0.02}}, {}, 0, 0.01},
        {"a MAF step of 0.1 V, 100 a second", {{20, 40, Maf, 2.2}}, {{R::MafChanging, 10}}, 0, 0.01},
        {"the first reason counts",
         {{30, 31, AF, none}, {30, 32, &Sample::rpm, 300}, {31, 32, Tps, 1.0}},
         {{R::NoAirFuel, 1}, {R::OtherTable, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Sample> samples = Steady(40);
        for (const Edit& e : c.edits)
            for (std::size_t i = e.from; i < e.to; ++i) {
                const double rise = static_cast<double>(i - e.from) * c.step * e.perSecond;
                samples[i].*e.field =
                    e.value + (e.resolution > 0 ? std::floor(rise / e.resolution + 1e-9) * e.resolution : rise);
            }
        Settings settings = At12();
        settings.lagSeconds = c.lag;
        const Result result = AnalyseOne(MakeLog(samples, c.step), settings);
        std::array<int, RejectionCount> expected{};
        int rejected = 0;
        for (const auto& [reason, count] : c.counts) {
            expected[static_cast<int>(reason)] = count;
            rejected += count;
        }
        EXPECT_EQ(result.rejected, expected);
        EXPECT_EQ(result.samples, 40);
        EXPECT_EQ(result.accepted, 40 - rejected);
        if (c.step < Step) {
            // Live, the last 5 samples wait for the ones their rates need.
            LiveAnalysis live(settings);
            FeedLive(live, MakeLog(samples, c.step));
            EXPECT_EQ(live.result({}).rejected, expected);
            EXPECT_EQ(live.result({}).samples, 35);
        }
    }
}

// Closed-loop tables: their samples are refused unless the user takes
// them; with the split off every sample counts for the chosen table.
TEST(AutoTuneTest, TableChoiceAndClosedLoopSamples)
{
    using R = Rejection;
    const R Moving = R::ThrottleMoving, After = R::AfterTransient;
    std::vector<Sample> samples = Steady(12, {.airFuel = 15.0, .tps = 1.2, .angle = 10});
    samples.insert(samples.end(), 13, Sample{.airFuel = 13.5});
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
        {"open loop", 'O', true, false, 10, 13.5, {{R::OtherTable, 12}, {Moving, 1}, {After, 2}}},
        {"closed loop refused by default", 'C', true, false, 0, 0, {{R::OtherTable, 13}, {R::ClosedLoop, 12}}},
        {"closed loop taken when asked", 'L', true, true, 11, 15.0, {{R::OtherTable, 13}, {Moving, 1}}},
        {"no split: every sample", 'H', false, false, 21, 15.0, {{Moving, 2}, {After, 2}}},
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
        // An even count's median is the mean of the middle two, 12.4: +3.3
        // (either alone would give 0 or +7).
        {"even count", "5=12.8 5=12.0", 12.0, 19, 0, Sug, 3, Rail::None, 0, ""},
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
            samples.insert(samples.end(), static_cast<std::size_t>(count), Sample{.airFuel = airFuel});
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
            samples.insert(samples.end(), static_cast<std::size_t>(count),
                           Sample{.maf = entry / 51.0, .airFuel = std::abs(entry - 108) <= 2 ? 12.0 : 14.0});
        const Result result = AnalyseOne(MakeLog(samples), At12());
        EXPECT_EQ(result.accepted, static_cast<int>(samples.size())); // 0.08 V in a step is under 1 V/s
        EXPECT_EQ(result.cells[10].samples, c.samples10);
        EXPECT_EQ(result.cells[11].samples, c.samples11);
        EXPECT_DOUBLE_EQ(result.cells[10].measured, c.measured10);
    }
}

TEST(AutoTuneTest, SmoothingAveragesNeighboursOneTwoOne)
{
    std::vector<Sample> samples;
    const double airFuel[] = {12.0 * 1.04, 12.0 * 1.08, 12.0}; // cells 9, 10, 11: +4, +8, 0
    for (int k = 0; k < 3; ++k)
        samples.insert(samples.end(), 12, Sample{.maf = tuner_cells::CellCaptionVolts(9 + k), .airFuel = airFuel[k]});
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

#include "logs/CellStatistics.h"
#include "logs/TunerCells.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace logs;

TEST(TunerCellsTest, ActiveCellIsTheTunersRule)
{
    struct Case {
        double volts;
        int cell;
    } const cases[] = {
        {0.0, 0},   // code 0: -0.49 rounds to 0
        {0.196, 0}, // code 10: 0.49
        {0.198, 0}, // code 10.098: 0.4998
        {0.199, 1}, // code 10.149: 0.5048
        {1.0, 5},   // code 51: 4.51
        {2.5, 12},  // code 127.5: 12.01
        {4.9, 24},  // code 249.9: 24.01
        {5.0, 24},  // code 255: 24.5, half to the even cell
        {-1.0, 0},  // no such reading, kept in range
        {6.0, 24},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tuner_cells::ActiveCellForVolts(c.volts), c.cell) << c.volts;
}

TEST(TunerCellsTest, BandsAndCaptions)
{
    using namespace tuner_cells;
    EXPECT_DOUBLE_EQ(CellCaptionVolts(0), 0.1);
    EXPECT_DOUBLE_EQ(CellCaptionVolts(12), 2.5);
    EXPECT_DOUBLE_EQ(CellCaptionVolts(24), 4.9);
    EXPECT_DOUBLE_EQ(CellLowerVolts(0), 0.0);
    EXPECT_NEAR(CellUpperVolts(0), 10.1 / 51, 1e-12); // code 10.1
    EXPECT_DOUBLE_EQ(CellUpperVolts(24), 5.0);
    // The bands drawn are the cells the statistics count in.
    for (int cell = 0; cell < CellCount; ++cell) {
        EXPECT_EQ(ActiveCellForVolts(CellLowerVolts(cell) + 1e-6), cell);
        EXPECT_EQ(ActiveCellForVolts(CellUpperVolts(cell) - 1e-6), cell);
        if (cell < LastCell) {
            EXPECT_DOUBLE_EQ(CellUpperVolts(cell), CellLowerVolts(cell + 1));
        }
    }
}

// A log with known answers:
//   seconds 0-13   cell 12 (2.5 V): twelve A/F readings and two "XXX"
//   seconds 14-24  cell 5 (1.0 V), at 800 rpm: eleven readings
//   seconds 25-27  cell 24 (4.9 V), throttle at 4.5 V: three readings
//   second 28      cell 0 (0 V): one "XXX"
DataLog knownLog()
{
    const double xxx = std::nan("");
    struct Row {
        double volts, airFuel, tps, rpm;
    };
    std::vector<Row> rows;
    for (double af : {12.0, 13.6, 12.0, 12.2, xxx, 12.4, 12.6, 14.0, 12.8, 13.0, 12.0, 13.2, xxx, 13.4})
        rows.push_back({2.5, af, 1.0, 3000});
    for (double af : {14.7, 14.7, 14.7, 14.7, 14.7, 14.0, 15.0, 15.0, 15.0, 15.0, 15.0})
        rows.push_back({1.0, af, 1.0, 800});
    for (double af : {12.5, 11.0, 11.5})
        rows.push_back({4.9, af, 4.5, 3000});
    rows.push_back({0.0, xxx, 1.0, 3000});

    DataLog log;
    auto& at = log.values;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        log.seconds.push_back(static_cast<double>(i));
        at[static_cast<int>(Channel::MafIn)].push_back(rows[i].volts);
        at[static_cast<int>(Channel::AirFuel)].push_back(rows[i].airFuel);
        at[static_cast<int>(Channel::TpsVolts)].push_back(rows[i].tps);
        at[static_cast<int>(Channel::Rpm)].push_back(rows[i].rpm);
    }
    return log;
}

struct Expected {
    int cell;
    int samples;
    int withoutReading;
    double median, minimum, maximum;
};

void expectCells(const CellTable& table, const std::vector<Expected>& expected)
{
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        SCOPED_TRACE(cell);
        const CellStats& stats = table.cells[cell];
        const auto it =
            std::find_if(expected.begin(), expected.end(), [cell](const Expected& e) { return e.cell == cell; });
        if (it == expected.end()) {
            EXPECT_EQ(stats.samples, 0);
            EXPECT_EQ(stats.withoutReading, 0);
            continue;
        }
        EXPECT_EQ(stats.samples, it->samples);
        EXPECT_EQ(stats.withoutReading, it->withoutReading);
        EXPECT_EQ(stats.tooFew(), it->samples < 10);
        if (it->samples > 0) {
            EXPECT_DOUBLE_EQ(stats.median, it->median);
            EXPECT_DOUBLE_EQ(stats.minimum, it->minimum);
            EXPECT_DOUBLE_EQ(stats.maximum, it->maximum);
        }
    }
}

// The known log's cells, unfiltered.
const Expected Cell0{0, 0, 1, 0, 0, 0}, Cell5{5, 11, 0, 14.7, 14.0, 15.0},
    Cell12{12, 12, 2, 12.7, 12.0, 14.0}, // even count: (12.6 + 12.8) / 2
    Cell24{24, 3, 0, 11.5, 11.0, 12.5};  // too few

TEST(CellStatisticsTest, CountsAndAirFuelPerCell)
{
    const CellTable table = ComputeCellTable(knownLog(), SampleFilter{});
    expectCells(table, {Cell0, Cell5, Cell12, Cell24});
    EXPECT_EQ(table.withoutReading, 3);
    EXPECT_EQ(table.samples, 29);
}

TEST(CellStatisticsTest, FiltersNarrowTheCells)
{
    const auto Above = ThrottleBand::AboveBreakpoint;
    struct Case {
        const char* name;
        SampleFilter filter;
        std::vector<Expected> cells;
        int samples;
    } const cases[] = {
        {"wide open: throttle above 4.0 V", {.range = {}, .throttle = Above, .breakpointVolts = 4.0}, {Cell24}, 3},
        {"part throttle",
         {.range = {}, .throttle = ThrottleBand::BelowBreakpoint, .breakpointVolts = 4.0},
         {Cell0, Cell5, Cell12},
         26},
        {"a throttle exactly at the breakpoint is not wide open",
         {.range = {}, .throttle = Above, .breakpointVolts = 4.5},
         {},
         0},
        {"engine speed from 1,000 rpm", {.range = {}, .minRpm = 1000, .maxRpm = 10200}, {Cell0, Cell12, Cell24}, 18},
        {"engine speed up to 800 rpm, both ends included", {.range = {}, .minRpm = 800, .maxRpm = 800}, {Cell5}, 11},
        // seconds 12 ("XXX") and 13 (13.4) in cell 12, then 14 to 19: 14.7 x 5 and 14.0
        {"a stretch of time",
         {.range = TimeRange{11.5, 19.5}},
         {{5, 6, 0, 14.7, 14.0, 14.7}, {12, 1, 1, 13.4, 13.4, 13.4}},
         8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CellTable table = ComputeCellTable(knownLog(), c.filter);
        expectCells(table, c.cells);
        EXPECT_EQ(table.samples, c.samples);
    }
}

TEST(CellStatisticsTest, ALogWithoutTheNeededColumnsHasEmptyCells)
{
    DataLog log = knownLog();
    log.values[static_cast<int>(Channel::AirFuel)].clear();
    const CellTable table = ComputeCellTable(log, SampleFilter{});
    EXPECT_EQ(table.samples, 0);
    expectCells(table, {});
}

} // namespace

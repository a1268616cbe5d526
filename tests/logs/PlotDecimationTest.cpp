#include "logs/PlotDecimation.h"
#include "logs/PlotScale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using plot_decimation::GroupedPoint;
using Runs = std::vector<QList<QPointF>>;

struct LineCase {
    const char* what;
    std::vector<double> values; // one a second from 0 s
    double from;
    double to;
    int columns;
    Runs expected;
};

TEST(PlotDecimationTest, LinesKeepWhatThePixelsShow)
{
    const double X = NAN;
    const std::vector<LineCase> cases = {
        {"few: every one, broken at a gap", {1, X, 3, 4, 5}, 0, 4, 10, {{{0, 1}}, {{2, 3}, {3, 4}, {4, 5}}}},
        // Columns of 6 s: the first keeps 2 (lowest, second) and 9 (highest, third);
        // the second has only sample 8, and a missing value inside a column breaks nothing.
        {"two columns", {5, 2, 9, X, 7, 4, X, X, 3, X, X, X}, 0, 12, 2, {{{1, 2}, {2, 9}, {8, 3}}}},
        // Columns of 4 s; the middle one has no value at all; in the last the highest comes first.
        {"an empty column", {1, 2, 3, 4, X, X, X, X, 8, 6, 7, 5}, 0, 12, 3, {{{0, 1}, {3, 4}}, {{8, 8}, {11, 5}}}},
        {"nothing but missing values", {X, X, X}, 0, 3, 10, {}},
    };
    for (const LineCase& c : cases) {
        std::vector<double> seconds;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            seconds.push_back(static_cast<double>(i));
        EXPECT_EQ(plot_decimation::LineRuns(seconds, c.values, 0, c.values.size(), c.from, c.to, c.columns), c.expected)
            << c.what;
    }
}

TEST(PlotDecimationTest, OnlyTheSamplesAskedForAreDrawn)
{
    const std::vector<double> seconds = {0, 1, 2, 3, 4, 5};
    const std::vector<double> values = {10, 11, 12, 13, 14, 15};
    EXPECT_EQ(plot_decimation::LineRuns(seconds, values, 2, 4, 2, 3, 100), (Runs{{{2, 12}, {3, 13}}}));
    EXPECT_EQ(plot_decimation::LineRuns(seconds, values, 4, 99, 4, 5, 100), (Runs{{{4, 14}, {5, 15}}}));
    EXPECT_TRUE(plot_decimation::LineRuns(seconds, values, 3, 3, 0, 5, 100).empty());
}

TEST(PlotDecimationTest, ScatterKeepsTheFirstPointOfEachCellPerGroup)
{
    // Cells of 1 x 1 over 0..4 by 0..2.
    const plot_decimation::Grid grid{0, 4, 0, 2, 4, 2};
    const std::vector<GroupedPoint> points = {
        {0.2, 0.2, 0}, // kept
        {0.8, 0.9, 0}, // same cell, same group: dropped
        {0.5, 0.5, 1}, // same cell, other group: kept
        {3.9, 1.9, 0}, // kept
        {9, -5, 0},    // beyond the area: counts in the corner cell (3, 0), kept as it is
        {3.5, 0.1, 0}, // that corner cell again: dropped
        {1.5, 1.5, 2}, // no such group
        {NAN, 1, 0},
    };
    const Runs kept = plot_decimation::ThinScatter(points, grid, 2);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], (QList<QPointF>{{0.2, 0.2}, {3.9, 1.9}, {9, -5}}));
    EXPECT_EQ(kept[1], (QList<QPointF>{{0.5, 0.5}}));
}

// The scatter's colours: bands of 10 degrees, wide open and beyond in the last.
TEST(PlotDecimationTest, ThrottleBandsOfTenDegrees)
{
    const std::vector<std::pair<double, int>> cases = {{-3, 0},   {0, 0},  {9.9, 0}, {10, 1},  {45, 4},
                                                       {79.9, 7}, {80, 8}, {90, 8},  {120, 8}, {NAN, 0}};
    for (const auto& [degrees, band] : cases)
        EXPECT_EQ(plot_scale::ThrottleBand(degrees), band) << degrees;
    EXPECT_EQ(plot_scale::ThrottleBandColour(0), plot_scale::ThrottleColour(5));
    EXPECT_EQ(plot_scale::ThrottleBandColour(8), plot_scale::ThrottleColour(85));
}

} // namespace

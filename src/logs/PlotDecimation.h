#pragma once

#include <QList>
#include <QPointF>

#include <cstddef>
#include <vector>

// What a plot needs to draw of a long log: the chart library's cost grows
// with every point it is handed, while the screen shows at most a few points
// a pixel. These pick the points that draw the same picture; the log keeps
// every sample.
namespace plot_decimation {

// A line through the samples [first, end) of (seconds, values) drawn over
// `columns` pixel columns from `from` to `to` seconds. While there are at most
// two samples a column every sample is a point and a sample without a value
// (NaN) breaks the line. Beyond that each column keeps its lowest and highest
// sample, in time order, so the line spans the same pixels of that column; a
// column without any value breaks the line (a gap narrower than a column
// cannot be seen). Each run is drawn as one unbroken line.
std::vector<QList<QPointF>> LineRuns(const std::vector<double>& seconds, const std::vector<double>& values,
                                     std::size_t first, std::size_t end, double from, double to, int columns);

// A scatter point and the group (colour) it is drawn in.
struct GroupedPoint {
    double x;
    double y;
    int group;
};

// The area a scatter plot shows, cut into cells of about a marker's size.
struct Grid {
    double xLo;
    double xHi;
    double yLo;
    double yHi;
    int columns;
    int rows;
};

// Per group the first point that falls in each cell of the grid (points
// beyond the area count in its edge cells), in the order they came. Groups
// outside [0, groups) are left out.
std::vector<QList<QPointF>> ThinScatter(const std::vector<GroupedPoint>& points, const Grid& grid, int groups);

} // namespace plot_decimation

#include "logs/PlotDecimation.h"

#include <algorithm>
#include <cmath>

namespace plot_decimation {

std::vector<QList<QPointF>> LineRuns(const std::vector<double>& seconds, const std::vector<double>& values,
                                     std::size_t first, std::size_t end, double from, double to, int columns)
{
    std::vector<QList<QPointF>> runs;
    end = std::min({end, seconds.size(), values.size()});
    if (first >= end || columns < 1 || !(to > from))
        return runs;
    QList<QPointF> run;
    auto breakRun = [&] {
        if (!run.isEmpty())
            runs.push_back(std::move(run));
        run = QList<QPointF>();
    };

    if (static_cast<double>(end - first) <= 2.0 * columns) {
        for (std::size_t i = first; i < end; ++i) {
            if (std::isnan(values[i]))
                breakRun();
            else
                run.append(QPointF(seconds[i], values[i]));
        }
        breakRun();
        return runs;
    }

    const double perColumn = (to - from) / columns;
    std::size_t i = first;
    while (i < end) {
        // The column of sample i; samples before `from` share the first column.
        const double column = std::max(0.0, std::floor((seconds[i] - from) / perColumn));
        const double columnEnd = from + (column + 1) * perColumn;
        std::size_t lowIndex = end, highIndex = end;
        // Sample i is in this column whatever rounding says, so every pass moves on.
        for (std::size_t start = i; i < end && (i == start || seconds[i] < columnEnd); ++i) {
            const double v = values[i];
            if (std::isnan(v))
                continue;
            if (lowIndex == end || v < values[lowIndex])
                lowIndex = i;
            if (highIndex == end || v > values[highIndex])
                highIndex = i;
        }
        if (lowIndex == end) {
            breakRun();
            continue;
        }
        run.append(QPointF(seconds[std::min(lowIndex, highIndex)], values[std::min(lowIndex, highIndex)]));
        if (lowIndex != highIndex)
            run.append(QPointF(seconds[std::max(lowIndex, highIndex)], values[std::max(lowIndex, highIndex)]));
    }
    breakRun();
    return runs;
}

std::vector<QList<QPointF>> ThinScatter(const std::vector<GroupedPoint>& points, const Grid& grid, int groups)
{
    std::vector<QList<QPointF>> kept(static_cast<std::size_t>(std::max(0, groups)));
    if (groups < 1 || grid.columns < 1 || grid.rows < 1 || !(grid.xHi > grid.xLo) || !(grid.yHi > grid.yLo))
        return kept;
    const std::size_t cells = static_cast<std::size_t>(grid.columns) * static_cast<std::size_t>(grid.rows);
    std::vector<std::vector<bool>> taken(kept.size(), std::vector<bool>(cells, false));
    const double xScale = grid.columns / (grid.xHi - grid.xLo);
    const double yScale = grid.rows / (grid.yHi - grid.yLo);
    for (const GroupedPoint& p : points) {
        if (p.group < 0 || p.group >= groups || std::isnan(p.x) || std::isnan(p.y))
            continue;
        const long column = std::clamp(static_cast<long>(std::floor((p.x - grid.xLo) * xScale)), 0L, grid.columns - 1L);
        const long row = std::clamp(static_cast<long>(std::floor((p.y - grid.yLo) * yScale)), 0L, grid.rows - 1L);
        const std::size_t cell = static_cast<std::size_t>(row) * grid.columns + static_cast<std::size_t>(column);
        std::vector<bool>& groupTaken = taken[static_cast<std::size_t>(p.group)];
        if (groupTaken[cell])
            continue;
        groupTaken[cell] = true;
        kept[static_cast<std::size_t>(p.group)].append(QPointF(p.x, p.y));
    }
    return kept;
}

} // namespace plot_decimation

#include "logs/CellStatistics.h"

#include <algorithm>
#include <cmath>

namespace logs {

double Median(std::vector<double>& values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1)
        return *middle;
    const double upper = *middle;
    const double lower = *std::max_element(values.begin(), middle);
    return (lower + upper) / 2;
}

CellTable ComputeCellTable(const DataLog& log, const SampleFilter& filter)
{
    CellTable table;
    if (!log.has(Channel::MafIn) || !log.has(Channel::AirFuel))
        return table;
    std::array<std::vector<double>, tuner_cells::CellCount> readings;
    const std::vector<double>& volts = log.column(Channel::MafIn);
    const std::vector<double>& airFuel = log.column(Channel::AirFuel);
    const std::size_t end = filter.end(log);
    for (std::size_t i = filter.first(log); i < end; ++i) {
        if (!filter.passes(log, i))
            continue;
        ++table.samples;
        const int cell = tuner_cells::ActiveCellForVolts(volts[i]);
        if (std::isnan(airFuel[i])) {
            ++table.cells[cell].withoutReading;
            ++table.withoutReading;
        } else {
            readings[cell].push_back(airFuel[i]);
        }
    }
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        std::vector<double>& values = readings[cell];
        CellStats& stats = table.cells[cell];
        stats.samples = static_cast<int>(values.size());
        if (values.empty())
            continue;
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        stats.minimum = *low;
        stats.maximum = *high;
        stats.median = Median(values);
    }
    return table;
}

} // namespace logs

#pragma once

#include "logs/DataLog.h"
#include "logs/SampleFilter.h"
#include "logs/TunerCells.h"

#include <array>
#include <vector>

// How the engine used each of the tuner's 25 cells during a log: how many
// samples fell in it, and the air/fuel ratios they read.
namespace logs {

// A cell with fewer samples with an A/F than this says too little to tune by.
inline constexpr int TooFewSamples = 10;

struct CellStats {
    int samples = 0;        // samples with an A/F
    int withoutReading = 0; // samples with "XXX" for the A/F
    double median = 0;      // of the A/F readings; meaningless when samples is 0
    double minimum = 0;
    double maximum = 0;
    bool tooFew() const { return samples < TooFewSamples; }
};

struct CellTable {
    std::array<CellStats, tuner_cells::CellCount> cells;
    int withoutReading = 0; // every sample with "XXX" for the A/F
    int samples = 0;        // every sample that passed the filter
};

// The median of some values (of an even count, the mean of the two middle
// ones); the values are reordered. 0 for none.
double Median(std::vector<double>& values);

// Cells by the MAF input voltage; samples the filter drops are left out. A
// log without the MAF input or A/F column has every cell empty.
CellTable ComputeCellTable(const DataLog& log, const SampleFilter& filter);

} // namespace logs

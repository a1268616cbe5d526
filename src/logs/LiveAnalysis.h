#pragma once

#include "logs/AutoTune.h"
#include "logs/DataLog.h"

#include <array>
#include <vector>

// The auto-tune analysis as the samples come in, for the tuner while it is
// on line: each sample goes through the same filters, the same crediting to
// the moment its fuel was metered and the same cells as a log's samples do
// (a little late: a moment's rates need the samples just after it). The
// wideband's delay is the given one, or timed from the throttle events seen
// so far; when that estimate moves the statistics start again. Only the
// last few seconds of samples are kept.
namespace autotune {

// One live sample as the tuner shows it.
struct LiveValues {
    double seconds = 0; // on any steady time scale
    double mafVolts = 0;
    double tpsVolts = 0;
    double throttleAngle = 0;
    double rpm = 0;
    double airFuel = 0; // NaN: no reading ("XXX")
};

class LiveAnalysis {
public:
    explicit LiveAnalysis(const Settings& settings = {});

    const Settings& settings() const { return settings_; }
    // New settings: everything starts again.
    void setSettings(const Settings& settings);

    void add(const LiveValues& sample);
    // Some cells' values changed: their statistics start again, and fuel
    // metered before `holdOffSeconds` after the latest sample is not
    // credited to them.
    void restartCells(const std::array<bool, tuner_cells::CellCount>& cells, double holdOffSeconds);
    // RESET: the statistics and the delay's events start again.
    void reset();

    // Samples accepted since the last RESET (or new settings).
    int accepted() const { return accepted_; }
    const Lag& lag() const { return lag_; }
    // The cells as the analysis of a log would give them for these values,
    // the samples and rejections counted since the last RESET.
    Result result(const CellValues& current) const;

private:
    void restartAll();
    void takeDelays();
    void trim();

    Settings settings_;
    logs::DataLog window_;     // the latest samples
    std::vector<int> moments_; // verdicts of window_'s moments so far
    double lastTransient_ = NoTransient;
    std::size_t k_ = 0;    // CreditAt's cursor
    std::size_t next_ = 0; // the next sample to credit
    double start_ = 0;     // fuel metered before is not credited
    std::array<double, tuner_cells::CellCount> cellStart_{};
    std::vector<std::size_t> crossings_; // throttle events not yet timed
    std::vector<double> delays_;
    Lag lag_;
    CellReadings readings_;
    std::array<int, RejectionCount> rejected_{};
    int samples_ = 0;
    int accepted_ = 0;
};

} // namespace autotune

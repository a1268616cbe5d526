#pragma once

// Synthetic logs for the suggestion's tests: steady wide-open samples and
// the settings they are analysed with.
#include "logs/AutoTune.h"
#include "logs/LiveAnalysis.h"

#include <QString>

#include <utility>
#include <vector>

namespace autotune_test {

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
inline constexpr double Step = 0.125;

inline DataLog MakeLog(const std::vector<Sample>& samples, double step = Step)
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

inline std::vector<Sample> Steady(int count, Sample sample = {})
{
    return std::vector<Sample>(static_cast<std::size_t>(count), sample);
}

// The synthetic logs' A/F belongs to the moment it is logged with: no delay.
inline Settings NoLag()
{
    Settings settings;
    settings.lagSeconds = 0.0;
    return settings;
}

inline Settings At12(int cap = 10)
{
    Settings settings = NoLag();
    settings.target = 12.0;
    settings.capPoints = cap;
    return settings;
}

inline Result AnalyseOne(const DataLog& log, const Settings& settings, CellValues current = {})
{
    return Analyse({&log}, current, settings);
}

// A log's samples into the live analysis, their times moved by `offset`.
inline void FeedLive(LiveAnalysis& live, const DataLog& log, double offset = 0)
{
    for (std::size_t i = 0; i < log.size(); ++i)
        live.add({log.seconds[i] + offset, log.value(Channel::MafIn, i), log.value(Channel::TpsVolts, i),
                  log.value(Channel::ThrottleAngle, i), log.value(Channel::Rpm, i), log.value(Channel::AirFuel, i)});
}

// "a=b c=d" as pairs, for tables that read better on one line.
inline std::vector<std::pair<double, double>> Pairs(const char* text)
{
    std::vector<std::pair<double, double>> pairs;
    for (const QString& pair : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        pairs.emplace_back(pair.section(QLatin1Char('='), 0, 0).toDouble(),
                           pair.section(QLatin1Char('='), 1).toDouble());
    return pairs;
}

// A log whose throttle crosses the breakpoint every 6 s, 20 samples a second,
// wide open at 12.5, closed at 14.7. The TPS crosses half way between two
// samples; the A/F takes its new value `samplesLate` samples after the
// first sample past the crossing, so it passes 63.2 % of the step 0.632 of a
// sample after the sample before: the delay is 0.05 x samplesLate + 0.0316
// - 0.025 s.
inline DataLog ThrottleEvents(int samplesLate, double seconds = 40)
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

} // namespace autotune_test

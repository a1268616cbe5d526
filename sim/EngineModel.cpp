#include "sim/EngineModel.h"

#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

namespace {

struct KeyPoint {
    double seconds;
    EngineState::Phase phase; // the phase from this point to the next
    double mafVolts;
    double throttleDegrees;
    double rpm;
    double airFuelRatio;
};

using Phase = EngineState::Phase;

// The last point equals the first so the cycle closes without a jump.
constexpr KeyPoint Drive[] = {
    {0.0, Phase::Idle, 0.62, 0.0, 800, 14.7},           {7.0, Phase::Cruise, 0.62, 0.0, 800, 14.7},
    {9.0, Phase::Cruise, 1.55, 12.0, 2400, 14.7},       {17.0, Phase::WideOpen, 1.65, 14.0, 2600, 14.7},
    {18.5, Phase::WideOpen, 3.20, 85.0, 3200, 12.6},    {24.0, Phase::Deceleration, 4.95, 85.0, 6200, 12.2},
    {25.0, Phase::Deceleration, 0.12, 0.0, 5800, 16.5}, {28.5, Phase::Idle, 0.55, 0.0, 1100, 18.0},
    {30.0, Phase::Idle, 0.62, 0.0, 800, 14.7},
};

// Part throttle at 30 degrees is about 2.0 V at the TPS, below the factory
// 2.5 V breakpoint; wide open, 85 degrees, is about 4.2 V.
constexpr KeyPoint TuningDrive[] = {
    {0.0, Phase::Idle, 0.62, 0.0, 800, 14.7},
    {4.0, Phase::Cruise, 0.62, 0.0, 800, 14.7},
    {6.0, Phase::Cruise, 0.95, 30.0, 1500, 14.7},
    {46.0, Phase::Deceleration, 4.95, 30.0, 6000, 14.7},
    {47.0, Phase::Deceleration, 0.50, 0.0, 4000, 16.5},
    {50.0, Phase::Cruise, 0.60, 0.0, 1200, 14.7},
    // The throttle is stabbed open in a quarter of a second at 1.03 V, so
    // no cell below 1 V sees wide-open throttle without holding it.
    {51.5, Phase::Cruise, 1.03, 10.0, 1400, 14.7},
    {51.75, Phase::WideOpen, 1.03, 85.0, 1450, 12.8},
    {100.0, Phase::Deceleration, 4.95, 85.0, 6200, 12.8},
    {101.0, Phase::Deceleration, 0.12, 0.0, 5800, 16.5},
    {104.0, Phase::Idle, 0.55, 0.0, 1100, 18.0},
    {106.0, Phase::Idle, 0.62, 0.0, 800, 14.7},
    {120.0, Phase::Idle, 0.62, 0.0, 800, 14.7},
};

// The pulls drive, built once from its rounds.
std::vector<KeyPoint> pullsDrive()
{
    constexpr double IdleSeconds = 5.0;
    constexpr double CruiseSeconds = 9.0;
    constexpr double StabSeconds = 0.15;
    constexpr double LiftSeconds = 0.3;
    constexpr double OverrunSeconds = 2.5;
    constexpr double BackSeconds = 1.0;
    constexpr double PullFrom = 1.2;
    constexpr double PullTo = 4.8;
    std::vector<KeyPoint> points{{0.0, Phase::Idle, 0.62, 0.0, 800, 14.7}};
    double t = IdleSeconds;
    points.push_back({t - 1.0, Phase::Idle, 0.62, 0.0, 800, 14.7});
    for (const double rate : EngineModel::PullRates) {
        points.push_back({t, Phase::Cruise, 1.0, 15.0, 1800, 14.7});
        t += CruiseSeconds;
        points.push_back({t, Phase::Cruise, PullFrom, 18.0, 2100, 14.7});
        t += StabSeconds;
        const double pull = (PullTo - PullFrom) / rate;
        points.push_back({t, Phase::WideOpen, PullFrom, 85.0, 2150, 12.8});
        t += pull;
        points.push_back({t, Phase::Deceleration, PullTo, 85.0, 6000, 12.8});
        t += LiftSeconds;
        points.push_back({t, Phase::Deceleration, 0.4, 0.0, 5600, 16.5});
        t += OverrunSeconds;
        points.push_back({t, Phase::Cruise, 0.5, 0.0, 2200, 16.5});
        t += BackSeconds;
    }
    points.push_back({t, Phase::Idle, 0.62, 0.0, 800, 14.7});
    points.push_back({EngineModel::PullsCycleMs / 1000.0, Phase::Idle, 0.62, 0.0, 800, 14.7});
    return points;
}

double lerp(double a, double b, double f)
{
    return a + (b - a) * f;
}

double ripple(double seconds, double period, double amplitude)
{
    return amplitude * std::sin(2.0 * std::numbers::pi * seconds / period);
}

} // namespace

qint64 EngineModel::CycleLength(DriveCycle drive)
{
    switch (drive) {
    case DriveCycle::Tuning:
        return TuningCycleMs;
    case DriveCycle::Pulls:
        return PullsCycleMs;
    case DriveCycle::Sweep:
        break;
    }
    return CycleMs;
}

EngineState EngineModel::At(qint64 ms, DriveCycle drive)
{
    const qint64 length = CycleLength(drive);
    const qint64 inCycle = ((ms % length) + length) % length;
    const double t = inCycle / 1000.0;

    static const std::vector<KeyPoint> Pulls = pullsDrive();
    const KeyPoint* first = std::begin(Drive);
    const KeyPoint* last = std::end(Drive);
    if (drive == DriveCycle::Tuning) {
        first = std::begin(TuningDrive);
        last = std::end(TuningDrive);
    } else if (drive == DriveCycle::Pulls) {
        first = Pulls.data();
        last = Pulls.data() + Pulls.size();
    }
    const KeyPoint* from = first;
    while (std::next(from + 1) != last && (from + 1)->seconds <= t)
        ++from;
    const KeyPoint& to = *(from + 1);
    const double f = (t - from->seconds) / (to.seconds - from->seconds);

    EngineState state;
    state.phase = from->phase;
    state.mafVolts = lerp(from->mafVolts, to.mafVolts, f) + ripple(t, 0.7, 0.015);
    state.throttleDegrees = lerp(from->throttleDegrees, to.throttleDegrees, f);
    state.rpm = lerp(from->rpm, to.rpm, f) + ripple(t, 1.3, 15.0);
    state.airFuelRatio = lerp(from->airFuelRatio, to.airFuelRatio, f) + ripple(t, 2.1, 0.1);
    return state;
}

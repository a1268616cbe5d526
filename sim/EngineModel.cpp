#include "sim/EngineModel.h"

#include <cmath>
#include <iterator>
#include <numbers>

namespace {

struct KeyPoint {
    double seconds;
    EngineState::Phase phase;  // the phase from this point to the next
    double mafVolts;
    double throttleDegrees;
    double rpm;
    double airFuelRatio;
};

using Phase = EngineState::Phase;

// The last point equals the first so the cycle closes without a jump.
constexpr KeyPoint Drive[] = {
    {0.0, Phase::Idle, 0.62, 0.0, 800, 14.7},
    {7.0, Phase::Cruise, 0.62, 0.0, 800, 14.7},
    {9.0, Phase::Cruise, 1.55, 12.0, 2400, 14.7},
    {17.0, Phase::WideOpen, 1.65, 14.0, 2600, 14.7},
    {18.5, Phase::WideOpen, 3.20, 85.0, 3200, 12.6},
    {24.0, Phase::Deceleration, 4.95, 85.0, 6200, 12.2},
    {25.0, Phase::Deceleration, 0.12, 0.0, 5800, 16.5},
    {28.5, Phase::Idle, 0.55, 0.0, 1100, 18.0},
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
    return drive == DriveCycle::Tuning ? TuningCycleMs : CycleMs;
}

EngineState EngineModel::At(qint64 ms, DriveCycle drive)
{
    const qint64 length = CycleLength(drive);
    const qint64 inCycle = ((ms % length) + length) % length;
    const double t = inCycle / 1000.0;

    const KeyPoint* first = drive == DriveCycle::Tuning ? std::begin(TuningDrive) : std::begin(Drive);
    const KeyPoint* last = drive == DriveCycle::Tuning ? std::end(TuningDrive) : std::end(Drive);
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

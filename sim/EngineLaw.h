#pragma once

#include "sim/EngineModel.h"
#include "sim/MafErrorCurve.h"

#include <QtGlobal>

#include <functional>

// What the simulated wideband reads. Below the wide-open-throttle
// breakpoint the engine computer's trims hold the drive's commanded ratio
// t (14.7, leaner only on the overrun); above it the wideband reads
//
//     m = t x (1 + (c* - c) x E / 1900)
//
// where c is the correction of the table entry in use, E the EEC injector
// size register of that table (0 read as 19), and c* the correction the
// engine truly needs there: the MAF sensor's error at that voltage with its
// sign turned, plus the injector mismatch as the tuner's compensation puts
// it, (E / installed - 1) x 100. The air/fuel calculator's correction
// (m / t - 1) x 100 x 19 / E is exactly c* - c, so a pass without a cap
// lands on c*. That is the mixture the engine burns at the moment the fuel
// is metered. The wideband sees it a transport delay later (the exhaust's
// way to the sensor) and follows it as a first-order lag, plus a little
// noise that repeats for the same seed and time, and reads no further than
// its rails, 10.0 and 20.0 (the range of the sensor the simulated unit's
// byte is made for).
struct SimulatedEngine {
    DriveCycle drive = DriveCycle::Sweep; // --sim-drive sweep|tuning|pulls
    MafErrorCurve mafError;               // --sim-maf-error "V:P,..."
    int installedInjectors = 0;           // --sim-injectors SIZE; 0: as the registers say
    quint64 seed = 1;                     // --sim-seed N
    double widebandDelay = 0.5;           // --sim-wideband-delay SECONDS: the transport delay
    double widebandLag = 0.1;             // --sim-wideband-lag SECONDS: the sensor's time constant
};

namespace engine_law {

// The noise's standard deviation, in A/F points.
inline constexpr double NoiseSigma = 0.04;
inline constexpr double RichRail = 10.0;
inline constexpr double LeanRail = 20.0;
// The longest transport delay and time constant the options take.
inline constexpr double MostWidebandDelay = 3.0;
inline constexpr double MostWidebandLag = 2.0;

// c*: the correction (percent points) the engine needs at this MAF voltage
// for a table whose EEC size register holds eecRegister.
double NeededCorrection(const SimulatedEngine& engine, double mafVolts, int eecRegister);

// How far a table entry lies from what the engine needs where it is used
// (entry / 255 x 5 V): c* - c in points, for a table whose EEC size
// register holds eecRegister.
double EntryError(const SimulatedEngine& engine, int entry, int correction, int eecRegister);

// m: the ratio above the breakpoint for commanded ratio t, correction c in
// use and needed correction c*.
double OpenLoopAirFuel(double commanded, double correction, double needed, int eecRegister);

// Normally distributed noise for a moment of the device clock.
double Noise(quint64 seed, qint64 ms);

// What the wideband shows at engineMs, given the ratio burnt at each moment
// (engine milliseconds): that ratio a transport delay earlier through a
// first-order lag (taken in 10 ms steps over five time constants), plus
// the noise, within the rails.
double WidebandReading(const SimulatedEngine& engine, qint64 engineMs, const std::function<double(qint64)>& burnt);

} // namespace engine_law

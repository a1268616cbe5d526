#pragma once

#include "sim/EngineModel.h"
#include "sim/MafErrorCurve.h"

#include <QtGlobal>

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
// lands on c*. The reading is that of 0.2 s earlier (the sensor's lag),
// plus a little noise that repeats for the same seed and time.
struct SimulatedEngine {
    DriveCycle drive = DriveCycle::Sweep;  // --sim-drive sweep|tuning
    MafErrorCurve mafError;                // --sim-maf-error "V:P,..."
    int installedInjectors = 0;            // --sim-injectors SIZE; 0: as the registers say
    quint64 seed = 1;                      // --sim-seed N
};

namespace engine_law {

inline constexpr qint64 LagMs = 200;
// The noise's standard deviation, in A/F points.
inline constexpr double NoiseSigma = 0.04;

// c*: the correction (percent points) the engine needs at this MAF voltage
// for a table whose EEC size register holds eecRegister.
double NeededCorrection(const SimulatedEngine& engine, double mafVolts, int eecRegister);

// m: the ratio above the breakpoint for commanded ratio t, correction c in
// use and needed correction c*.
double OpenLoopAirFuel(double commanded, double correction, double needed, int eecRegister);

// Normally distributed noise for a moment of the device clock.
double Noise(quint64 seed, qint64 ms);

} // namespace engine_law

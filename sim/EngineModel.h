#pragma once

#include <QtGlobal>

// What the engine is doing at one moment, in the sensors' own terms.
struct EngineState {
    enum class Phase { Idle, Cruise, WideOpen, Deceleration };
    Phase phase;
    double mafVolts;        // the MAF sensor's output
    double throttleDegrees; // 0 closed, about 85 wide open
    double rpm;
    double airFuelRatio;
};

// A drive that repeats every 30 seconds: idle, a tip-in to cruise, a
// wide-open-throttle pull up to nearly 5 V at the MAF, the throttle snapped
// shut and a deceleration, briefly near 0.1 V, back to idle. Each cycle
// sweeps the whole MAF voltage range, so every cell of a table is used. Values are interpolated between key points with a small ripple,
// so successive samples differ even while a phase holds steady.
//
// The tuning drive (--sim-drive tuning) repeats every two minutes and is
// made for closing the auto-tune loop: after idle, a part-throttle climb
// at a steady 30 degrees from 0.95 V to 4.95 V at the MAF in 40 s, a
// lift-off, then a wide-open-throttle pull from 1.03 V to 4.95 V in 48 s
// (12.8:1 commanded), and a deceleration back to idle. Every cell above
// 1 V is crossed slowly enough (about 0.1 V a second, some 40 samples at
// 20 a second) at part throttle and at wide-open throttle.
//
// The pulls drive (--sim-drive pulls) repeats every two minutes and drives
// as a tuner on the road does: after idle, six rounds of a closed-loop
// cruise at part throttle (1.0 to 1.2 V at the MAF), the throttle stabbed
// wide open in 0.15 s and a pull sweeping the MAF from 1.2 to 4.8 V at
// 0.5 to 0.9 V a second (12.8:1 commanded), the throttle snapped shut in
// 0.3 s and a deceleration on the overrun (16.5:1) before the next cruise.
enum class DriveCycle { Sweep, Tuning, Pulls };

class EngineModel {
public:
    static constexpr qint64 CycleMs = 30'000;
    static constexpr qint64 TuningCycleMs = 120'000;
    static constexpr qint64 PullsCycleMs = 120'000;
    // The pulls' sweep rates at the MAF, volts a second, in the order driven.
    static constexpr double PullRates[] = {0.5, 0.9, 0.6, 0.8, 0.7, 0.55};

    // ms: time since the engine model started; any value, the cycle repeats.
    static EngineState At(qint64 ms, DriveCycle drive = DriveCycle::Sweep);
    static qint64 CycleLength(DriveCycle drive);
};

#pragma once

#include <QtGlobal>

// What the engine is doing at one moment, in the sensors' own terms.
struct EngineState {
    enum class Phase { Idle, Cruise, WideOpen, Deceleration };
    Phase phase;
    double mafVolts;         // the MAF sensor's output
    double throttleDegrees;  // 0 closed, about 85 wide open
    double rpm;
    double airFuelRatio;
};

// A drive that repeats every 30 seconds: idle, a tip-in to cruise, a
// wide-open-throttle pull up to nearly 5 V at the MAF, the throttle snapped
// shut and a deceleration, briefly near 0.1 V, back to idle. Each cycle
// sweeps the whole MAF voltage range, so every cell of a table is used. Values are interpolated between key points with a small ripple,
// so successive samples differ even while a phase holds steady.
class EngineModel {
public:
    static constexpr qint64 CycleMs = 30'000;

    // ms: time since the engine model started; any value, the cycle repeats.
    static EngineState At(qint64 ms);
};

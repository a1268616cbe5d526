#include "sim/EngineLaw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace engine_law {

namespace {

constexpr double FactoryInjectorSize = 19.0;

double eecSize(int eecRegister)
{
    return eecRegister > 0 ? eecRegister : FactoryInjectorSize;
}

// splitmix64: a well-mixed 64-bit value for each input.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double unit(quint64 bits)
{
    return (static_cast<double>(bits >> 11) + 0.5) / 9007199254740992.0; // (0, 1)
}

} // namespace

double NeededCorrection(const SimulatedEngine& engine, double mafVolts, int eecRegister)
{
    double needed = -engine.mafError.percentAt(mafVolts);
    if (engine.installedInjectors > 0)
        needed += (eecSize(eecRegister) / engine.installedInjectors - 1.0) * 100.0;
    return needed;
}

double EntryError(const SimulatedEngine& engine, int entry, int correction, int eecRegister)
{
    return NeededCorrection(engine, entry * 5.0 / 255.0, eecRegister) - correction;
}

double OpenLoopAirFuel(double commanded, double correction, double needed, int eecRegister)
{
    return commanded * (1.0 + (needed - correction) * eecSize(eecRegister) / 1900.0);
}

double Noise(quint64 seed, qint64 ms)
{
    const quint64 first = mix(seed * 0x100000001B3ull ^ static_cast<quint64>(ms));
    const double u1 = unit(first);
    const double u2 = unit(mix(first));
    return NoiseSigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

double WidebandReading(const SimulatedEngine& engine, qint64 engineMs, const std::function<double(qint64)>& burnt)
{
    constexpr double StepMs = 10.0;
    const double delayMs = engine.widebandDelay * 1000.0;
    const double lagMs = engine.widebandLag * 1000.0;
    double seen = 0;
    if (lagMs < StepMs / 2) {
        seen = burnt(engineMs - std::llround(delayMs));
    } else {
        // Each 10 ms step back weighs what the lag keeps of it: the weights
        // of an exponential of time constant lagMs over that step.
        const int steps = static_cast<int>(std::ceil(5.0 * lagMs / StepMs));
        const double decay = std::exp(-StepMs / lagMs);
        double weight = 1.0 - decay;
        double total = 0;
        for (int k = 0; k < steps; ++k) {
            seen += weight * burnt(engineMs - std::llround(delayMs + (k + 0.5) * StepMs));
            total += weight;
            weight *= decay;
        }
        seen /= total;
    }
    return std::clamp(seen + Noise(engine.seed, engineMs), RichRail, LeanRail);
}

} // namespace engine_law

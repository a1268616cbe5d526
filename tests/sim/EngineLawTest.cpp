#include "logs/AutoTune.h"
#include "sim/EngineLaw.h"
#include "sim/VentrixDevice.h"

#include <gtest/gtest.h>

namespace {

MafErrorCurve Curve(const QString& text)
{
    MafErrorCurve curve;
    QString why;
    EXPECT_TRUE(curve.parse(text, &why)) << why.toStdString();
    return curve;
}

TEST(EngineLawTest, MafErrorCurveIsStraightBetweenItsPointsAndFlatBeyond)
{
    const MafErrorCurve curve = Curve(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"));
    const std::pair<double, double> cases[] = {{0.0, 8}, {0.5, 8}, {1.5, 2}, {2.5, -4}, {3.5, 4}, {4.5, 12}, {5.0, 12}};
    for (const auto& [volts, percent] : cases)
        EXPECT_NEAR(curve.percentAt(volts), percent, 1e-12) << volts;
    EXPECT_EQ(MafErrorCurve().percentAt(3.0), 0.0);

    for (const char* bad : {"", "1:2:3", "2:1,1:2", "1:1,1:2", "6:1", "1:x", "1:60"}) {
        MafErrorCurve kept = Curve(QStringLiteral("1:5"));
        QString why;
        EXPECT_FALSE(kept.parse(QString::fromLatin1(bad), &why)) << bad;
        EXPECT_FALSE(why.isEmpty());
        EXPECT_EQ(kept.percentAt(0), 5.0) << "a refused text changes nothing";
    }
}

TEST(EngineLawTest, NeededCorrectionAndTheLawThatTheCalculatorInverts)
{
    SimulatedEngine engine;
    engine.mafError = Curve(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"));
    EXPECT_NEAR(engine_law::NeededCorrection(engine, 3.5, 19), -4, 1e-12);
    engine.installedInjectors = 24; // 19 assumed: (19 / 24 - 1) x 100 = -20.83
    EXPECT_NEAR(engine_law::NeededCorrection(engine, 3.5, 19), -24.8333, 1e-4);
    EXPECT_NEAR(engine_law::NeededCorrection(engine, 3.5, 0), -24.8333, 1e-4); // 0 reads as 19
    EXPECT_NEAR(engine_law::NeededCorrection(engine, 2.5, 24), 4, 1e-12);      // no mismatch

    struct Case {
        double commanded, correction, needed;
        int eec;
        double airFuel;
    } const cases[] = {
        {12.8, 0, -12, 19, 11.264}, // too rich by 12 %
        {12.8, -12, -12, 19, 12.8}, // on target once c reaches c*
        {12.8, 0, 10, 38, 15.36},   // lean, E = 38 doubles the effect
        {12.8, 5, 0, 0, 12.16},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(engine_law::OpenLoopAirFuel(c.commanded, c.correction, c.needed, c.eec), c.airFuel, 1e-9);
        // The air/fuel calculator's correction is c* - c.
        EXPECT_EQ(autotune::CorrectionPoints(c.airFuel, c.commanded, c.eec), static_cast<int>(c.needed - c.correction));
    }
}

double AirFuelAt(const VentrixDevice& device, qint64 ms)
{
    const int byte = QByteArray(device.liveSampleData(ms)).mid(13, 2).toInt(nullptr, 16);
    return 20.0 - 2.0 * (byte / 255.0 * 5.0); // the default sensor: 20:1 at 0 V, 2 points a volt
}

TEST(EngineLawTest, TheSimulatedWidebandFollowsTheLawWithLagAndNoise)
{
    SimulatedEngine engine;
    engine.drive = DriveCycle::Tuning;
    engine.mafError = Curve(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"));
    // A unit on the engine with every entry of table O at `percent`.
    const auto unit = [&engine](VentrixDevice& device, int percent) {
        device.setEngine(engine);
        device.setEngineStart(0);
        for (int j = 0; j < 256; ++j)
            device.memory().setCell('O', j, percent & 0xFF);
    };
    VentrixDevice device;
    unit(device, -5);

    struct Case {
        const char* name;
        qint64 ms;
        double airFuel;
    } const cases[] = {
        // The pull, seen at 76 s: the fuel burnt 0.5 s of transport and
        // 0.1 s of lag earlier, at about 75.4 s: 2.94 V, error -0.5 %, so
        // c* = +0.5 against c = -5; 12.74 commanded (the drive's ripple):
        // 12.74 x 1.055 = 13.44, and this moment's noise, -0.10: 13.34.
        {"wide open", 76'000, 13.34},
        // Part throttle at 20 s (TPS about 2.0 V): the trims hold 14.7
        // whatever the table and the sensor.
        {"part throttle", 20'000, 14.7},
        // At 101 s the engine is already on the overrun (16.5 commanded),
        // but the sensor shows about 100.4 s: the throttle closing, still
        // above the breakpoint, 14.19 commanded at 3.02 V (c* = -0.14):
        // 14.19 x 1.0486 = 14.88, and the noise, +0.08: 14.96.
        {"the sensor shows 0.6 s late", 101'000, 14.96},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(AirFuelAt(device, c.ms), c.airFuel, 0.06) << c.name; // the byte's steps are 0.04
    // 40 % added where 0 is needed reads 12.8 x 0.6 = 7.68: the rich rail.
    VentrixDevice rich;
    unit(rich, 40);
    EXPECT_DOUBLE_EQ(AirFuelAt(rich, 76'000), 10.0);

    // The noise repeats for the same seed and differs for another.
    VentrixDevice same;
    unit(same, -5);
    engine.seed = 2;
    VentrixDevice other;
    unit(other, -5);
    int differing = 0;
    for (qint64 ms = 60'000; ms < 61'000; ms += 50) {
        EXPECT_EQ(device.liveSampleData(ms), same.liveSampleData(ms));
        differing += device.liveSampleData(ms) != other.liveSampleData(ms);
    }
    EXPECT_GT(differing, 5);
}

TEST(EngineLawTest, TheTuningDriveVisitsEveryCellAboveOneVoltBothWays)
{
    std::array<int, 25> partThrottle{};
    std::array<int, 25> wideOpen{};
    for (qint64 ms = 0; ms < EngineModel::TuningCycleMs; ms += 50) {
        const EngineState now = EngineModel::At(ms, DriveCycle::Tuning);
        const EngineState next = EngineModel::At(ms + 50, DriveCycle::Tuning);
        if (std::abs(next.throttleDegrees - now.throttleDegrees) > 0.01)
            continue;
        const int cell = tuner_cells::ActiveCellForVolts(now.mafVolts);
        const double tps = VentrixDevice::DefaultTpsKeyOnVolts + now.throttleDegrees / 25.04;
        (tps > 2.5 ? wideOpen : partThrottle)[cell] += 1;
    }
    for (int cell = 5; cell < 25; ++cell) {
        EXPECT_GE(partThrottle[cell], 10) << cell;
        EXPECT_GE(wideOpen[cell], 10) << cell;
    }
}

TEST(EngineLawTest, ThePullsDriveSweepsAtHalfToNineTenthsOfAVoltASecond)
{
    std::vector<double> rates;
    qint64 start = -1;
    for (qint64 ms = 0; ms <= EngineModel::PullsCycleMs; ms += 10) {
        const bool wideOpen = EngineModel::At(ms, DriveCycle::Pulls).throttleDegrees >= 85.0;
        if (wideOpen && start < 0)
            start = ms;
        if (!wideOpen && start >= 0) {
            const double volts = EngineModel::At(ms - 10, DriveCycle::Pulls).mafVolts
                - EngineModel::At(start, DriveCycle::Pulls).mafVolts;
            rates.push_back(volts / ((ms - 10 - start) / 1000.0));
            start = -1;
        }
    }
    ASSERT_EQ(rates.size(), 6u);
    const double expected[] = {0.5, 0.9, 0.6, 0.8, 0.7, 0.55};
    for (std::size_t k = 0; k < rates.size(); ++k)
        EXPECT_NEAR(rates[k], expected[k], 0.02) << k; // the ripple moves the ends a little
}

} // namespace

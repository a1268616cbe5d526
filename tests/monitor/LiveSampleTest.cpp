#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/VoltageOffset.h"
#include "monitor/mdlMonitor.h"
#include "platform/Colours.h"

#include <QLineEdit>

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace live_display;

// The data of an "M" reply from its raw fields.
QString Sample(int mafIn, int mafOut, int tps, int wideband = 0, int flowIn = 0, int flowOut = 0, int speed = 0,
               int multispark = 0, int flipChip = 1)
{
    const auto word = [](int v) { return QStringLiteral("%1").arg(v & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(); };
    const auto byte = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
    return QStringLiteral("m") + word(mafIn) + word(mafOut) + word(tps) + byte(wideband) + word(flowIn) + word(flowOut)
        + byte(speed) + byte(multispark) + byte(flipChip);
}

LiveSample Decode(const QString& data, DecodeContext context = {})
{
    int counter = 0;
    return DecodeLiveSample(data, context, counter);
}

TEST(LiveSampleTest, FieldsAreHexadecimalSigned16BitOrUnsignedBytes)
{
    using namespace live_sample;
    const std::tuple<const char*, Field, int> cases[] = {
        {"m03FF", MafInput, 1023},  {"m03ff", MafInput, 1023},          // lower-case digits
        {"m7FFF", MafInput, 32767}, {"m8000", MafInput, -32768},        // four digits are a signed 16-bit number
        {"mFFFF", MafInput, -1},    {"m000000000000FF", Wideband, 255}, // two digits are 0 to 255
        {"m03", MafInput, 3},                                           // cut short: the digits present
        {"mFFF", MafInput, 4095},                                       // three digits stay positive
        {"m", MafInput, 0},                                             // nothing there
        {"m03FF", MafOutput, 0},
    };
    for (const auto& [data, field, value] : cases)
        EXPECT_EQ(FieldValue(QString::fromLatin1(data), field), value) << data;
}

TEST(LiveSampleTest, VoltagesAndTheirChange)
{
    const std::tuple<int, int, const char*, const char*, const char*> cases[] = {
        {1023, 1023, "5.000", "5.000", "0.0"}, // full scale
        {0, 500, "0.000", "2.444", "0.0"},     // no input: no division
        {500, 550, "2.444", "2.688", "10.0"},  {480, 420, "2.346", "2.053", "-12.5"},
        {512, 512, "2.502", "2.502", "0.0"},
    };
    for (const auto& [in, out, inText, outText, change] : cases) {
        const LiveSample s = Decode(Sample(in, out, 0));
        EXPECT_EQ(Volts(s.MAFInputVoltage), inText) << in;
        EXPECT_EQ(Volts(s.OutputVoltage), outText) << in;
        EXPECT_EQ(Percent(s.VoltageChange), change) << in;
    }
}

TEST(LiveSampleTest, ThrottleAngleIsClampedAndWideOpenIsStrictlyAboveTheBreakpoint)
{
    const std::tuple<int, double, double, const char*, bool> cases[] = {
        {100, 0.8, 2.5, "0.0", false},   // below the key-on voltage
        {1023, 1.0, 2.5, "90.0", true},  // 4 V above: 100.16 clamped
        {1023, 3.0, 2.5, "50.1", true},  // 2 V above
        {512, 0.0, 2.5, "62.7", true},   // 2.502 V
        {511, 0.0, 2.5, "62.5", false},  // 2.498 V
        {1023, 0.0, 5.0, "90.0", false}, // exactly at the breakpoint
    };
    for (const auto& [tpsCounts, keyOn, breakpoint, angle, wot] : cases) {
        const LiveSample s =
            Decode(Sample(0, 0, tpsCounts), {.tpsKeyOnVolts = keyOn, .wotBreakpointVolts = breakpoint});
        EXPECT_EQ(Angle(s.ThrottleAngle), angle) << tpsCounts << " " << keyOn;
        EXPECT_EQ(s.WOT, wot) << tpsCounts << " " << breakpoint;
    }
}

TEST(LiveSampleTest, FlowsScaleWithTheInjectorsAndTheirChangeAvoidsZero)
{
    const std::tuple<int, int, double, const char*, const char*, const char*, const char*> cases[] = {
        {185, 160, 19, "185", "160", "-13.5", "LEAN"}, {100, 110, 38, "200", "220", "10.0", "RICH"},
        {0, 100, 19, "0", "100", "0.0", "NONE"}, // no measured flow: no division
        {-1, -1, 19, "-1", "-1", "0.0", "NONE"}, // FFFF is -1
        {200, 201, 19, "200", "201", "0.5", "NONE"},
    };
    for (const auto& [in, out, injectors, inText, outText, change, richLean] : cases) {
        const LiveSample s = Decode(Sample(0, 0, 0, 0, in, out), {.installedInjectorSize = injectors});
        EXPECT_EQ(Flow(s.InputFlow), inText) << in;
        EXPECT_EQ(Flow(s.OutputFlow), outText) << in;
        EXPECT_EQ(Percent(s.FlowChange), change) << in;
        EXPECT_EQ(RichOrLean(s.FlowChange).text, richLean) << in;
    }
}

TEST(LiveSampleTest, WidebandModelsAndTheirBoundaries)
{
    const float above31 = std::nextafter(3.1f, 4.0f);
    const float below25 = std::nextafter(2.5f, 0.0f);
    const float below13 = std::nextafter(1.3f, 0.0f);
    const std::tuple<int, float, double> cases[] = {
        {0, 0.4f, 0.0},        {0, 0.5f, 9.389665},     {0, below25, 14.680024}, {0, 2.5f, 14.813},
        {0, 3.1f, 20.199271},  {0, above31, 20.0},      {0, 5.0f, 20.0},         {1, 0.0f, 20.0},
        {1, 5.0f, 10.0},       {1, 2.5f, 15.0},         {2, 2.0f, 13.0},         {3, below13, 9.0},
        {3, 1.3f, 9.009038},   {3, below25, 14.111748}, {3, 2.5f, 14.407325},    {3, 4.25f, 20.007019},
        {3, 4.5f, 20.0},       {4, 1.0f, 12.0},         {6, 1.0f, 12.0},         {8, 1.0f, 12.0},
        {5, 0.1f, 9.7},        {5, 0.15f, 9.723661},    {5, below25, 14.699189}, {5, 2.5f, 14.586472},
        {5, 3.27f, 21.278316}, {5, 3.3f, 21.2},         {7, 2.0f, 12.0},         {9, 2.75f, 2.75},
        {-1, 1.5f, 1.5}, // unknown models give the voltage itself
    };
    for (const auto& [model, volts, ratio] : cases)
        EXPECT_NEAR(WidebandToAirFuel(model, volts), ratio, 2e-5) << "model " << model << " at " << volts;
}

TEST(LiveSampleTest, WidebandVoltageFollowsTheCalibration)
{
    const std::tuple<int, int, int, const char*> cases[] = {
        {255, 0, 9, "5.0"},   {255, 10, 9, "5.2"},                    // 5 + 50/255
        {255, -10, 9, "4.8"}, {128, 0, 1, "15.0"}, {20, 0, 0, "XXX"}, // 0.39 V: no reading
    };
    for (const auto& [raw, calibration, model, shown] : cases) {
        const LiveSample s = Decode(Sample(0, 0, 0, raw), {.widebandModel = model, .fjoCalibration = calibration});
        EXPECT_EQ(AirFuelText(s.AirFuelRatio).text, shown) << raw << " " << calibration;
    }
}

TEST(LiveSampleTest, AirFuelColours)
{
    const std::tuple<float, const char*, QColor> cases[] = {
        {0.0f, "XXX", colours::Red},       {9.0f, "9.0", colours::Green},    {12.5f, "12.5", colours::Green},
        {12.51f, "12.5", colours::Yellow}, {13.5f, "13.5", colours::Yellow}, {13.6f, "13.6", colours::Red},
        {20.0f, "20.0", colours::Red},
    };
    for (const auto& [ratio, text, colour] : cases) {
        const AirFuel shown = AirFuelText(ratio);
        EXPECT_EQ(shown.text, text) << ratio;
        EXPECT_EQ(shown.colour, colour) << ratio;
    }
}

TEST(LiveSampleTest, RichLeanThresholds)
{
    const std::tuple<double, const char*, bool> cases[] = {
        {-0.51, "LEAN", false}, {-0.5, "NONE", true}, {0.0, "NONE", true}, {0.5, "NONE", true}, {0.51, "RICH", false},
    };
    for (const auto& [change, text, buttonFace] : cases) {
        const RichLean shown = RichOrLean(change);
        EXPECT_EQ(shown.text, text) << change;
        EXPECT_EQ(shown.buttonFace, buttonFace) << change;
    }
    EXPECT_EQ(RichOrLean(-3).colour, colours::Red);
    EXPECT_EQ(RichOrLean(3).colour, colours::Green);
}

TEST(LiveSampleTest, MultisparkTurnsOnAtTheSixthSampleAndOffAfterFive)
{
    int counter = 0;
    const QString spark = Sample(0, 0, 0, 0, 0, 0, 0, 1);
    const QString none = Sample(0, 0, 0, 0, 0, 0, 0, 0);
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(DecodeLiveSample(spark, {}, counter).Multispark) << i;
    EXPECT_EQ(counter, 5000);
    EXPECT_TRUE(DecodeLiveSample(spark, {}, counter).Multispark);
    for (int i = 0; i < 10; ++i)
        DecodeLiveSample(spark, {}, counter);
    EXPECT_EQ(counter, 10000); // held at the top
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(DecodeLiveSample(none, {}, counter).Multispark) << i;
    EXPECT_FALSE(DecodeLiveSample(none, {}, counter).Multispark);
    for (int i = 0; i < 10; ++i)
        DecodeLiveSample(none, {}, counter);
    EXPECT_EQ(counter, 0); // held at the bottom
}

TEST(LiveSampleTest, StoredFjoCalibration)
{
    const std::tuple<const char*, int> cases[] = {{"0", 0},  {"5", 5},   {"-10", -10}, {"10", 10}, {" 3 ", 3},
                                                  {"11", 0}, {"-11", 0}, {"abc", 0},   {"", 0},    {"2.5", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(mdlMonitor::ParseFjoCalibration(QString::fromLatin1(text)), value) << text;
}

// What a sample shows, and in which order it is logged, the monitor window's
// tests check through its readouts and its log line.
TEST(LiveReadoutTest, ActivityIsGreenFromTheStartAndTheButtonFaceOnTheSeventhTick)
{
    QLineEdit heartbeat;
    LiveReadout readout({.heartbeat = &heartbeat});
    readout.startHeartbeat();
    for (int tick = 1; tick <= 7; ++tick) {
        EXPECT_EQ(colours::Background(&heartbeat), colours::Green) << tick;
        readout.heartbeatTick();
    }
    EXPECT_EQ(colours::Background(&heartbeat), colours::ButtonFace());
    EXPECT_EQ(readout.heartbeatCounter(), 0);
}

} // namespace

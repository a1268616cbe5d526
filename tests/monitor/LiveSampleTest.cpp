#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/VoltageOffset.h"
#include "monitor/mdlMonitor.h"
#include "platform/Colours.h"

#include <QLineEdit>
#include <QLocale>

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

class LiveSampleTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(LiveSampleTest, FieldsAreHexadecimalSigned16BitOrUnsignedBytes)
{
    using namespace live_sample;
    struct Case {
        const char* data;
        Field field;
        int value;
    } const cases[] = {
        {"m03FF", MafInput, 1023},  {"m03ff", MafInput, 1023},          // lower-case digits
        {"m7FFF", MafInput, 32767}, {"m8000", MafInput, -32768},        // four digits are a signed 16-bit number
        {"mFFFF", MafInput, -1},    {"m000000000000FF", Wideband, 255}, // two digits are 0 to 255
        {"m03", MafInput, 3},                                           // cut short: the digits present
        {"mFFF", MafInput, 4095},                                       // three digits stay positive
        {"m", MafInput, 0},                                             // nothing there
        {"m03FF", MafOutput, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldValue(QString::fromLatin1(c.data), c.field), c.value) << c.data;
}

TEST_F(LiveSampleTest, VoltagesAndTheirChange)
{
    struct Case {
        int in, out;
        const char* inText;
        const char* outText;
        const char* change;
    } const cases[] = {
        {1023, 1023, "5.000", "5.000", "0.0"}, // full scale
        {0, 500, "0.000", "2.444", "0.0"},     // no input: no division
        {500, 550, "2.444", "2.688", "10.0"},  {480, 420, "2.346", "2.053", "-12.5"},
        {512, 512, "2.502", "2.502", "0.0"},
    };
    for (const Case& c : cases) {
        const LiveSample s = Decode(Sample(c.in, c.out, 0));
        EXPECT_EQ(Volts(s.MAFInputVoltage), c.inText) << c.in;
        EXPECT_EQ(Volts(s.OutputVoltage), c.outText) << c.in;
        EXPECT_EQ(Percent(s.VoltageChange), c.change) << c.in;
    }
}

TEST_F(LiveSampleTest, ThrottleAngleIsClampedAndWideOpenIsStrictlyAboveTheBreakpoint)
{
    struct Case {
        int tpsCounts;
        double keyOn, breakpoint;
        const char* angle;
        bool wot;
    } const cases[] = {
        {100, 0.8, 2.5, "0.0", false},   // below the key-on voltage
        {1023, 1.0, 2.5, "90.0", true},  // 4 V above: 100.16 clamped
        {1023, 3.0, 2.5, "50.1", true},  // 2 V above
        {512, 0.0, 2.5, "62.7", true},   // 2.502 V
        {511, 0.0, 2.5, "62.5", false},  // 2.498 V
        {1023, 0.0, 5.0, "90.0", false}, // exactly at the breakpoint
    };
    for (const Case& c : cases) {
        DecodeContext context;
        context.tpsKeyOnVolts = c.keyOn;
        context.wotBreakpointVolts = c.breakpoint;
        const LiveSample s = Decode(Sample(0, 0, c.tpsCounts), context);
        EXPECT_EQ(Angle(s.ThrottleAngle), c.angle) << c.tpsCounts << " " << c.keyOn;
        EXPECT_EQ(s.WOT, c.wot) << c.tpsCounts << " " << c.breakpoint;
    }
}

TEST_F(LiveSampleTest, FlowsScaleWithTheInjectorsAndTheirChangeAvoidsZero)
{
    struct Case {
        int in, out;
        double injectors;
        const char* inText;
        const char* outText;
        const char* change;
        const char* richLean;
    } const cases[] = {
        {185, 160, 19, "185", "160", "-13.5", "LEAN"}, {100, 110, 38, "200", "220", "10.0", "RICH"},
        {0, 100, 19, "0", "100", "0.0", "NONE"}, // no measured flow: no division
        {-1, -1, 19, "-1", "-1", "0.0", "NONE"}, // FFFF is -1
        {200, 201, 19, "200", "201", "0.5", "NONE"},
    };
    for (const Case& c : cases) {
        DecodeContext context;
        context.installedInjectorSize = c.injectors;
        const LiveSample s = Decode(Sample(0, 0, 0, 0, c.in, c.out), context);
        EXPECT_EQ(Flow(s.InputFlow), c.inText) << c.in;
        EXPECT_EQ(Flow(s.OutputFlow), c.outText) << c.in;
        EXPECT_EQ(Percent(s.FlowChange), c.change) << c.in;
        EXPECT_EQ(RichOrLean(s.FlowChange).text, c.richLean) << c.in;
    }
}

TEST_F(LiveSampleTest, WidebandModelsAndTheirBoundaries)
{
    const float above31 = std::nextafter(3.1f, 4.0f);
    const float below25 = std::nextafter(2.5f, 0.0f);
    const float below13 = std::nextafter(1.3f, 0.0f);
    struct Case {
        int model;
        float volts;
        double ratio;
    } const cases[] = {
        {0, 0.4f, 0.0},        {0, 0.5f, 9.389665},     {0, below25, 14.680024}, {0, 2.5f, 14.813},
        {0, 3.1f, 20.199271},  {0, above31, 20.0},      {0, 5.0f, 20.0},         {1, 0.0f, 20.0},
        {1, 5.0f, 10.0},       {1, 2.5f, 15.0},         {2, 2.0f, 13.0},         {3, below13, 9.0},
        {3, 1.3f, 9.009038},   {3, below25, 14.111748}, {3, 2.5f, 14.407325},    {3, 4.25f, 20.007019},
        {3, 4.5f, 20.0},       {4, 1.0f, 12.0},         {6, 1.0f, 12.0},         {8, 1.0f, 12.0},
        {5, 0.1f, 9.7},        {5, 0.15f, 9.723661},    {5, below25, 14.699189}, {5, 2.5f, 14.586472},
        {5, 3.27f, 21.278316}, {5, 3.3f, 21.2},         {7, 2.0f, 12.0},         {9, 2.75f, 2.75},
        {-1, 1.5f, 1.5}, // unknown models give the voltage itself
    };
    for (const Case& c : cases)
        EXPECT_NEAR(WidebandToAirFuel(c.model, c.volts), c.ratio, 2e-5) << "model " << c.model << " at " << c.volts;
}

TEST_F(LiveSampleTest, WidebandVoltageFollowsTheCalibration)
{
    struct Case {
        int raw, calibration, model;
        const char* shown;
    } const cases[] = {
        {255, 0, 9, "5.0"},   {255, 10, 9, "5.2"},                    // 5 + 50/255
        {255, -10, 9, "4.8"}, {128, 0, 1, "15.0"}, {20, 0, 0, "XXX"}, // 0.39 V: no reading
    };
    for (const Case& c : cases) {
        DecodeContext context;
        context.fjoCalibration = c.calibration;
        context.widebandModel = c.model;
        const LiveSample s = Decode(Sample(0, 0, 0, c.raw), context);
        EXPECT_EQ(AirFuelText(s.AirFuelRatio).text, c.shown) << c.raw << " " << c.calibration;
    }
}

TEST_F(LiveSampleTest, AirFuelColours)
{
    struct Case {
        float ratio;
        const char* text;
        QColor colour;
    } const cases[] = {
        {0.0f, "XXX", colours::Red},       {9.0f, "9.0", colours::Green},    {12.5f, "12.5", colours::Green},
        {12.51f, "12.5", colours::Yellow}, {13.5f, "13.5", colours::Yellow}, {13.6f, "13.6", colours::Red},
        {20.0f, "20.0", colours::Red},
    };
    for (const Case& c : cases) {
        const AirFuel shown = AirFuelText(c.ratio);
        EXPECT_EQ(shown.text, c.text) << c.ratio;
        EXPECT_EQ(shown.colour, c.colour) << c.ratio;
    }
}

TEST_F(LiveSampleTest, RichLeanThresholds)
{
    struct Case {
        double change;
        const char* text;
        bool buttonFace;
    } const cases[] = {
        {-0.51, "LEAN", false}, {-0.5, "NONE", true}, {0.0, "NONE", true}, {0.5, "NONE", true}, {0.51, "RICH", false},
    };
    for (const Case& c : cases) {
        const RichLean shown = RichOrLean(c.change);
        EXPECT_EQ(shown.text, c.text) << c.change;
        EXPECT_EQ(shown.buttonFace, c.buttonFace) << c.change;
    }
    EXPECT_EQ(RichOrLean(-3).colour, colours::Red);
    EXPECT_EQ(RichOrLean(3).colour, colours::Green);
}

TEST_F(LiveSampleTest, MultisparkTurnsOnAtTheSixthSampleAndOffAfterFive)
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

TEST_F(LiveSampleTest, StoredFjoCalibration)
{
    struct Case {
        const char* text;
        int value;
    } const cases[] = {{"0", 0},  {"5", 5},   {"-10", -10}, {"10", 10}, {" 3 ", 3},
                       {"11", 0}, {"-11", 0}, {"abc", 0},   {"", 0},    {"2.5", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(mdlMonitor::ParseFjoCalibration(QString::fromLatin1(c.text)), c.value) << c.text;
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

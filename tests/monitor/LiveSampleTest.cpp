#include "monitor/Datalog.h"
#include "monitor/DatalogRecorder.h"
#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/VoltageOffset.h"
#include "monitor/SampleRate.h"
#include "monitor/mdlMonitor.h"
#include "link/SettingsStore.h"
#include "platform/Colours.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "support/ReadFile.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>

#include <csignal>
#include <cmath>
#include <sys/resource.h>
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

// The header and a line at 50 ms are checked byte for byte by the command
// line's monitor test; fast, the thousandths of the second come last.
TEST(DatalogTest, AFastLineEndsWithTheThousandthsOfItsSecond)
{
    EXPECT_EQ(datalog::DataLine(QTime(23, 0, 5, 7), {"2.346"}, true), "\"23:00:05\",\"2.346\",\"007\"\r\n");
    EXPECT_EQ(datalog::FineColumns({"Time", "RPM"}), (QStringList{"Time", "RPM", "ms"}));
}

// --- the sampling rate ----------------------------------------------------------

TEST(SampleRateTest, ChoicesTheirTimerAndWhetherTheLogCarriesThousandths)
{
    using namespace sample_rate;
    struct Case {
        const char* text;
        int intervalMs;
        bool fine;
        const char* stored;
        const char* caption;
    } const cases[] = {
        {"", 50, false, "50 ms", "50 ms"},
        {"MAX", 0, true, "max", "as fast as the link answers"},
        {"25", 40, true, "25", "25 a second"},
        {"20", 50, false, "20", "20 a second"},  // 20 a second: whole seconds still do
        {"130", 8, true, "130", "130 a second"}, // 7.69 ms
        {"2.5", 400, false, "2.5", "2.5 a second"},
        {"1e-9", 3600000, false, "1e-09", "1e-09 a second"}, // at most one an hour
    };
    for (const char* refused : {"0", "-20", "fast", "inf", "nan", "5 Hz"})
        EXPECT_FALSE(Parse(QString::fromLatin1(refused))) << refused;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Rate> rate = Parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(rate);
        EXPECT_EQ(IntervalMs(*rate), c.intervalMs);
        EXPECT_EQ(FineTimes(*rate), c.fine);
        EXPECT_EQ(Text(*rate), c.stored);
        EXPECT_EQ(Caption(*rate), c.caption);
        EXPECT_EQ(Parse(Text(*rate)), rate);
    }

    MemorySettingsStore settings;
    services::install(nullptr, nullptr, nullptr, &settings);
    EXPECT_EQ(Stored(), Rate{});
    settings.write("KESTREL", "Startup", "SampleRate", "nonsense");
    EXPECT_EQ(Stored(), Rate{});
    Store({Rate::Kind::Fastest, 0});
    EXPECT_EQ(settings.read("KESTREL", "Startup", "SampleRate", ""), "max");
    services::install(nullptr, nullptr, nullptr, nullptr);
}

// A unit whose exchanges take longer than the 50 ms tick three samples
// running cannot keep up: the timer goes back to 50 ms, once.
TEST(SampleRateTest, AUnitThatCannotKeepUpFallsBackToTheDefaultTick)
{
    using sample_rate::Rate;
    struct Case {
        const char* what;
        Rate rate;
        std::vector<int> exchangeMs;
        int fallsBackAt; // 1-based exchange; 0: never
    } const cases[] = {
        {"late three running", {Rate::Kind::Fastest, 0}, {60, 60, 60, 60}, 3},
        {"in time between", {Rate::Kind::Fastest, 0}, {60, 60, 8, 60, 60, 8}, 0},
        {"exactly the tick is in time", {Rate::Kind::Fastest, 0}, {50, 50, 50}, 0},
        {"retries count as late", {Rate::Kind::Hertz, 25}, {8, 1000, 2000, 51}, 4},
        {"the default rate never falls back", {}, {1000, 1000, 1000}, 0},
        {"nor a slow rate", {Rate::Kind::Hertz, 10}, {90, 90, 90}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sample_rate::Pace pace(c.rate);
        const int fast = sample_rate::IntervalMs(c.rate);
        int fellBackAt = 0;
        for (std::size_t i = 0; i < c.exchangeMs.size(); ++i) {
            if (pace.exchange(c.exchangeMs[i])) {
                EXPECT_EQ(fellBackAt, 0); // said once
                fellBackAt = static_cast<int>(i) + 1;
            }
            EXPECT_EQ(pace.intervalMs(), fellBackAt ? 50 : fast);
        }
        EXPECT_EQ(fellBackAt, c.fallsBackAt);
    }
}

// --- the data-log recorder ----------------------------------------------------

// Files may grow no further than a size while it lives, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit old_{};
};

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        clock.setDateTime(Opened);
        services::install(nullptr, &clock, &dialogs, &settings);
        QObject::connect(&recorder, &datalog::Recorder::loggingChanged, [this](bool on) {
            // Told before any box the recorder shows.
            changes << QStringLiteral("%1 after %2 boxes").arg(on ? "on" : "off").arg(dialogs.messages.size());
        });
    }
    void TearDown() override { services::install(nullptr, nullptr, nullptr, nullptr); }
    bool start(const QString& path)
    {
        dialogs.chooseNextFile(path);
        return recorder.start();
    }

    const QDateTime Opened{QDate(2026, 12, 5), QTime(7, 41, 9)};
    const QByteArray Header = "\"12-05-2026\",\"07:41:09\"\r\n\"Time\",\"V\"\r\n";
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    datalog::Recorder recorder{{.defaultName = "X_log.txt",
                                .columns = {"Time", "V"},
                                .withoutLog = "The window runs without a log.",
                                .tell = {}},
                               nullptr};
    QStringList changes;
};

TEST_F(RecorderTest, LinesAndStampsUntilStopOrClose)
{
    const QString path = dir.filePath("log.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older, longer log that must not survive\r\n");
    }
    ASSERT_TRUE(start(path));
    clock.advance(1000);
    recorder.record({"2.346", "3,480"});
    recorder.stamp();
    const QByteArray written = Header + "\"07:41:10\",\"2.346\",\"3,480\"\r\n\"USER TIMESTAMP:\",\"07:41:10\"\r\n";
    EXPECT_EQ(ReadFile(path), written);

    recorder.stop();
    EXPECT_FALSE(recorder.isLogging());
    EXPECT_EQ(changes, (QStringList{"on after 0 boxes", "off after 0 boxes"}));
    EXPECT_EQ(dialogs.messages.size(), 1); // its words: the monitor's and the tuner's STOP tests
    // Closed: nothing more reaches the file, and nothing more is said.
    recorder.record({"late"});
    recorder.stamp();
    recorder.stop();
    EXPECT_EQ(ReadFile(path), written);
    EXPECT_EQ(dialogs.messages.size(), 1);

    // Sampled fast, each line carries the thousandths of its second; closed
    // without a word (the program's exit).
    settings.write("KESTREL", "Startup", "SampleRate", "max");
    const QString second = dir.filePath("second.txt");
    ASSERT_TRUE(start(second));
    EXPECT_EQ(dialogs.fileRequests.last().defaultName, path); // the dialog offers the file last chosen
    clock.advance(250);
    recorder.record({"1"});
    recorder.close();
    EXPECT_FALSE(recorder.isLogging());
    EXPECT_EQ(changes.last(), "off after 1 boxes");
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(ReadFile(second),
              "\"12-05-2026\",\"07:41:10\"\r\n\"Time\",\"V\",\"ms\"\r\n\"07:41:10\",\"1\",\"250\"\r\n");
}

TEST_F(RecorderTest, ALineTheDiskRefusesStopsTheLogAndSaysSo)
{
    // A window that shows its boxes itself (holding its timer) gets them.
    QStringList told;
    datalog::Recorder own(
        {.defaultName = "X_log.txt",
         .columns = {"Time", "V"},
         .withoutLog = QString(),
         .tell = [&](MsgIcon icon, const QString& title,
                     const QString& text) { told << QStringLiteral("%1|%2|%3").arg(int(icon)).arg(title, text); }},
        nullptr);
    const QString path = dir.filePath("full.txt");
    dialogs.chooseNextFile(path);
    ASSERT_TRUE(own.start());
    {
        const FileSizeLimit full(Header.size() + 5);
        own.record({"1"});
    }
    EXPECT_FALSE(own.isLogging());
    EXPECT_EQ(told,
              QStringList{QStringLiteral("%1|File Error|File: %2 could not be written.\r\nData logging has stopped.")
                              .arg(int(MsgIcon::Exclamation))
                              .arg(path)});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    own.record({"2"});
    own.stop(); // nothing to report: the user was told it stopped
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(ReadFile(path).startsWith(Header));
}

// --- the live readout ----------------------------------------------------------

TEST(LiveReadoutTest, ShowsASampleAndGivesItsShownValuesInLogOrder)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QLabel maf, pcm, change, in, out, flowChange, airFuel, tps, angle, speed;
    QLineEdit richLean, wot, multispark, heartbeat;
    LiveSample s;
    s.MAFInputVoltage = 2.3456;
    s.OutputVoltage = 2.0531;
    s.VoltageChange = -12.47;
    s.InputFlow = 185.2;
    s.OutputFlow = 160;
    s.FlowChange = 0.54;
    s.AirFuelRatio = 13.0f;
    s.TPSVoltage = 0.8021;
    s.ThrottleAngle = 7.62;
    s.EngineSpeed = 3480;
    s.WOT = true;
    LiveReadout readout({&maf, &pcm, &change, &in, &out, &flowChange, &airFuel, &tps, &angle, &speed, &richLean, &wot,
                         &multispark, &heartbeat});
    readout.setStale(true);
    EXPECT_FALSE(maf.isEnabled());
    EXPECT_EQ(colours::Background(&airFuel), colours::ButtonFace());
    readout.show(s);
    EXPECT_TRUE(maf.isEnabled());
    EXPECT_EQ(readout.shownValues(),
              (QStringList{"2.346", "2.053", "-12.5", "185", "160", "0.5", "13.0", "0.802", "7.6", "3,480"}));
    EXPECT_EQ(richLean.text(), "RICH");
    EXPECT_TRUE(richLean.isEnabled());
    EXPECT_EQ(colours::Background(&airFuel), colours::Yellow);
    EXPECT_EQ(colours::Background(&wot), colours::Green);
    EXPECT_EQ(colours::Background(&multispark), colours::ButtonFace());

    // ACTIVITY: green from the start, the button face on the seventh tick.
    readout.startHeartbeat();
    for (int tick = 1; tick <= 7; ++tick) {
        EXPECT_EQ(colours::Background(&heartbeat), colours::Green) << tick;
        readout.heartbeatTick();
    }
    EXPECT_EQ(colours::Background(&heartbeat), colours::ButtonFace());
    EXPECT_EQ(readout.heartbeatCounter(), 0);
    QLocale::setDefault(QLocale::c());
}

} // namespace

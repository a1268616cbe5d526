#include "monitor/Datalog.h"
#include "monitor/DatalogRecorder.h"
#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/VoltageOffset.h"
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

TEST_F(LiveSampleTest, EngineSpeedInForties)
{
    EXPECT_EQ(Rpm(Decode(Sample(0, 0, 0, 0, 0, 0, 0)).EngineSpeed), "0");
    EXPECT_EQ(Rpm(Decode(Sample(0, 0, 0, 0, 0, 0, 0x57)).EngineSpeed), "3,480");
    EXPECT_EQ(Rpm(Decode(Sample(0, 0, 0, 0, 0, 0, 0xFF)).EngineSpeed), "10,200");
    EXPECT_EQ(Rpm(Decode(Sample(0, 0, 0, 0, 0, 0, 0x05)).EngineSpeed), "200");
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

TEST_F(LiveSampleTest, HeartbeatTogglesEverySeventhTick)
{
    int counter = 0;
    QList<int> toggles;
    for (int tick = 1; tick <= 21; ++tick)
        if (live_sample::HeartbeatTick(counter))
            toggles << tick;
    EXPECT_EQ(toggles, (QList<int>{7, 14, 21}));
    const QColor face(212, 208, 200);
    EXPECT_EQ(live_sample::ToggledHeartbeat(face, face), colours::Green);
    EXPECT_EQ(live_sample::ToggledHeartbeat(colours::Green, face), face);
    EXPECT_EQ(live_sample::ToggledHeartbeat(colours::Red, face), colours::Red);
}

TEST_F(LiveSampleTest, ShortReplyDecodesWhatIsThere)
{
    DecodeContext context;
    context.widebandModel = 1;
    const LiveSample s = Decode(QStringLiteral("m03FF01"), context);
    EXPECT_EQ(Volts(s.MAFInputVoltage), "5.000");
    EXPECT_EQ(Volts(s.OutputVoltage), "0.005"); // "01" of the output field
    EXPECT_EQ(Rpm(s.EngineSpeed), "0");
    EXPECT_TRUE(s.FlipChip); // a missing field reads 0
    EXPECT_EQ(AirFuelText(s.AirFuelRatio).text, "20.0");
    const LiveSample empty = Decode(QString());
    EXPECT_EQ(empty.MAFInputVoltage, 0.0);
    EXPECT_EQ(empty.VoltageChange, 0.0);
}

TEST_F(LiveSampleTest, VoltageOffsetEncodings)
{
    using namespace voltage_offset;
    struct Case {
        int byte, offset;
        const char* digits;
        const char* volts;
    } const cases[] = {
        {0xF6, -10, "F6", "-0.049"},  {0xFF, -1, "FF", "-0.005"}, {0x05, 5, "05", "0.024"},
        {0x99, -103, "99", "-0.503"}, {0x67, 103, "67", "0.503"}, {0x00, 0, "00", "0.000"},
        {0x80, -128, "80", "-0.625"}, {0x7F, 127, "7F", "0.620"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromRegisterByte(c.byte), c.offset) << c.byte;
        EXPECT_EQ(Digits(c.offset), c.digits) << c.offset;
        EXPECT_EQ(VoltsText(c.offset), c.volts) << c.offset;
    }
    EXPECT_EQ(ClampToSlider(-128), -103);
    EXPECT_EQ(ClampToSlider(127), 103);
    EXPECT_EQ(ClampToSlider(-10), -10);
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

    MemorySettingsStore settings;
    services::install(nullptr, nullptr, nullptr, &settings);
    EXPECT_EQ(mdlMonitor::StoredFjoCalibration(), 0);
    settings.write("KESTREL", "Startup", "FJOCAL", "-7");
    EXPECT_EQ(mdlMonitor::StoredFjoCalibration(), -7);
    services::install(nullptr, nullptr, nullptr, nullptr);
}

TEST_F(LiveSampleTest, DatalogRecords)
{
    const QDateTime opened(QDate(2026, 12, 5), QTime(7, 41, 9));
    EXPECT_EQ(datalog::Header(opened),
              "\"12-05-2026\",\"07:41:09\"\r\n"
              "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\",\"Fdelta(%)\","
              "\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n");
    EXPECT_EQ(datalog::DataLine(QTime(23, 0, 5), {"2.346", "XXX", "3,480"}),
              "\"23:00:05\",\"2.346\",\"XXX\",\"3,480\"\r\n");
    EXPECT_EQ(datalog::DateText(QDate(987, 1, 2)), "01-02-0987");
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
        services::install(nullptr, &clock, &dialogs, nullptr);
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
    datalog::Recorder recorder{{.defaultName = "X_log.txt",
                                .columns = {"Time", "V"},
                                .withoutLog = "The window runs without a log.",
                                .tell = {}},
                               nullptr};
    QStringList changes;
};

TEST_F(RecorderTest, StartAsksForTheFileAndCreatesIt)
{
    struct Case {
        const char* what;
        QString path;
        QString box; // the "File Error" box's text, if any
    } const cases[] = {
        {"cancelled", QString(), QString()},
        {"uncreatable", dir.filePath("no/such/log.txt"),
         "File: " + dir.filePath("no/such/log.txt") + " could not be created.\r\nThe window runs without a log."},
        {"created", dir.filePath("log.txt"), QString()},
    };
    QString offered = "X_log.txt"; // the dialog offers the file last chosen
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        dialogs.fileRequests.clear();
        changes.clear();
        const bool created = QString(c.what) == "created";
        EXPECT_EQ(start(c.path), created);
        EXPECT_EQ(recorder.isLogging(), created);
        ASSERT_EQ(dialogs.fileRequests.size(), 1);
        EXPECT_EQ(dialogs.fileRequests[0].title, "DATALOG FILENAME SELECT");
        EXPECT_EQ(dialogs.fileRequests[0].filter, "Text Files (*.txt)");
        EXPECT_EQ(dialogs.fileRequests[0].defaultName, offered);
        if (!c.path.isEmpty())
            offered = c.path;
        EXPECT_EQ(changes, created ? QStringList{"on after 0 boxes"} : QStringList());
        if (c.box.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.isEmpty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1);
            EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
            EXPECT_EQ(dialogs.messages[0].title, "File Error");
            EXPECT_EQ(dialogs.messages[0].text, c.box);
        }
    }
    EXPECT_EQ(ReadFile(dir.filePath("log.txt")), Header); // on the disk while still open
}

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
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(dialogs.messages[0].title, "KESTREL - VentrixTM Communications Software");
    EXPECT_EQ(dialogs.messages[0].text, "File: " + path + " successfully written.");
    // Closed: nothing more reaches the file, and nothing more is said.
    recorder.record({"late"});
    recorder.stamp();
    recorder.stop();
    EXPECT_EQ(ReadFile(path), written);
    EXPECT_EQ(dialogs.messages.size(), 1);

    // Closed without a word (the program's exit).
    const QString second = dir.filePath("second.txt");
    ASSERT_TRUE(start(second));
    recorder.close();
    EXPECT_FALSE(recorder.isLogging());
    EXPECT_EQ(changes.last(), "off after 1 boxes");
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(ReadFile(second), "\"12-05-2026\",\"07:41:10\"\r\n\"Time\",\"V\"\r\n");
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
    struct Case {
        const char* what;
        QLabel* voltageChange;
        LiveReadoutStyle style;
        QStringList shown;
        const char* richLean;
    } const cases[] = {
        {"monitor",
         &change,
         {},
         {"2.346", "2.053", "-12.5", "185", "160", "0.5", "13.0", "0.802", "7.6", "3,480"},
         "RICH"},
        {"no voltage change, own patterns",
         nullptr,
         {.mafVolts = [](double v) { return QString::number(v, 'f', 2); },
          .richLean =
              [](double) {
                  return live_display::RichLean{"LEAN", false, colours::Red};
              }},
         {"2.35", "2.05", "185", "160", "0.5", "13.0", "0.802", "7.6", "3,480"},
         "LEAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LiveReadout readout({&maf, &pcm, c.voltageChange, &in, &out, &flowChange, &airFuel, &tps, &angle, &speed,
                             &richLean, &wot, &multispark, &heartbeat},
                            c.style);
        readout.setStale(true);
        EXPECT_FALSE(maf.isEnabled());
        EXPECT_EQ(colours::Background(&airFuel), colours::ButtonFace());
        readout.show(s);
        EXPECT_TRUE(maf.isEnabled());
        EXPECT_EQ(readout.shownValues(), c.shown);
        EXPECT_EQ(richLean.text(), c.richLean);
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
    }
    QLocale::setDefault(QLocale::c());
}

} // namespace

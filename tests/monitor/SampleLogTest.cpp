#include "monitor/Datalog.h"
#include "monitor/DatalogRecorder.h"
#include "monitor/SampleRate.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "support/ReadFile.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <gtest/gtest.h>

namespace {

TEST(SampleRateTest, ChoicesTheirTimerAndWhetherTheLogCarriesThousandths)
{
    using namespace sample_rate;
    // 20 a second: whole seconds still do; 130 a second is 7.69 ms; at most one an hour.
    struct Case {
        const char* text;
        int intervalMs;
        bool fine;
        const char* stored;
        const char* caption;
    } const cases[] = {{"", 50, false, "50 ms", "50 ms"},
                       {"MAX", 0, true, "max", "as fast as the link answers"},
                       {"25", 40, true, "25", "25 a second"},
                       {"20", 50, false, "20", "20 a second"},
                       {"130", 8, true, "130", "130 a second"},
                       {"2.5", 400, false, "2.5", "2.5 a second"},
                       {"1e-9", 3600000, false, "1e-09", "1e-09 a second"}};
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
    settings.write("KESTREL", "Startup", "SampleRate", "nonsense"); // the monitor's tests store and read the rest
    EXPECT_EQ(Stored(), Rate{});
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

// Faster than the 50 ms tick a sample is drawn at once only 50 ms or more
// after the last redraw; one sooner is held until then (-1: drawn now, else
// the hold's end). At the 50 ms tick every sample is drawn, jitter and all.
TEST(SampleRateTest, FastSamplesAreRedrawnAtMostEvery50Ms)
{
    struct Case {
        int intervalMs;
        std::vector<int> atMs;
        std::vector<int> dueMs;
    } const cases[] = {{0, {0, 8, 16, 49, 50, 57, 108}, {-1, 50, 50, 50, -1, 100, -1}},
                       {40, {0, 40, 80, 120}, {-1, 50, -1, 130}},
                       {50, {0, 49, 98}, {-1, -1, -1}}};
    for (const Case& c : cases) {
        sample_rate::Redraws redraws;
        for (std::size_t i = 0; i < c.atMs.size(); ++i) {
            const bool drawn = redraws.take(c.atMs[i], c.intervalMs);
            EXPECT_EQ(drawn ? -1 : redraws.dueMs(), c.dueMs[i]) << c.intervalMs << " ms, sample " << i;
            EXPECT_EQ(redraws.holding(), !drawn);
        }
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
    EXPECT_EQ(changes, (QStringList{"on after 0 boxes", "off after 0 boxes"}));
    EXPECT_EQ(dialogs.messages.size(), 1); // its words: the monitor's and the tuner's STOP tests
    // Closed: nothing more reaches the file, and nothing more is said.
    recorder.record({"late"});
    recorder.stamp();
    recorder.stop();
    EXPECT_EQ(ReadFile(path), written);
    EXPECT_EQ(dialogs.messages.size(), 1);

    // Sampled fast, each line carries the thousandths of its second, three
    // digits; closed without a word (the program's exit).
    settings.write("KESTREL", "Startup", "SampleRate", "max");
    const QString second = dir.filePath("second.txt");
    ASSERT_TRUE(start(second));
    EXPECT_EQ(dialogs.fileRequests.last().defaultName, path); // the dialog offers the file last chosen
    clock.advance(7);
    recorder.record({"1"});
    recorder.close();
    EXPECT_EQ(changes.last(), "off after 1 boxes");
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(ReadFile(second),
              "\"12-05-2026\",\"07:41:10\"\r\n\"Time\",\"V\",\"ms\"\r\n\"07:41:10\",\"1\",\"007\"\r\n");
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

} // namespace

// The wideband's delay: timed from the throttle, each reading credited to the
// moment its fuel was metered, in the logs, sample by sample and in a stretch.
#include "AutoTuneSamples.h"
#include "logs/LogSuggestion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

using namespace autotune_test;

TEST(AutoTuneTest, TheDelayIsTimedFromTheThrottleEvents)
{
    const double measured = 0.05 * 16 + 0.05 * (1 - std::exp(-1.0)) - 0.025; // 0.8066
    const Lag::Source Est = Lag::Source::Estimated, Def = Lag::Source::Default;
    struct Case {
        const char* name;
        DataLog log;
        std::optional<double> given;
        int events;
        Lag::Source source;
        double seconds;
        const char* text;
    } const cases[] = {
        // Crossings at 6, 12, ... 36 s: 6 events, each 0.8066 s.
        {"six events", ThrottleEvents(16), std::nullopt, 6, Est, measured,
         "Wideband delay 0.81 s, timed from 6 throttle events."},
        {"given", ThrottleEvents(16), 1.0, 6, Lag::Source::Given, 1.0,
         "Wideband delay 1.00 s, as given (the logs' 6 throttle events say 0.81 s)."},
        // 15 s: the crossing at 12 s lacks the 3.5 s after it.
        {"one event", ThrottleEvents(16, 15), std::nullopt, 1, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs have only 1 throttle event to time it by, fewer than 3."},
        {"the A/F leads by 0.4 s", ThrottleEvents(-8), std::nullopt, 6, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs' 6 throttle events put it at -0.39 s, below 0 s."},
        {"3.2 s late", ThrottleEvents(64), std::nullopt, 6, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs' 6 throttle events put it at 3.21 s, above 3 s."},
        {"no event", MakeLog(Steady(100)), std::nullopt, 0, Def, 0.6,
         "Wideband delay 0.60 s, the default: the logs have no throttle event to time it by."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        settings.lagSeconds = c.given;
        const Lag lag = AnalyseOne(c.log, settings).lag;
        EXPECT_EQ(lag.events, c.events);
        EXPECT_EQ(lag.source, c.source);
        EXPECT_NEAR(lag.seconds, c.seconds, 1e-9);
        EXPECT_EQ(LagText(lag), QString::fromLatin1(c.text));
    }
    for (const double delay : ThrottleEventDelays(ThrottleEvents(16), 2.5))
        EXPECT_NEAR(delay, measured, 1e-9);
}

// The log viewer's suggestion takes the stretch its views show: of a drive
// lean by 5 % in cell 10 and rich by 5 % in cell 15, the second half alone
// suggests only cell 15's -5.
TEST(LogSuggestionTest, TheStretchShownIsWhatIsAnalysed)
{
    std::vector<Sample> samples = Steady(20, Sample{.maf = 2.1, .airFuel = 12.6});
    samples.insert(samples.end(), 20, Sample{.maf = 3.1, .airFuel = 11.4});
    const DataLog log = MakeLog(samples);

    const Result whole = AnalyseOne(log, At12());
    const std::vector<SuggestionPoint> both = SuggestionPoints(whole);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].cell, 10);
    EXPECT_DOUBLE_EQ(both[0].volts, 2.1);
    EXPECT_EQ(both[0].change, 5);
    EXPECT_EQ(both[1].cell, 15);
    EXPECT_EQ(both[1].change, -5);

    const DataLog secondHalf = Stretch(log, 20, 40);
    ASSERT_EQ(secondHalf.size(), 20u);
    EXPECT_DOUBLE_EQ(secondHalf.seconds.front(), 20 * Step);
    const Result part = AnalyseOne(secondHalf, At12());
    EXPECT_EQ(SuggestionPoints(part).size(), 1u);
    EXPECT_EQ(SuggestionSummary(part, At12()),
              QStringLiteral("Table O to 12.0:1: 3.10 V -5 (20 of 20 samples used). "
                             "Wideband delay 0.00 s, as given."));
    EXPECT_EQ(SuggestionSummary(AnalyseOne(Stretch(log, 0, 5), At12()), At12()),
              QStringLiteral("Table O to 12.0:1: no cell has 10 samples to go by (5 of 5 samples used). "
                             "Wideband delay 0.00 s, as given."));
}

// Each sample's A/F goes to the moment its fuel was metered: the log holds
// 2.1 V (cell 10) for 20 samples, then 3.1 V (cell 15) for 20, and its A/F
// shows the fuel of 0.5 s (4 samples) earlier: 13.0, then from sample 24
// on 11.0. Credited 0.5 s back, samples 0-3 have no moment in the log, 23
// and 24 fall on the MAF step (moments 19 and 20); cell 10 gets 4-22, all
// 13.0, and cell 15 25-39, all 11.0. Taken as logged, cell 15 would get
// 21-23 at 13.0 too.
// The live analysis takes a sample at a time through the same steps, one
// sample late: the same samples plus one give the same cells, and the delay
// the analysis of the logs gave. Cell 10 restarted with 0.5 s
// of hold-off after the last sample (t = 5.0 s) takes only fuel metered from
// 5.5 s on: of 16 more samples at 2.1 V (t = 5.125 .. 7.0, read 0.5 s after
// their fuel) those from t = 6.0 on, the last one not yet credited: 8.
// Cell 15 goes on: the last sample of the log (metered at 4.5 s) and those
// at 5.125 .. 5.375 s, metered at 3.1 V before the step: 15 + 4.
TEST(AutoTuneTest, EachReadingGoesToTheMomentItsFuelWasMetered)
{
    std::vector<Sample> samples;
    for (int i = 0; i < 41; ++i)
        samples.push_back({.maf = i < 20 ? 2.1 : 3.1, .airFuel = i < 24 ? 13.0 : 11.0});
    Settings settings = At12();
    settings.lagSeconds = 0.5;
    const DataLog log = MakeLog({samples.begin(), samples.end() - 1});
    LiveAnalysis live(settings);
    FeedLive(live, MakeLog(samples));
    for (const Result& result : {AnalyseOne(log, settings), live.result({})}) {
        EXPECT_EQ(result.rejected[static_cast<int>(Rejection::BeforeLog)], 4);
        EXPECT_EQ(result.rejected[static_cast<int>(Rejection::MafChanging)], 2);
        EXPECT_EQ(result.cells[10].samples, 19);
        EXPECT_DOUBLE_EQ(result.cells[10].measured, 13.0);
        EXPECT_EQ(result.cells[15].samples, 15);
        EXPECT_DOUBLE_EQ(result.cells[15].measured, 11.0);
        EXPECT_EQ(result.cells[15].suggested, -8); // (11 / 12 - 1) x 100 = -8.3
    }
    const std::vector<int> verdicts = SampleVerdicts(log, settings, 0.5);
    EXPECT_EQ(verdicts[3], static_cast<int>(Rejection::BeforeLog));
    EXPECT_EQ(verdicts[4], Accepted);
    EXPECT_EQ(verdicts[24], static_cast<int>(Rejection::MafChanging));

    std::array<bool, tuner_cells::CellCount> cell10{};
    cell10[10] = true;
    live.restartCells(cell10, 0.5);
    FeedLive(live, MakeLog(Steady(16, {.maf = 2.1, .airFuel = 13.0})), 5.125);
    EXPECT_EQ(live.result({}).cells[10].samples, 8);
    EXPECT_EQ(live.result({}).cells[15].samples, 19);

    LiveAnalysis timed{Settings{}};
    FeedLive(timed, ThrottleEvents(16));
    EXPECT_EQ(timed.lag().source, Lag::Source::Estimated);
    EXPECT_EQ(timed.lag().events, 6);
    EXPECT_NEAR(timed.lag().seconds, 0.05 * 16 + 0.05 * (1 - std::exp(-1.0)) - 0.025, 1e-9);
}

} // namespace

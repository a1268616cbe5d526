#include "support/SimulatedWorld.h"
#include "tuner/TunerSession.h"

#include <QTimer>

#include <functional>

namespace {

// The session alone on the simulated unit: no window.
class TunerSessionTest : public ::testing::Test, protected SimulatedWorld {
protected:
    void SetUp() override { connectAndLoad(); }
    TunerSession session{nullptr};
};

struct Write {
    const char* name;
    std::function<bool(TunerSession&)> call;
    QStringList payloads; // what the unit hears on line
};

const Write Writes[] = {
    {"entry", [](TunerSession& s) { return s.writeEntry('O', 0x3A, 20, 0).written; }, {"WO3A14"}},
    {"negative entry", [](TunerSession& s) { return s.writeEntry('C', 0xFF, -10, 0).written; }, {"WCFFF6"}},
    {"breakpoint", [](TunerSession& s) { return s.writeBreakpoint(700); }, {"WT0002", "WT01BC"}},
    {"switch on", [](TunerSession& s) { return s.writeSwitchOn(3020); }, {"WT074C"}}, // 75.5 steps: even 76
    {"switch off", [](TunerSession& s) { return s.writeSwitchOff(6400); }, {"WT08A0"}},
};

// On line a wrong echo fails each of them.
TEST_F(TunerSessionTest, OffLineWritesReachNothingOnLineEachIsOneEchoedRequest)
{
    for (const Write& w : Writes) {
        SCOPED_TRACE(w.name);
        EXPECT_TRUE(w.call(session));
        EXPECT_TRUE(heard().isEmpty());
    }
    session.goOnLine();
    for (const Write& w : Writes) {
        SCOPED_TRACE(w.name);
        device.faults().wrongEcho = false;
        EXPECT_TRUE(w.call(session));
        EXPECT_EQ(heard(), w.payloads);
        device.faults().wrongEcho = true; // stores and echoes the value with its low bit flipped
        EXPECT_FALSE(w.call(session));
        heard();
    }
}

// No live request goes out between a write's attempts.
TEST_F(TunerSessionTest, TheLiveTimerIsHeldAroundEveryTransaction)
{
    session.goOnLine();
    session.startLive();
    EXPECT_TRUE(mdlPublicVars::LinkBusy);
    bool runningMeanwhile = true;
    device.setFrameListener(
        [&](const QByteArray&, const QByteArray&) { runningMeanwhile = session.timer()->isActive(); });
    EXPECT_TRUE(session.writeBreakpoint(512));
    device.setFrameListener({});
    EXPECT_FALSE(runningMeanwhile);
    EXPECT_TRUE(session.timer()->isActive());

    // So does a message, unless the session went off line meanwhile.
    EXPECT_TRUE(session.tell(MsgIcon::Information, "t", "x"));
    EXPECT_TRUE(session.timer()->isActive());
    session.goOffLine();
    EXPECT_FALSE(session.timer()->isActive());
    EXPECT_FALSE(session.onLine());
}

TEST_F(TunerSessionTest, ASampleUnansweredLosesTheLink)
{
    EXPECT_FALSE(session.takeSample()); // off line: no request
    EXPECT_TRUE(heard().isEmpty());
    session.goOnLine();
    session.startLive();
    const std::optional<QString> sample = session.takeSample();
    ASSERT_TRUE(sample && !sample->isEmpty());
    EXPECT_EQ(heard(), QStringList({"M"}));

    device.faults().silent = true;
    EXPECT_FALSE(session.takeSample());
    EXPECT_EQ(heard().size(), 25);
    EXPECT_FALSE(mdlPublicVars::Connected);
    EXPECT_TRUE(session.loseLink());
    EXPECT_TRUE(session.lost());
    EXPECT_FALSE(session.live());
    EXPECT_FALSE(session.timer()->isActive());
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(messageTexts(),
              QStringList({"Lost Connection to VentrixTM!\r\nPlease check power to VentrixTM and "
                           "serial cable connectivity."}));
}

} // namespace

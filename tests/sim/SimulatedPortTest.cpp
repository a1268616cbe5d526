#include "sim/SimulatedPort.h"

#include "link/Transaction.h"
#include "platform/Clock.h"
#include "state/PublicVars.h"

#include <gtest/gtest.h>

namespace {

class SimulatedPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mdlPublicVars::Reset();
        ASSERT_EQ(port.open(), PortError::None);
    }

    // Runs one transaction and returns how long it took on the clock.
    qint64 timed(const char* payload, int attempts, int timeoutMs, int* result)
    {
        const qint64 start = clock.nowMs();
        *result = SendFrameOn(port, clock, QString::fromLatin1(payload), attempts, timeoutMs);
        return clock.nowMs() - start;
    }

    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
};

TEST_F(SimulatedPortTest, SplitReplyIsJoinedAndBrokenRepliesFail)
{
    int result = 0;
    device.faults().splitInto = 4;
    timed("RO10", 1, 1000, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(LastReplyData(), QStringLiteral("ro1000"));

    // A stray character fails each attempt as soon as the reply is in; junk
    // after "$" leaves the reply unterminated until the time-out.
    device.faults() = {};
    device.faults().strayBefore = "#";
    EXPECT_EQ(timed("Z", 3, 1000, &result), 0);
    EXPECT_EQ(result, 0);
    device.faults() = {};
    device.faults().junkAfter = "#";
    EXPECT_EQ(timed("Z", 3, 1000, &result), 3000);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(port.requestCount(QStringLiteral("Z")), 6);
}

TEST_F(SimulatedPortTest, PacingTakesTheLineTime)
{
    device.setPacing(true);
    int result = 0;
    // 8 characters out, 0.2 ms turnaround, 7 back: 1.39 + 0.2 + 1.22 ms.
    EXPECT_EQ(timed("Z", 1, 1000, &result), 3);
    EXPECT_EQ(result, 1);
    // 8 out, 34 back: 1.39 + 0.2 + 5.90 ms.
    EXPECT_EQ(timed("M", 1, 1000, &result), 8);
    EXPECT_EQ(result, 1);
    device.setTurnaroundUs(2000);
    EXPECT_EQ(timed("Z", 1, 1000, &result), 5);
}

TEST_F(SimulatedPortTest, PortNumbersAndStates)
{
    port.close();
    QByteArray received;
    EXPECT_EQ(port.write("UU01ZBB$"), PortError::PortNotOpen);
    EXPECT_EQ(port.readAll(received), PortError::PortNotOpen);

    port.setExistingPorts({1, 2, 3});
    port.setClaimedPorts({2});
    port.setPortNumber(4);
    EXPECT_EQ(port.open(), PortError::InvalidPortNumber);
    port.setPortNumber(2);
    EXPECT_EQ(port.open(), PortError::PortAlreadyOpen);

    // A port without the unit opens but nobody answers.
    port.setPortNumber(3);
    ASSERT_EQ(port.open(), PortError::None);
    EXPECT_EQ(port.open(), PortError::PortAlreadyOpen);
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 2, 1000), 0);
    EXPECT_EQ(port.requestCount(QStringLiteral("Z")), 0);
    EXPECT_EQ(port.writtenTo(3), QByteArrayLiteral("UU01ZBB$UU01ZBB$"));
    port.close();

    port.setUnitPort(3);
    ASSERT_EQ(port.open(), PortError::None);
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 1, 1000), 1);
    EXPECT_EQ(port.setRts(true), PortError::None);
    EXPECT_TRUE(port.rts());
}

TEST_F(SimulatedPortTest, ClosingLosesRepliesInFlight)
{
    device.faults().delayMs = 100;
    ASSERT_EQ(port.write("UU01ZBB$"), PortError::None);
    port.close();
    ASSERT_EQ(port.open(), PortError::None);
    clock.advance(200);
    QByteArray received;
    EXPECT_EQ(port.readAll(received), PortError::None);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(SimulatedPortTest, VanishingUnitGoesQuietOrTakesThePortWithIt)
{
    device.faults().vanishAfter = 1;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 1);
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 0);
    EXPECT_EQ(LastSendFramePortError(), PortError::None);

    device.faults().vanishPortError = true;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 0);
    EXPECT_EQ(LastSendFramePortError(), PortError::HardwareNotAvailable);
    port.close();
    EXPECT_EQ(port.open(), PortError::HardwareNotAvailable);
}

} // namespace

// An adapter's latency timer holds each reply back from its first byte; the
// program's low-latency request, when granted, shortens it to a millisecond.
TEST(SimulatedPortLatencyTest, ReplyHeldForTheAdaptersLatencyTimer)
{
    struct Case {
        int timerMs;
        bool grants;
        qint64 expectedMs;
    };
    const Case cases[] = {{0, false, 0}, {16, false, 16}, {16, true, 1}, {4, false, 4}, {0, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "timer " << c.timerMs << " ms, grants " << c.grants);
        mdlPublicVars::Reset();
        ManualClock clock;
        VentrixDevice device;
        SimulatedPort port{device, clock};
        port.setLatencyTimerMs(c.timerMs);
        port.setGrantsLowLatency(c.grants);
        ASSERT_EQ(port.open(), PortError::None);
        for (int exchange = 0; exchange < 3; ++exchange) {
            const qint64 start = clock.nowMs();
            ASSERT_EQ(SendFrameOn(port, clock, QStringLiteral("RT06"), 1, 1000), 1);
            EXPECT_EQ(clock.nowMs() - start, c.expectedMs);
            EXPECT_EQ(LastReplyData(), QStringLiteral("rt0681"));
        }
    }
}

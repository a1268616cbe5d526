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

    qint64 timed(const char* payload)
    {
        const qint64 start = clock.nowMs();
        EXPECT_EQ(SendFrameOn(port, clock, QString::fromLatin1(payload), 1, 1000), 1) << payload;
        return clock.nowMs() - start;
    }

    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
};

TEST_F(SimulatedPortTest, PacingTakesTheLineTime)
{
    device.setPacing(true);
    // 8 characters out, 0.2 ms turnaround, 7 back: 1.39 + 0.2 + 1.22 ms.
    EXPECT_EQ(timed("Z"), 3);
    // 8 out, 34 back: 1.39 + 0.2 + 5.90 ms.
    EXPECT_EQ(timed("M"), 8);
    device.setTurnaroundUs(2000);
    EXPECT_EQ(timed("Z"), 5);
}

// A stray character before the reply fails each attempt as soon as the
// reply is in; junk after "$" leaves it unterminated until the time-out.
TEST_F(SimulatedPortTest, ABadReplyEndsItsAttemptAtOnce)
{
    for (const auto& [fault, ms] : {std::pair{"stray=#", 0}, {"junk=#", 3000}}) {
        device.faults() = {};
        ASSERT_TRUE(device.faults().apply(QString::fromLatin1(fault), nullptr));
        const qint64 start = clock.nowMs();
        EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 3, 1000), 0) << fault;
        EXPECT_EQ(clock.nowMs() - start, ms) << fault;
    }
}

// Which port numbers open and which stay silent are checked through the
// program's port diagnosis and search; here the states of the open port.
TEST_F(SimulatedPortTest, AnOpenPortRefusesASecondOpenAndLosesItsRepliesOnClosing)
{
    EXPECT_EQ(port.open(), PortError::PortAlreadyOpen);
    EXPECT_EQ(port.setRts(true), PortError::None);
    EXPECT_TRUE(port.rts());

    device.faults().delayMs = 100;
    ASSERT_EQ(port.write("UU01ZBB$"), PortError::None);
    port.close();
    QByteArray received;
    EXPECT_EQ(port.write("UU01ZBB$"), PortError::PortNotOpen);
    EXPECT_EQ(port.readAll(received), PortError::PortNotOpen);
    ASSERT_EQ(port.open(), PortError::None);
    clock.advance(200);
    EXPECT_EQ(port.readAll(received), PortError::None);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(SimulatedPortTest, VanishingUnitGoesQuietOrTakesThePortWithIt)
{
    device.faults().vanishAfter = 1;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 1);
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 0);
    EXPECT_EQ(LastSendFramePortError(), PortError::None);
    EXPECT_TRUE(device.vanished());
    EXPECT_EQ(device.requestCount(QStringLiteral("Z")), 1); // the five attempts after are not heard

    device.faults().vanishPortError = true;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 0);
    EXPECT_EQ(LastSendFramePortError(), PortError::HardwareNotAvailable);
    port.close();
    EXPECT_EQ(port.open(), PortError::HardwareNotAvailable);
}

// An adapter's latency timer holds each reply back from its first byte; the
// program's low-latency request, when granted, shortens it to a millisecond.
TEST_F(SimulatedPortTest, ReplyHeldForTheAdaptersLatencyTimer)
{
    const std::tuple<int, bool, qint64> cases[] = {{0, false, 0}, {16, false, 16}, {16, true, 1}, {4, false, 4}};
    for (const auto& [timerMs, grants, expectedMs] : cases) {
        SCOPED_TRACE(testing::Message() << "timer " << timerMs << " ms, grants " << grants);
        port.close();
        port.setLatencyTimerMs(timerMs);
        port.setGrantsLowLatency(grants);
        ASSERT_EQ(port.open(), PortError::None);
        for (int exchange = 0; exchange < 3; ++exchange) {
            EXPECT_EQ(timed("RT06"), expectedMs);
            EXPECT_EQ(LastReplyData(), QStringLiteral("rt0681"));
        }
    }
}

} // namespace

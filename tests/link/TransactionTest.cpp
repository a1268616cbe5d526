#include "support/FakePorts.h"

#include "link/Transaction.h"
#include "state/PublicVars.h"

#include <gtest/gtest.h>

namespace {

class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mdlPublicVars::Reset();
        port.device(1);
        port.setPortNumber(1);
        ASSERT_EQ(port.open(), PortError::None);
    }

    // Replies in turn, one per frame written; an empty one is silence.
    void replyWith(QList<QByteArray> replies)
    {
        auto queue = std::make_shared<QList<QByteArray>>(std::move(replies));
        port.device(1).answer = [queue](const QByteArray&) {
            return queue->isEmpty() ? QByteArray() : queue->takeFirst();
        };
    }

    int send(const char* payload, int attempts = 1, int timeoutMs = 1000)
    {
        return SendFrameOn(port, clock, QString::fromLatin1(payload), attempts, timeoutMs);
    }

    ManualClock clock;
    FakePorts port{clock};
};

TEST_F(TransactionTest, PositiveReplyLeavesItsData)
{
    replyWith({"uu0103$"});
    EXPECT_EQ(send("Z"), 1);
    EXPECT_EQ(LastReplyData(), QStringLiteral("03"));
    EXPECT_EQ(mdlPublicVars::LastFrame, QStringLiteral("UU01ZBB$"));
    EXPECT_TRUE(mdlPublicVars::LinkBusy);
    EXPECT_EQ(port.written[1], QList<QByteArray>{"UU01ZBB$"});
}

TEST_F(TransactionTest, BadRepliesAreRetriedUntilAGoodOne)
{
    struct Case {
        const char* name;
        QByteArray bad;
    } const cases[] = {
        {"negative", "uu01$"},         {"upper case", "UU0103$"}, {"stray prefix", "xuu0103$"},
        {"trailing junk", "uu0103$x"}, {"silence", ""},           {"incomplete", "uu010"},
    };
    for (const Case& c : cases) {
        replyWith({c.bad, "uu0103$"});
        port.written.clear();
        EXPECT_EQ(send("Z", 2), 1) << c.name;
        EXPECT_EQ(LastReplyData(), QStringLiteral("03")) << c.name;
        EXPECT_EQ(port.written[1].size(), 2) << c.name;
    }
}

TEST_F(TransactionTest, ALiveSampleMustHoldEveryFieldInHexadecimal)
{
    const QByteArray whole = "m01E001A400A48000B900A0570001";
    for (const QByteArray& bad :
         {QByteArray("m"), QByteArray("m01E001A400A48000B900A05700"), QByteArray("m01E001A400A48000B9 0A0570001"),
          QByteArray("m01E001A400A4800\0B900A0570001", 29)}) {
        replyWith({"uu01" + bad + "$", "uu01" + whole + "XY$"});
        port.written.clear();
        EXPECT_EQ(send("M", 2), 1) << bad.constData();
        EXPECT_EQ(LastReplyData(), QString::fromLatin1(whole + "XY")); // what follows the fields is not read
        EXPECT_EQ(port.written[1].size(), 2);
    }
}

TEST_F(TransactionTest, FailureEmptiesTheBufferAndFlushesThePort)
{
    replyWith({"uu0103$", "uu01$", "uu01$"});
    EXPECT_EQ(send("Z"), 1);
    EXPECT_EQ(send("RT00", 2), 0);
    EXPECT_TRUE(LastReplyData().isEmpty());
    QByteArray left;
    port.readAll(left);
    EXPECT_TRUE(left.isEmpty());
}

TEST_F(TransactionTest, ReplyJudgedAgainstTheDeadline)
{
    // A reply completing exactly when the attempt's time is up is too late;
    // a longer time-out gets it.
    replyWith({"uu0103$", "uu0103$", "uu0103$"});
    port.device(1).replyDelayMs = 1000;
    EXPECT_EQ(send("Z", 1, 1000), 0);
    EXPECT_EQ(send("Z", 1, 1001), 1);
    port.device(1).replyDelayMs = 0;
    EXPECT_EQ(send("Z", 1, 1000), 1);
}

TEST_F(TransactionTest, ClosedPortEndsAtOnceWithItsError)
{
    port.close();
    EXPECT_EQ(send("Z", 25, 1000), 0);
    EXPECT_EQ(LastSendFramePortError(), PortError::PortNotOpen);
    EXPECT_TRUE(port.written[1].isEmpty());
    EXPECT_EQ(clock.waitedMs(), 0);
}

} // namespace

// Replies that come late, short or for another request, against the
// simulated unit on the manual clock: the transaction takes a reply only for
// the request it answers.
#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReplyShape.h"
#include "link/Transaction.h"
#include "platform/Clock.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "tunefile/TuneFile.h"

#include <gtest/gtest.h>

namespace {

class StragglerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mdlPublicVars::Reset();
        ASSERT_EQ(port.open(), PortError::None);
        device.memory().setCell('O', 0x10, 0x21);
        device.memory().setCell('O', 0x11, 0x42);
    }

    // The payload's reply data, or "" when the exchange failed.
    QString ask(const QString& payload, int attempts = 1, int timeoutMs = 1000)
    {
        return SendFrameOn(port, clock, payload, attempts, timeoutMs) ? LastReplyData() : QString();
    }

    QStringList framesWritten() const
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads << QString::fromLatin1(payload);
        return payloads;
    }

    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
};

TEST_F(StragglerTest, AHealthyUnitSeesOneFrameForEachRequestInOrder)
{
    // A whole export and import, at the wire's pace and not, replies whole
    // and in pieces: the unit is sent exactly the frames asked for, once
    // each, in order, and no exchange waits for anything owed.
    for (const bool paced : {false, true}) {
        for (const int pieces : {1, 3}) {
            SCOPED_TRACE(std::to_string(paced) + " " + std::to_string(pieces));
            device.setPacing(paced);
            device.faults().splitInto = pieces;
            const qsizetype before = port.writtenTo(1).size();
            const tunefile::ExportResult read =
                tunefile::ReadTune(unit::TransactOn(port, clock), clock.currentDateTime());
            ASSERT_TRUE(read.complete);
            const tunefile::ParseResult parsed = tunefile::ParseTuneText(read.text);
            ASSERT_TRUE(parsed.valid);
            const tunefile::ImportResult written = tunefile::WriteTune(unit::TransactOn(port, clock), parsed.file);
            EXPECT_EQ(written.outcome, tunefile::ImportOutcome::Completed);

            QByteArray expected;
            for (const tunefile::Entry& entry : tunefile::TuneOrder())
                expected += frame::Build(tunefile::ReadRequest(entry));
            for (const QString& line : parsed.file.lines)
                if (!line.isEmpty())
                    expected += frame::Build(tunefile::WriteRequest(line));
            EXPECT_EQ(port.writtenTo(1).mid(before), expected);
            EXPECT_FALSE(port.ledger().owed());
            EXPECT_EQ(port.ledger().latenessMs(), 0);
        }
    }
}

TEST_F(StragglerTest, AReplyLaterThanItsTimeOutIsNeverTakenForTheNextRequest)
{
    // The first request's reply comes 1.5 s after it was sent, its attempt
    // having given up after 1 s; the unit answers the next one after it.
    struct Case {
        const char* late;
        const char* next;
        const char* nextReply;
    } const cases[] = {
        {"RT02", "RT03", "rt0313"}, // registers 24 and 19
        {"RO10", "RO11", "ro1142"}, {"Y", "RT05", "rt0515"}, {"RT13", "V", "v123"},
        {"M", "RO11", "ro1142"},    {"RO10", "Z", "03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.late);
        device.clearLog();
        device.faults().lateRequest = device.requestsHeard() + 1;
        EXPECT_EQ(ask(QString::fromLatin1(c.late)), QString());
        EXPECT_EQ(ask(QString::fromLatin1(c.next)), QString::fromLatin1(c.nextReply));
        // Once its own reply is in, nothing is owed: the next exchange starts at once.
        const qint64 before = clock.nowMs();
        EXPECT_EQ(ask(QStringLiteral("RO10")), QStringLiteral("ro1021"));
        EXPECT_EQ(clock.nowMs() - before, 0);
        EXPECT_EQ(framesWritten(), QStringList({c.late, c.next, "RO10"}));
    }
}

TEST_F(StragglerTest, WithinOneExchangeALateReplyAnswersTheSameQuestion)
{
    // The unit answers every request 1.5 s late: each request's first reply
    // comes during its second attempt and answers it; the second attempt's
    // own reply is thrown away before the next request goes out.
    device.faults().delayMs = 1500;
    const qint64 start = clock.nowMs();
    EXPECT_EQ(ask(QStringLiteral("RT02"), 25), QStringLiteral("rt0218"));
    EXPECT_EQ(ask(QStringLiteral("RT03"), 25), QStringLiteral("rt0313"));
    EXPECT_EQ(ask(QStringLiteral("RO11"), 25), QStringLiteral("ro1142"));
    EXPECT_EQ(framesWritten(), QStringList({"RT02", "RT02", "RT03", "RT03", "RO11", "RO11"}));
    EXPECT_LE(clock.nowMs() - start, 3 * 3000 + 1000);
}

TEST_F(StragglerTest, AnExportWithAnyOneOfItsRepliesLateReadsEveryEntryRight)
{
    // A unit paced at the wire's rate; each of the export's 1044 replies in
    // turn comes 3.5 s late, the unit either answering the requests after it
    // meanwhile (the late one arriving while a later read waits, and thrown
    // away there) or holding them until it is out. Every cell and register
    // holds a different byte, so a reply taken for another entry shows.
    device.setPacing(true);
    for (const char table : {'C', 'O', 'L', 'H'})
        for (int address = 0; address < 256; ++address)
            device.memory().setCell(table, address, (address * 7 + table) & 0xFF);
    for (int reg = 0; reg < 0x14; ++reg)
        device.memory().setRegister(reg, 0x40 + reg);
    const QList<tunefile::Entry>& order = tunefile::TuneOrder();
    QStringList expected;
    for (const tunefile::Entry& e : order)
        expected << QString(QLatin1Char(e.table)) + frame::HexByte(e.address)
                + frame::HexByte(e.table == tunefile::RegisterLetter ? 0x40 + e.address
                                                                     : (e.address * 7 + e.table) & 0xFF);

    for (const bool alone : {true, false}) {
        for (int late = 1; late <= order.size(); ++late) {
            SCOPED_TRACE((alone ? "alone " : "holding the rest ") + std::to_string(late));
            port.close();
            ASSERT_EQ(port.open(), PortError::None);
            port.ledger() = ReplyLedger();
            device.clearLog();
            device.faults() = SimFaults{};
            (alone ? device.faults().lateAloneRequest : device.faults().lateRequest) = late;
            device.faults().lateAloneMs = device.faults().lateByMs = 3500;
            const tunefile::ExportResult read =
                tunefile::ReadTune(unit::TransactOn(port, clock), clock.currentDateTime());
            ASSERT_TRUE(read.complete);
            ASSERT_EQ(read.text.split(tunefile::LineEnd).mid(2, order.size()), expected);
        }
    }
}

TEST_F(StragglerTest, ADroppedReplyCostsItsAttemptsTimeOutAndNothingMore)
{
    // Every third request goes unanswered; its retry is answered at once.
    device.faults().dropEvery = 3;
    const qint64 start = clock.nowMs();
    EXPECT_EQ(ask(QStringLiteral("RT02"), 10), QStringLiteral("rt0218"));
    EXPECT_EQ(ask(QStringLiteral("RO10"), 10), QStringLiteral("ro1021"));
    EXPECT_EQ(ask(QStringLiteral("RT03"), 10), QStringLiteral("rt0313")); // 3 dropped
    EXPECT_EQ(ask(QStringLiteral("RO11"), 10), QStringLiteral("ro1142"));
    EXPECT_EQ(ask(QStringLiteral("RT04"), 10), QStringLiteral("rt041E")); // 6 dropped
    EXPECT_EQ(clock.nowMs() - start, 2 * 1000);

    // The power-up values carry no echo: after a reply the link could only
    // guess at, the line must be quiet 0.6 s and a cell read answered at once
    // before they are asked for (request 9, the first "Y", is dropped too).
    EXPECT_EQ(ask(QStringLiteral("Y"), 10), QStringLiteral("y1F2902"));
    EXPECT_EQ(clock.nowMs() - start, 2 * 1000 + 600 + 1000);
    EXPECT_EQ(framesWritten(), QStringList({"RT02", "RO10", "RT03", "RT03", "RO11", "RT04", "RT04", "RO00", "Y", "Y"}));
}

// The hook between attempts keeps them one exchange (a late reply still
// answers); when it says stop, nothing more is sent.
TEST_F(StragglerTest, TheHookBetweenAttemptsKeepsThemOneExchangeOrStopsThem)
{
    device.faults().lateRequest = 1;
    int between = 0;
    const auto count = [&] { return ++between < 3; };
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("RT04"), 50, 1000, count), 1);
    EXPECT_EQ(LastReplyData(), QStringLiteral("rt041E"));
    EXPECT_EQ(between, 1);
    EXPECT_EQ(ask(QStringLiteral("RT05")), QStringLiteral("rt0515"));

    device.faults().silent = true;
    device.clearLog();
    between = 0;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("RT04"), 50, 1000, count), 0);
    EXPECT_EQ(between, 3);
    EXPECT_EQ(framesWritten(), QStringList({"RT04", "RT04", "RT04"}));
    EXPECT_TRUE(LastReplyData().isEmpty());
}

TEST_F(StragglerTest, RepliesThatDoNotFitTheirRequestAreFailedAttempts)
{
    // The first attempt's reply is bad (an upper-case letter, another table or
    // address, no value, a value not hexadecimal, a character put in or
    // missing); the second gets the unit's own. "Y": key-on 0.6 and 0.8 V, stage 2.
    struct Case {
        const char* payload;
        const char* bad;
        const char* good;
    } const cases[] = {{"RO10", "rO1021", "ro1021"},   {"RO10", "rc1021", "ro1021"},  {"RO10", "ro1121", "ro1021"},
                       {"RO10", "ro10", "ro1021"},     {"RO10", "ro102G", "ro1021"},  {"RO10", "r", "ro1021"},
                       {"RT02", "rt02", "rt0218"},     {"RT02", "rt02 8", "rt0218"},  {"RT02", "X", "rt0218"},
                       {"RT02", "rt02518", "rt0218"},  {"RO10", "ro10212", "ro1021"}, {"Y", "y1F2", "y1F2902"},
                       {"Y", "y1F2\00102", "y1F2902"}, {"V", "v1", "v123"},           {"V", "v1A3", "v123"},
                       {"V", "v1234", "v123"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.payload) + " " + c.bad);
        int replies = 0;
        class Rewriting final : public ForwardingPort {
        public:
            Rewriting(SerialPort& inner, int& replies, QByteArray bad)
                : ForwardingPort(inner), replies_(replies), bad_(std::move(bad))
            { }
            PortError readAll(QByteArray& r) override
            {
                const PortError error = inner_.readAll(r);
                if (r.endsWith('$') && replies_++ == 0)
                    r = "uu01" + bad_ + '$';
                return error;
            }

        private:
            int& replies_;
            QByteArray bad_;
        } rewriting(port, replies, c.bad);
        device.clearLog();
        EXPECT_EQ(SendFrameOn(rewriting, clock, QString::fromLatin1(c.payload), 10, 1000), 1);
        EXPECT_EQ(LastReplyData(), QString::fromLatin1(c.good));
        EXPECT_EQ(device.payloadLog().size(), 2) << "the bad reply cost one attempt";
    }
}

TEST_F(StragglerTest, OnlyReadsHaveAShapeTheLinkChecks)
{
    // The probe, writes, self-test and reset replies are their callers' to judge.
    for (const char* payload : {"Z", "WO1000", "WT1300", "SO000100", "T", "K"})
        EXPECT_TRUE(cmd::ExpectedReply(QString::fromLatin1(payload)).checksNothing()) << payload;
    const std::tuple<const char*, const char*, bool> reads[] = {
        {"RT13", "rt12F6", false}, {"RF80", "rf80FF", true}, {"RF80", "rf80ff", true}, {"RHFF", "rhff00", true},
        {"RF80", "rf81FF", false}, {"RT13", "rt13F", false}, {"RT13", "rt13F6", true},
    };
    for (const auto& [request, reply, fits] : reads)
        EXPECT_EQ(cmd::ExpectedReply(request).Fits(reply), fits) << request << " " << reply;
}

TEST_F(StragglerTest, ARepliesOwedWaitIsBoundedAndForgotten)
{
    // A silent unit: each attempt waits its time-out; the next exchange waits
    // once for the replies owed (the newest request's deadline plus half its
    // time-out and 0.1 s), then starts afresh.
    device.faults().silent = true;
    const qint64 start = clock.nowMs();
    EXPECT_EQ(ask(QStringLiteral("RT02"), 5, 1000), QString());
    EXPECT_EQ(clock.nowMs() - start, 5000);
    device.faults().silent = false;
    EXPECT_EQ(ask(QStringLiteral("RT03")), QStringLiteral("rt0313"));
    EXPECT_EQ(clock.nowMs() - start, 5000 + 600);
    EXPECT_FALSE(port.ledger().owed());

    // After another port number, nothing is owed on this one.
    device.faults().silent = true;
    EXPECT_EQ(ask(QStringLiteral("RT02"), 2, 1000), QString());
    device.faults().silent = false;
    port.close();
    port.setPortNumber(2);
    port.setUnitPort(2);
    ASSERT_EQ(port.open(), PortError::None);
    const qint64 moved = clock.nowMs();
    EXPECT_EQ(ask(QStringLiteral("RT03")), QStringLiteral("rt0313"));
    EXPECT_EQ(clock.nowMs(), moved);
}

} // namespace

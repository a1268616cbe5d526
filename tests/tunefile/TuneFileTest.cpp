#include "tunefile/TuneFile.h"

#include "platform/Clock.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "tunefile/TuneTestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using namespace tunefile;

const QString Header = QStringLiteral("&M110901\r\n12-05-2026-07:41:09\r\n");

// Answers each request from a script: the reply data, or failure when the
// script says so; records what was asked.
struct ScriptedLink {
    std::function<std::optional<QString>(const QString& payload)> answer;
    QStringList asked;
    Transact transact()
    {
        return [this](const QString& payload, int, int, QString& reply) {
            asked << payload;
            const std::optional<QString> data = answer(payload);
            reply = data.value_or(QString());
            return data.has_value();
        };
    }
};

// The simulated unit's own echo of a write: "w", the letter in lower case,
// address and value in upper case.
std::optional<QString> Echo(const QString& payload)
{
    return QStringLiteral("w") + payload.mid(1, 1).toLower() + payload.mid(2).toUpper();
}

TEST(TuneFileTest, ExportOfAKnownUnitIsByteExact)
{
    ManualClock clock;
    VentrixDevice device;
    tune_test::FillTune(device.memory(), 1);
    SimulatedPort port(device, clock);
    ASSERT_EQ(port.open(), PortError::None);

    QList<int> progress;
    const ExportResult result = ReadTune(unit::TransactOn(port, clock), QDateTime(QDate(2026, 12, 5), QTime(7, 41, 9)),
                                         [&](int handled) { progress << handled; });
    ASSERT_TRUE(result.complete);
    EXPECT_EQ(result.text.toLatin1(), tune_test::ExpectedFile(device.memory(), "12-05-2026-07:41:09"));
    EXPECT_EQ(device.requestCount(QStringLiteral("R")), 1024);
    EXPECT_EQ(device.requestCount(QStringLiteral("RT")), 20);
    ASSERT_EQ(progress.size(), DataLineCount);
    EXPECT_EQ(progress.front(), 1);
    EXPECT_EQ(progress.back(), DataLineCount);
    EXPECT_EQ(ProgressPercent(DataLineCount), 100);
    EXPECT_EQ(ProgressPercent(DataLineCount + 1), 100); // the file's empty last line
    // The tune read is the unit's: it writes back the same file.
    EXPECT_TRUE(result.tune.isComplete());
    EXPECT_EQ(TuneText(result.tune), result.text);
    const std::optional<Tune> reread = TuneFromText(result.text);
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->sameEntries(result.tune));
}

TEST(TuneFileTest, ReadFailureEndsTheExportWithoutText)
{
    // (A reply too short to hold a value is the link's to refuse: a failed read.)
    for (const int failAt : {0, 300, 700, DataLineCount - 1}) {
        ScriptedLink link;
        link.answer = [&](const QString& payload) -> std::optional<QString> {
            if (link.asked.size() - 1 == failAt)
                return std::nullopt;
            return QStringLiteral("r") + payload.mid(1).toLower() + QStringLiteral("80");
        };
        const ExportResult result = ReadTune(link.transact(), QDateTime::currentDateTime());
        EXPECT_FALSE(result.complete) << failAt;
        EXPECT_EQ(result.failedEntry, failAt);
        EXPECT_TRUE(result.text.isEmpty());
        EXPECT_EQ(link.asked.size(), failAt + 1) << "nothing is read after the failure";
    }
}

TEST(TuneFileTest, LinesAcceptedAndRefused)
{
    const char* good[] = {"C0000", "CFF7F", "O1F80", "L8001", "HFFff", "C1F8a", "T0000", "T0A01", "T13F6", "T1300"};
    const char* bad[] = {"",      "C1F8",  "C1F800", " C1F80", "C1F80 ", "c1F80", "C1f80", "C1G80",  "C1F8G",
                         "F0080", "X0000", "T1400",  "TFF00",  "T0a01",  "R1F80", "C1F-1", "WC1F80", "C1F80\t"};
    for (const char* line : good)
        EXPECT_TRUE(IsDataLine(QString::fromLatin1(line))) << line;
    for (const char* line : bad)
        EXPECT_FALSE(IsDataLine(QString::fromLatin1(line))) << line;
    for (const char* line : good)
        EXPECT_EQ(WriteRequest(QString::fromLatin1(line)), QStringLiteral("W") + QString::fromLatin1(line));
}

TEST(TuneFileTest, FilesRefusedAtTheirFirstBadLine)
{
    struct Case {
        const char* text;
        int badLine;
        const char* badText;
    } const cases[] = {
        {"&M110902\r\n12-05-2026-07:41:09\r\nC0000\r\n\r\n", 1, "&M110902"},
        {"&M110901 \r\n12-05-2026-07:41:09\r\n\r\n", 1, "&M110901 "},
        {"&m110901\r\n12-05-2026-07:41:09\r\n\r\n", 1, "&m110901"},
        {"", 1, ""},
        {"\r\n&M110901\r\n", 1, ""},
        {"&M110901\r\n", 2, ""},
        // A data line where the time stamp belongs: its entry would never be sent.
        {"&M110901\r\nC0000\r\nC0101\r\n", 2, "C0000"},
        {"&M110901\r\nT1305\r\n", 2, "T1305"},
        {"&M110901\r\nstamp\r\nC0000\r\nC0101\r\nC02 02\r\nC0303\r\n", 5, "C02 02"},
        {"&M110901\r\nstamp\r\nC0000\r\n\r\nT1400\r\n\r\n", 5, "T1400"},
        {"&M110901\r\nstamp\r\nC0000\r\nC0101\r\nxyz", 5, "xyz"},
    };
    for (const Case& c : cases) {
        const ParseResult result = ParseTuneText(QString::fromLatin1(c.text));
        EXPECT_FALSE(result.valid) << c.text;
        EXPECT_EQ(result.badLine, c.badLine) << c.text;
        EXPECT_EQ(result.badText, QString::fromLatin1(c.badText)) << c.text;
    }
}

TEST(TuneFileTest, ValidFilesKeepTheirLinesWhateverTheLineEnds)
{
    const ParseResult headerOnly = ParseTuneText(Header);
    ASSERT_TRUE(headerOnly.valid);
    EXPECT_TRUE(headerOnly.file.lines.isEmpty());

    const QStringList expected = {"T13F6", "", "C1F8a", "", ""};
    for (const QString& end : {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")}) {
        const QString text =
            QStringLiteral("&M110901") + end + QStringLiteral("stamp") + end + expected.join(end) + end;
        const ParseResult result = ParseTuneText(text);
        ASSERT_TRUE(result.valid);
        EXPECT_EQ(result.file.lines, expected);
        EXPECT_EQ(result.file.writeCount(), 2);
    }
    // No line end after the last line.
    EXPECT_EQ(ParseTuneText(Header + QStringLiteral("C0000")).file.lines, QStringList{"C0000"});
}

TEST(TuneFileTest, EchoesThatConfirmALine)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"wc1F80", "C1F80", true},  {"wC1F80", "C1F80", true},  {"wt13F6", "T13F6", true},  {"wc1F8A", "C1F8a", true},
        {"wc1F81", "C1F80", false}, {"wc1E80", "C1F80", false}, {"wo1F80", "C1F80", false}, {"wc1F8", "C1F80", false},
        {"", "C1F80", false},       {"wt1380", "T13F6", false},
    };
    for (const auto& [reply, line, confirms] : cases)
        EXPECT_EQ(EchoConfirms(QString::fromLatin1(reply), QString::fromLatin1(line)), confirms)
            << reply << " " << line;
}

TEST(TuneFileTest, WritesSkipEmptyLinesAndStopAtTheFirstFailure)
{
    FileLines tune;
    tune.lines = {"C0001", "", "T13F6", "", "H7F80", "L0102"};

    ScriptedLink link;
    link.answer = Echo;
    QList<int> progress;
    const ImportResult all = WriteTune(link.transact(), tune, [&](int handled) { progress << handled; });
    EXPECT_EQ(all.outcome, ImportOutcome::Completed);
    EXPECT_EQ(all.written, 4);
    EXPECT_EQ(link.asked, (QStringList{"WC0001", "WT13F6", "WH7F80", "WL0102"}));
    EXPECT_EQ(progress, (QList<int>{1, 2, 3, 4, 5, 6}));

    struct Case {
        std::function<std::optional<QString>(const QString&)> answer;
        ImportOutcome outcome;
    } const cases[] = {
        {[](const QString& p) { return p == "WH7F80" ? std::nullopt : Echo(p); }, ImportOutcome::WriteFailed},
        {[](const QString& p) { return p == "WH7F80" ? QString("wh7F81") : Echo(p); }, ImportOutcome::WrongEcho},
    };
    for (const Case& c : cases) {
        ScriptedLink failing;
        failing.answer = c.answer;
        const ImportResult result = WriteTune(failing.transact(), tune);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.lineNumber, 7); // the file's line 7: the fifth data line
        EXPECT_EQ(result.written, 2);
        EXPECT_EQ(failing.asked.size(), 3) << "nothing is sent after the failing line";
    }
}

} // namespace

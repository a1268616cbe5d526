#include "logs/LogCsv.h"
#include "logs/LogReader.h"
#include "monitor/Datalog.h"
#include "monitor/LiveSample.h"
#include "support/ReadFile.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <tuple>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

using namespace logs;

// Two samples as the monitor shows them, worked out by hand below.
LiveSample cruise()
{
    return {.MAFInputVoltage = 2.3456,
            .OutputVoltage = 2.5,
            .VoltageChange = 6.58,
            .TPSVoltage = 4.1,
            .ThrottleAngle = 77.5,
            .InputFlow = 185.4,
            .OutputFlow = 201.6,
            .FlowChange = 8.74,
            .EngineSpeed = 3480,
            .AirFuelRatio = 12.94f};
}

// A/F 0 is "XXX".
LiveSample noReading()
{
    return {.MAFInputVoltage = 0.196,
            .OutputVoltage = 0.1,
            .VoltageChange = -12.46,
            .TPSVoltage = 0.52,
            .InputFlow = 9.5,
            .OutputFlow = 8.3,
            .FlowChange = -12.6,
            .EngineSpeed = 12000};
}

QByteArray writeWithTheMonitorsWriter(const QString& path)
{
    datalog::DatalogFile file;
    EXPECT_TRUE(file.create(path, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53))));
    file.append(datalog::DataLine(QTime(9, 26, 54), datalog::ShownValues(cruise())));
    file.append(datalog::DataLine(QTime(9, 26, 54), datalog::ShownValues(noReading())));
    file.append(datalog::DataLine(QTime(9, 26, 55), datalog::ShownValues(cruise())));
    file.close();
    return ReadFile(path);
}

void expectTheTwoSamples(const DataLog& log)
{
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(log.rejected.empty());
    EXPECT_EQ(log.kind, LogKind::Monitor);
    EXPECT_EQ(log.opened, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    EXPECT_EQ(log.origin, QTime(9, 26, 54));
    EXPECT_EQ(log.seconds, (std::vector<double>{0, 0.5, 1}));
    const std::vector<std::pair<Channel, std::vector<double>>> expected = {
        {Channel::MafIn, {2.346, 0.196, 2.346}},     {Channel::MafOut, {2.5, 0.1, 2.5}},
        {Channel::VoltageChange, {6.6, -12.5, 6.6}}, {Channel::FlowIn, {185, 10, 185}},
        {Channel::FlowOut, {202, 8, 202}},           {Channel::FlowChange, {8.7, -12.6, 8.7}},
        {Channel::TpsVolts, {4.1, 0.52, 4.1}},       {Channel::ThrottleAngle, {77.5, 0, 77.5}},
        {Channel::Rpm, {3480, 12000, 3480}},
    };
    for (const auto& [channel, values] : expected) {
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_DOUBLE_EQ(log.value(channel, i), values[i]) << Info(channel).header.toStdString() << " " << i;
    }
    EXPECT_DOUBLE_EQ(log.value(Channel::AirFuel, 0), 12.9);
    EXPECT_TRUE(std::isnan(log.value(Channel::AirFuel, 1))); // "XXX" is no reading, not 0
    EXPECT_EQ(log.decimals[static_cast<int>(Channel::MafIn)], 3);
    EXPECT_EQ(log.decimals[static_cast<int>(Channel::Rpm)], 0);
}

class LogReaderTest : public ::testing::Test {
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    QTemporaryDir dir;
};

// Written under a German locale, read on another machine.
TEST_F(LogReaderTest, ReadsBackWhatTheMonitorWroteUnderEachLocale)
{
    const QByteArray english =
        "\"03-14-2026\",\"09:26:53\"\r\n"
        "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\",\"Fdelta(%)\",\"A/F\","
        "\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n"
        "\"09:26:54\",\"2.346\",\"2.500\",\"6.6\",\"185\",\"202\",\"8.7\",\"12.9\",\"4.100\",\"77.5\",\"3,480\"\r\n"
        "\"09:26:54\",\"0.196\",\"0.100\",\"-12.5\",\"10\",\"8\",\"-12.6\",\"XXX\",\"0.520\",\"0.0\",\"12,000\"\r\n"
        "\"09:26:55\",\"2.346\",\"2.500\",\"6.6\",\"185\",\"202\",\"8.7\",\"12.9\",\"4.100\",\"77.5\",\"3,480\"\r\n";
    const QByteArray germanLine = "\"09:26:54\",\"2,346\",\"2,500\",\"6,6\",\"185\",\"202\",\"8,7\",\"12,9\","
                                  "\"4,100\",\"77,5\",\"3.480\"\r\n";
    for (const QLocale::Language language : {QLocale::English, QLocale::German}) {
        SCOPED_TRACE(language);
        QLocale::setDefault(language == QLocale::English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                         : QLocale(QLocale::German, QLocale::Germany));
        const QString path = dir.filePath("MON_Datalog.txt");
        const QByteArray bytes = writeWithTheMonitorsWriter(path);
        if (language == QLocale::English)
            EXPECT_EQ(bytes, english);
        else
            EXPECT_TRUE(bytes.contains(germanLine));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const ReadResult read = ReadDataLog(path);
        ASSERT_TRUE(read.log) << read.error.toStdString();
        EXPECT_EQ(read.log->decimalSeparator, language == QLocale::English ? "." : ",");
        expectTheTwoSamples(*read.log);
    }
}

// Hand-made files: the monitor's columns, or the tuner's (no voltage change,
// volts with two decimals, user time stamps).
const QByteArray Opened = "\"12-05-2026\",\"07:41:09\"\r\n";
const QByteArray MonitorColumns = "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\","
                                  "\"Fdelta(%)\",\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n";
const QByteArray TunerColumns = "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\",\"Fdelta(%)\","
                                "\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n";

// A monitor line with the values a case looks at.
QByteArray mon(const char* time, const char* vin, const char* airFuel, const char* rpm = "3,480")
{
    return QByteArray("\"") + time + "\",\"" + vin + "\",\"2.500\",\"0.0\",\"185\",\"185\",\"0.0\",\"" + airFuel
        + "\",\"1.000\",\"0.0\",\"" + rpm + "\"\r\n";
}

QByteArray monitorLog(const QList<QByteArray>& lines)
{
    QByteArray bytes = Opened + MonitorColumns;
    for (const QByteArray& line : lines)
        bytes += line;
    return bytes;
}

// The numbers of the lines skipped, "3 4".
QString rejectedLines(const DataLog& log)
{
    QStringList lines;
    for (const RejectedLine& r : log.rejected)
        lines << QString::number(r.line);
    return lines.join(QLatin1Char(' '));
}

QByteArray randomBytes(int size)
{
    QRandomGenerator random(15);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

TEST_F(LogReaderTest, QuirksAndDamage)
{
    QByteArray manyFields = "\"09:00:01\"";
    for (int i = 1; i < 300; ++i)
        manyFields += ",\"1.000\"";
    manyFields += "\r\n";
    const QByteArray longLine = QByteArray(2 * 1024 * 1024, 'A') + "\r\n";

    const QByteArray head = Opened + MonitorColumns;
    const QByteArray at9 = mon("09:00:00", "1.000", "12.0"), at901 = mon("09:00:01", "1.000", "12.0");
    // Sampled fast: the monitor's own writer puts the thousandths last.
    const QByteArray fastHead =
        datalog::Header(QDateTime(QDate(2026, 12, 5), QTime(9, 0, 0)), datalog::FineColumns(datalog::ColumnNames()))
            .toLatin1();
    const auto fast = [](int second, int ms) {
        return datalog::DataLine(QTime(9, 0, second, ms), datalog::ShownValues(cruise()), true).toLatin1();
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        std::size_t samples;
        const char* rejected; // the lines skipped
        std::function<void(const DataLog&)> check;
    };
    const std::vector<Case> cases = {
        {"samples within a second are spread through it",
         head + at9 + at9 + at9 + at9 + at901 + mon("09:00:03", "1.000", "12.0"), 6, "",
         [](const DataLog& log) {
             EXPECT_EQ(log.seconds, (std::vector<double>{0, 0.25, 0.5, 0.75, 1, 3}));
             EXPECT_EQ(log.origin, QTime(9, 0, 0));
         }},
        {"a fast log puts each sample at the thousandths of its second",
         fastHead + fast(0, 992) + fast(1, 0) + fast(1, 7) + "\"USER TIMESTAMP:\",\"09:00:01\"\r\n" + fast(1, 750)
             + fast(2, 0).replace("\"000\"", "\"1000\"") + fast(2, 0).replace("\"000\"", "\"\"") + fast(1, 500),
         5, "8 9",
         [](const DataLog& log) {
             EXPECT_EQ(log.origin, QTime(9, 0, 0));
             // 0.992 s; 1 s; 1.007 s; 1.75 s; the clock set back held at 1.75 s.
             EXPECT_EQ(log.seconds, (std::vector<double>{0.992, 1, 1.007, 1.75, 1.75}));
             ASSERT_EQ(log.stamps.size(), 1u);
             EXPECT_DOUBLE_EQ(log.stamps[0].seconds, 1.007); // with the sample before it
             EXPECT_EQ(log.rejected[0].reason, "\"1000\" in column \"ms\" is not the thousandths of a second");
             QStringList times;
             for (const QString& line : CsvText(log).split('\n', Qt::SkipEmptyParts).mid(1))
                 times << line.section(',', 0, 0);
             EXPECT_EQ(times, (QStringList{"0.992", "1.000", "1.007", "1.750", "1.750"}));
         }},
        {"a log that crosses midnight keeps going forward",
         head + mon("23:59:58", "1.000", "12.0") + mon("23:59:59", "1.000", "12.0") + mon("23:59:59", "1.000", "12.0")
             + mon("00:00:00", "1.000", "12.0") + mon("00:00:02", "1.000", "12.0"),
         5, "",
         [](const DataLog& log) {
             EXPECT_EQ(log.seconds, (std::vector<double>{0, 1, 1.5, 2, 4}));
             EXPECT_EQ(log.timeOfDay(4), "00:00:02");
         }},
        {"a clock set back a little is held, not taken for a new day",
         head + mon("10:00:05", "1.000", "12.0") + mon("10:00:03", "1.000", "12.0") + mon("10:00:06", "1.000", "12.0"),
         3, "",
         [](const DataLog& log) {
             EXPECT_EQ(log.seconds, (std::vector<double>{0, 0.5, 1}));
         }},
        {"a cut last line is skipped", head + at9 + at901 + "\"09:00:02\",\"2.500\",\"2.5", 2, "5", nullptr},
        {"a last line without its line end is still a sample", head + at9 + mon("09:00:01", "1.250", "12.0").chopped(2),
         2, "", [](const DataLog& log) { EXPECT_DOUBLE_EQ(log.value(Channel::MafIn, 1), 1.25); }},
        {"lines of too few or too many fields are skipped",
         head + at9 + "\"09:00:01\",\"1.000\",\"2.000\"\r\n" + manyFields + mon("09:00:02", "1.000", "12.0"), 2, "4 5",
         [](const DataLog& log) { EXPECT_EQ(log.rejected[0].reason, "3 fields where the column names have 11"); }},
        {"binary junk in the middle is skipped", head + at9 + QByteArray("\x00\x01\xFF\"\xFE,\x80\r\n", 9) + at901, 2,
         "4", nullptr},
        {"a two-megabyte line in a log is skipped", head + at9 + longLine + at901, 2, "4", nullptr},
        {"a number in another locale's form is refused, not misread",
         head + at9 + mon("09:00:01", "1.000", "12,5") + mon("09:00:02", "1.000", "12.0", "3,48"), 1, "4 5",
         [](const DataLog& log) { EXPECT_EQ(log.rejected[0].reason, "\"12,5\" in column \"A/F\" is not a number"); }},
        {"a bad time of day is skipped", head + mon("25:00:00", "1.000", "12.0") + mon("9:00", "1.000", "12.0") + at901,
         1, "3 4", nullptr},
        {"\"XXX\" only means no reading in the A/F column", head + mon("09:00:00", "XXX", "12.0") + at901, 1, "3",
         nullptr},
        {"values beyond what a channel reads are skipped, its limits are not",
         head + mon("09:00:00", "10000000000000000000000000000000000000000", "12.0") + mon("09:00:01", "5.001", "12.0")
             + mon("09:00:02", "-0.010", "12.0") + mon("09:00:03", "1.000", "7.9") + mon("09:00:04", "1.000", "21.4")
             + mon("09:00:05", "1.000", "12.0", "20,001") + mon("09:00:06", "5.000", "21.3", "20,000")
             + mon("09:00:07", "0.000", "8.0", "0"),
         2, "3 4 5 6 7 8",
         [](const DataLog& log) {
             EXPECT_EQ(log.rejected[0].reason,
                       "\"100000000000000000000000...\" in column \"Vin(v)\" is outside what it reads, 0 to 5");
             EXPECT_EQ(log.rejected[3].reason, "\"7.9\" in column \"A/F\" is outside what it reads, 8 to 21.3");
             EXPECT_EQ(log.rejected[5].reason, "\"20,001\" in column \"RPM\" is outside what it reads, 0 to 20000");
             EXPECT_EQ(log.column(Channel::MafIn), (std::vector<double>{5, 0}));
             EXPECT_EQ(log.column(Channel::AirFuel), (std::vector<double>{21.3, 8}));
         }},
        {"control characters are never quoted back", head + mon("\x1b[2J\x1b]0;x\x07", "1.000", "12.0") + at901, 1, "3",
         [](const DataLog& log) { EXPECT_EQ(log.rejected[0].reason, "\"?[2J?]0;x?\" is not a time of day"); }},
        {"narrow no-break spaces and decimal commas",
         head
             + "\"09:00:00\",\"2,500\",\"2,625\",\"5,0\",\"185\",\"194\",\"4,9\",\"12,9\",\"1,000\",\"0,0\","
               "\"3\xE2\x80\xAF"
               "480\"\r\n",
         1, "",
         [](const DataLog& log) {
             EXPECT_EQ(log.decimalSeparator, ",");
             EXPECT_DOUBLE_EQ(log.value(Channel::MafIn, 0), 2.5);
             EXPECT_DOUBLE_EQ(log.value(Channel::AirFuel, 0), 12.9);
             EXPECT_DOUBLE_EQ(log.value(Channel::Rpm, 0), 3480);
         }},
        {"apostrophes between thousands", head + mon("09:00:00", "2.500", "12.9", "10'200"), 1, "",
         [](const DataLog& log) { EXPECT_DOUBLE_EQ(log.value(Channel::Rpm, 0), 10200); }},
        {"the tuner's log with its user time stamps",
         Opened + TunerColumns
             + "\"07:41:10\",\"2.50\",\"2.63\",\"210\",\"221\",\"5.2\",\"12.4\",\"4.210\",\"80.1\",\"5,200\"\r\n"
               "\"07:41:10\",\"2.52\",\"2.64\",\"211\",\"222\",\"5.2\",\"XXX\",\"4.210\",\"80.1\",\"5,240\"\r\n"
               "\"USER TIMESTAMP:\",\"07:41:10\"\r\n"
               "\"07:41:10\",\"2.54\",\"2.66\",\"212\",\"223\",\"5.2\",\"12.6\",\"4.210\",\"80.1\",\"5,280\"\r\n"
               "\"USER TIMESTAMP:\",\"07:41:12\"\r\n"
               "\"07:41:13\",\"0.98\",\"0.96\",\"60\",\"59\",\"-1.7\",\"14.7\",\"0.540\",\"0.0\",\"880\"\r\n",
         4, "",
         [](const DataLog& log) {
             EXPECT_EQ(log.kind, LogKind::Tuner);
             EXPECT_FALSE(log.has(Channel::VoltageChange));
             EXPECT_EQ(log.column(Channel::MafIn), (std::vector<double>{2.5, 2.52, 2.54, 0.98}));
             EXPECT_EQ(log.column(Channel::Rpm), (std::vector<double>{5200, 5240, 5280, 880}));
             EXPECT_EQ(log.decimals[static_cast<int>(Channel::MafIn)], 2);
             // The stamp shares its second with three samples and sits between them.
             EXPECT_EQ(log.seconds, (std::vector<double>{0, 0.25, 0.75, 3}));
             ASSERT_EQ(log.stamps.size(), 2u);
             EXPECT_DOUBLE_EQ(log.stamps[0].seconds, 0.5);
             EXPECT_EQ(log.stamps[0].timeText, "07:41:10");
             EXPECT_EQ(log.stamps[0].line, 5);
             EXPECT_DOUBLE_EQ(log.stamps[1].seconds, 2);
         }},
        {"columns found by name, unknown ones ignored, no date line, LF line ends",
         "\"Time\",\"Extra\",\"Vin(v)\",\"RPM\"\n\"08:00:00\",\"x\",\"1.500\",\"1,000\"\n", 1, "",
         [](const DataLog& log) {
             EXPECT_FALSE(log.opened.isValid());
             EXPECT_FALSE(log.has(Channel::AirFuel));
             EXPECT_DOUBLE_EQ(log.value(Channel::MafIn, 0), 1.5);
             EXPECT_DOUBLE_EQ(log.value(Channel::Rpm, 0), 1000);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult read = ParseDataLog(c.bytes, QStringLiteral("test.txt"));
        ASSERT_TRUE(read.log) << read.error.toStdString();
        EXPECT_EQ(read.log->size(), c.samples);
        EXPECT_EQ(rejectedLines(*read.log), QString::fromLatin1(c.rejected));
        for (const Channel channel : AllChannels()) {
            if (read.log->has(channel)) {
                EXPECT_EQ(read.log->column(channel).size(), c.samples);
            }
        }
        if (c.check)
            c.check(*read.log);
    }
}

TEST_F(LogReaderTest, RefusesWhatIsNoDataLogAndALogWithoutASample)
{
    const QString notALog =
        "\"x.txt\" is not a data log. Expected the monitor's or the graphical tuner's data log: a line of column "
        "names beginning with \"Time\" (of \"Vin(v)\", \"Vout(v)\", \"Vdelta(%)\", \"Fin(kg/hr)\", \"Fout(kg/hr)\", "
        "\"Fdelta(%)\", \"A/F\", \"Vtps(v)\", \"TPAngle(deg)\", \"RPM\"), then one line of values per sample.";
    const QString empty = "\"x.txt\" holds no samples: the file is empty.";
    QByteArray late = Opened;
    for (int i = 0; i < HeaderSearchLines; ++i)
        late += "\"junk\"\r\n";
    late += MonitorColumns;
    const std::vector<std::tuple<const char*, QByteArray, QString>> cases = {
        {"random bytes", randomBytes(100000), notALog},
        {"one line of two megabytes", QByteArray(2 * 1024 * 1024, '"'), notALog},
        {"a tune file", "&M110901\r\n12-05-2026-07:41:09\r\nC0000\r\n", notALog},
        {"the time not first", "\"RPM\",\"Time\",\"Vin(v)\"\r\n\"1,000\",\"08:00:00\",\"1.500\"\r\n", notALog},
        {"columns without a known name", "\"Time\",\"Speed\"\r\n\"08:00:00\",\"12\"\r\n", notALog},
        {"column names too far down", late, notALog},
        {"empty", "", empty},
        {"blank lines", " \r\n\r\n", empty},
        {"column names only", Opened + MonitorColumns, "\"x.txt\" holds no samples: nothing follows the column names."},
        {"no line read", monitorLog({mon("09:00:00", "9.000", "12.0"), "\"junk\"\r\n"}),
         "\"x.txt\" holds no samples: 2 lines could not be read (line 3: \"9.000\" in column \"Vin(v)\" is outside "
         "what it reads, 0 to 5)."},
    };
    for (const auto& [name, bytes, error] : cases) {
        const ReadResult read = ParseDataLog(bytes, QStringLiteral("x.txt"));
        EXPECT_FALSE(read.log) << name;
        EXPECT_EQ(read.error, error) << name;
    }
}

// A file of junk: every line counted, only the first few hundred kept.
TEST_F(LogReaderTest, SkippedLinesAreCountedButOnlyTheFirstAreKept)
{
    QByteArray bytes = Opened + MonitorColumns;
    for (int i = 0; i < 100000; ++i)
        bytes += "junk\r\n";
    bytes += mon("09:00:00", "1.000", "12.0");
    const ReadResult read = ParseDataLog(bytes, QStringLiteral("junk.txt"));
    ASSERT_TRUE(read.log) << read.error.toStdString();
    EXPECT_EQ(read.log->size(), 1u);
    EXPECT_EQ(read.log->rejected.size(), 100000u);
    ASSERT_EQ(read.log->rejected.kept().size(), 300u);
    EXPECT_EQ(read.log->rejected[0].line, 3);
    EXPECT_EQ(read.log->rejected.kept().back().line, 302);
}

#ifdef Q_OS_UNIX
// kestrel-cli log summary <(cat log): a pipe has no size, and is read to its end.
TEST_F(LogReaderTest, ReadsALogThroughAPipe)
{
    const QByteArray bytes = monitorLog({mon("09:00:00", "1.000", "12.0"), mon("09:00:01", "2.000", "13.0")});
    for (const QByteArray& piped : {bytes, QByteArray()}) {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        ASSERT_EQ(write(ends[1], piped.constData(), piped.size()), piped.size()); // fits the pipe's buffer
        close(ends[1]);
        const QString path = QStringLiteral("/dev/fd/%1").arg(ends[0]);
        const ReadResult read = ReadDataLog(path);
        close(ends[0]);
        if (piped.isEmpty()) {
            EXPECT_EQ(read.error, "\"" + path + "\" holds no samples: the file is empty.");
            continue;
        }
        ASSERT_TRUE(read.log) << read.error.toStdString();
        EXPECT_EQ(read.log->column(Channel::MafIn), (std::vector<double>{1, 2}));
    }
}
#endif

} // namespace

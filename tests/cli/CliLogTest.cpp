// kestrel-cli log summary and log csv: data log files, no unit.
#include "CliFixture.h"

#include <QLocale>

#include <map>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

class CliLogTest : public CliFixture {
protected:
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        CliFixture::TearDown();
    }

    // The summary's rows by cell, split into their fields.
    std::map<int, QStringList> summaryRows() const
    {
        std::map<int, QStringList> rows;
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            static const QRegularExpression cellRow(QStringLiteral("^\\s*(\\d+)\\s+\\d+\\.\\d\\d\\s"));
            if (cellRow.match(line).hasMatch()) {
                const QStringList fields = line.simplified().split(QLatin1Char(' '));
                rows[fields.at(0).toInt()] = fields;
            }
        }
        return rows;
    }
};

// A monitor log line whose MAF input volts and A/F are what a case looks at;
// two samples a second from 10:00:00.
QByteArray sampleLine(int index, const char* vin, const char* airFuel, const char* rpm = "3,480")
{
    const QTime time = QTime(10, 0, 0).addSecs(index / 2);
    return "\"" + time.toString(QStringLiteral("hh:mm:ss")).toLatin1() + "\",\"" + vin + "\",\"2.500\",\"0.0\","
        + "\"185\",\"185\",\"0.0\",\"" + airFuel + "\",\"1.000\",\"0.0\",\"" + rpm + "\"\r\n";
}

// Three cells' samples (some "XXX"), then one line cut short, skipped.
QByteArray knownLog()
{
    QByteArray bytes = "\"12-05-2026\",\"10:00:00\"\r\n" + LogColumns;
    int i = 0;
    for (const char* af :
         {"12.0", "12.4", "XXX", "13.0", "12.2", "12.8", "13.4", "12.6", "14.0", "XXX", "12.1", "12.9", "13.1"})
        bytes += sampleLine(i++, "2.500", af);
    for (const char* af : {"14.7", "15.0", "14.7", "14.0", "15.0", "14.7", "15.5", "14.9", "15.0", "14.7"})
        bytes += sampleLine(i++, "1.000", af);
    for (const char* af : {"12.5", "11.5", "XXX", "12.1", "11.9"})
        bytes += sampleLine(i++, "4.900", af);
    bytes += sampleLine(i++, "4.900", "12.0", "12,000");
    bytes += "\"10:00:14\",\"2.500\",\"2.5"; // line 32, cut
    return bytes;
}

// The known log worked out by hand: 2.5 V (cell 12) has 11 readings and two
// "XXX", sorted 12.0 ... 14.0, the median the 6th, 12.8; 1.0 V (cell 5) ten,
// the median (14.7 + 14.9) / 2; 4.9 V (cell 24) has
// four, too few, and a fifth above 10,200 rpm left out as the view leaves it
// out when it opens.
TEST_F(CliLogTest, SummaryIsTheCellsViewsTable)
{
    ASSERT_EQ(run({"log", "summary", writeFile("good.txt", knownLog())}), exit_status::Done) << err.toStdString();
    const std::map<int, QStringList> rows = summaryRows();
    ASSERT_EQ(rows.size(), 25u) << out.toStdString();
    EXPECT_EQ(rows.at(12), (QStringList{"12", "2.50", "11", "12.80", "12.00", "14.00", "2"}));
    EXPECT_EQ(rows.at(5), (QStringList{"5", "1.10", "10", "14.80", "14.00", "15.50", "0"}));
    EXPECT_EQ(rows.at(24), (QStringList{"24", "4.90", "4", "12.00", "11.50", "12.50", "1", "too", "few"}));
    EXPECT_TRUE(out.contains("28 samples taken; 3 without an A/F")) << out.toStdString();
}

// Written on a German machine (decimal commas, '.' grouping), read anywhere.
TEST_F(CliLogTest, CsvOfAGermanLogHasPointDecimalsAndSeconds)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray cruise =
        "\"2,346\",\"2,500\",\"6,6\",\"1185\",\"1202\",\"-8,7\",\"12,9\",\"4,100\",\"77,5\",\"3.480\"\r\n";
    const QString path =
        writeFile("MON_Datalog.txt",
                  "\"03-14-2026\",\"23:59:58\"\r\n" + LogColumns + "\"23:59:59\"," + cruise + "\"23:59:59\","
                      + QByteArray(cruise).replace("12,9", "XXX").replace("3.480", "800") + "\"23:59:59\"," + cruise
                      + "\"00:00:00\"," + cruise);

    const QByteArray expected =
        "Time (s),MAF in (V),MAF out (V),Voltage change (%),Measured flow (kg/hr),Corrected flow (kg/hr),"
        "Flow change (%),A/F (:1),TPS (V),Throttle angle (deg),Engine speed (rpm)\n"
        "0.000,2.346,2.500,6.6,1185,1202,-8.7,12.9,4.100,77.5,3480\n"
        "0.333,2.346,2.500,6.6,1185,1202,-8.7,,4.100,77.5,800\n"
        "0.667,2.346,2.500,6.6,1185,1202,-8.7,12.9,4.100,77.5,3480\n"
        "1.000,2.346,2.500,6.6,1185,1202,-8.7,12.9,4.100,77.5,3480\n";

    const QString csv = dir.filePath("drive.csv");
    writeFile("drive.csv", "an older file");
    ASSERT_EQ(run({"log", "csv", path, "-o", csv}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(contents(csv), expected);
    EXPECT_EQ(err, "");

    ASSERT_EQ(run({"log", "csv", path}), exit_status::Done);
    EXPECT_EQ(out.toUtf8(), expected);
    EXPECT_TRUE(heard(device).isEmpty());
}

TEST_F(CliLogTest, ExitStatuses)
{
    const QString good = writeFile("good.txt", knownLog());
    const QString empty = writeFile("empty.txt", {});
    const QString tune = writeFile("tune.txt", "Not a log at all\r\n1,2,3\r\n");
    const QString nowhere = dir.filePath("no/such/dir/out.csv");
    const int Bad = exit_status::BadInput;
    struct Case {
        QStringList args;
        int status;
        QString error; // on standard error
    } const cases[] = {
        {{"log", "summary", good}, exit_status::Done, "1 line of"},
        {{"log", "summary", empty}, Bad, "\"" + empty + "\" holds no samples: the file is empty."},
        {{"log", "csv", good, "-o", nowhere}, Bad, "The CSV file could not be saved to"},
        {{"log", "csv", tune}, Bad, "\"" + tune + "\" is not a data log."},
        {{"log"}, Bad, "kestrel-cli: log needs summary or csv"},
        {{"log", "csv"}, Bad, "kestrel-cli: log csv needs FILE"},
        {{"log", "summary", good, "-o", nowhere}, Bad, "kestrel-cli: log summary prints to standard output"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(c.error)) << c.args.join(' ').toStdString() << "\n" << err.toStdString();
    }
    EXPECT_TRUE(heard(device).isEmpty());
}

#ifdef Q_OS_UNIX
// While one lives, no file of this process grows past `bytes`: a write
// beyond fails ("File too large") as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(CliLogTest, AFileThatCannotBeWrittenIsToldWhyAndNotLeftBehind)
{
    const QString good = writeFile("good.txt", knownLog());
    const QString csv = dir.filePath("out.csv");
    const QString log = dir.filePath("run.txt");
    struct Case {
        QStringList args;
        QString path;
        QString message;
    } const cases[] = {
        {{"log", "csv", good, "-o", csv}, csv, "The CSV file could not be saved to " + csv + ": File too large\n"},
        {{"monitor", "--log", log, "--seconds", "1"}, log, "File: " + log + " could not be created.\nFile too large\n"},
        {{"monitor", "--log", dir.filePath("no/run.txt"), "--seconds", "1"}, dir.filePath("no/run.txt"), "created."},
    };
    for (const Case& c : cases) {
        int status = 0;
        {
            const FileSizeLimit full(64);
            status = run(c.args);
        }
        EXPECT_EQ(status, exit_status::BadInput) << c.args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(c.path)) << c.args.join(' ').toStdString();
        EXPECT_FALSE(heard(device).contains("M")) << "no sample is asked for";
    }
    // A device is told about, and stays a device.
    EXPECT_EQ(run({"monitor", "--log", "/dev/full", "--seconds", "1"}), exit_status::BadInput);
    EXPECT_TRUE(err.contains("File: /dev/full could not be created.\nNo space left on device\n")) << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists("/dev/full") && !QFileInfo("/dev/full").isFile());
}
#endif

} // namespace

// kestrel-cli log summary and log csv: data log files, no unit.
#include "CliFixture.h"
#include "logs/CellStatistics.h"
#include "logs/LogReader.h"
#include "logs/frmLogViewer.h"
#include "monitor/Datalog.h"

#include <QLocale>
#include <QTableWidget>

#include <cmath>
#include <memory>

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
    QByteArray bytes = "\"12-05-2026\",\"10:00:00\"\r\n"
                       "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\",\"Fdelta(%)\","
                       "\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n";
    int i = 0;
    for (const char* af :
         {"12.0", "12.4", "XXX", "13.0", "12.2", "12.8", "13.4", "12.6", "14.0", "XXX", "12.1", "12.9", "13.1"})
        bytes += sampleLine(i++, "2.500", af);
    for (const char* af : {"14.7", "15.0", "14.7", "14.0", "15.0", "14.7", "15.5", "14.9", "15.0", "14.7"})
        bytes += sampleLine(i++, "1.000", af);
    for (const char* af : {"12.5", "11.5", "XXX", "12.1", "11.9"})
        bytes += sampleLine(i++, "4.900", af);
    bytes += "\"10:00:14\",\"2.500\",\"2.5"; // line 31, cut
    return bytes;
}

// A drive through many cells written by the monitor's own writer, a few
// samples beyond the speeds the unit reports among them.
QString writeDrive(const QString& path)
{
    datalog::DatalogFile file;
    EXPECT_TRUE(file.create(path, QDateTime(QDate(2026, 3, 14), QTime(9, 0, 0))));
    for (int i = 0; i < 900; ++i) {
        LiveSample s;
        s.MAFInputVoltage = 0.6 + 3.8 * (0.5 + 0.5 * std::sin(i * 0.013)) * (0.8 + 0.2 * std::cos(i * 0.41));
        s.OutputVoltage = s.MAFInputVoltage;
        s.InputFlow = s.OutputFlow = 40 * s.MAFInputVoltage;
        s.AirFuelRatio = i % 37 == 0 ? 0.0f : static_cast<float>(12.0 + (i * 7 % 31) / 10.0);
        s.TPSVoltage = 0.5 + s.MAFInputVoltage / 2;
        s.ThrottleAngle = 10 * s.MAFInputVoltage;
        s.EngineSpeed = i % 101 == 50 ? 12000 : 800 + 2 * i;
        file.append(datalog::DataLine(QTime(9, 0, 1).addSecs(i / 20), datalog::ShownValues(s)));
    }
    file.close();
    return path;
}

TEST_F(CliLogTest, SummaryAgreesWithTheCellsView)
{
    const QString path = writeDrive(dir.filePath("drive.txt"));
    ASSERT_EQ(run({"log", "summary", path}), exit_status::Done) << err.toStdString();
    const std::map<int, QStringList> shown = summaryRows();
    ASSERT_EQ(shown.size(), 25u);

    logs::ReadResult read = logs::ReadDataLog(path);
    ASSERT_TRUE(read.log);
    const logs::CellTable table = logs::ComputeCellTable(*read.log, logs::OpeningFilter());
    const auto viewer = std::make_unique<frmLogViewer>(*read.log, path);
    int usedCells = 0;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const QStringList& fields = shown.at(cell);
        const logs::CellStats& stats = table.cells[cell];
        EXPECT_EQ(fields.at(2).toInt(), stats.samples) << cell;
        if (stats.samples > 0) {
            ++usedCells;
            EXPECT_NEAR(fields.at(3).toDouble(), stats.median, 0.005) << cell;
            EXPECT_NEAR(fields.at(4).toDouble(), stats.minimum, 0.005) << cell;
            EXPECT_NEAR(fields.at(5).toDouble(), stats.maximum, 0.005) << cell;
        }
        // The view's table row, word for word.
        QStringList row;
        for (int column = 0; column < viewer->tblCells()->columnCount(); ++column) {
            const QString text = viewer->tblCells()->item(cell, column)->text();
            if (!text.isEmpty())
                row += text.split(QLatin1Char(' '));
        }
        EXPECT_EQ(fields, row) << cell;
    }
    EXPECT_GE(usedCells, 10); // the drive reaches most cells
    // The samples above 10,200 rpm are left out, as the view leaves them out when it opens.
    EXPECT_EQ(table.samples, 900 - 9);
    EXPECT_TRUE(
        out.contains(QStringLiteral("%1 samples taken; %2 without").arg(table.samples).arg(table.withoutReading)));
}

// Written on a German machine (decimal commas, '.' grouping), read anywhere.
TEST_F(CliLogTest, CsvOfAGermanLogHasPointDecimalsAndSeconds)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString path = dir.filePath("MON_Datalog.txt");
    {
        LiveSample cruise;
        cruise.MAFInputVoltage = 2.3456;
        cruise.OutputVoltage = 2.5;
        cruise.VoltageChange = 6.58;
        cruise.InputFlow = 1185.4;
        cruise.OutputFlow = 1201.6;
        cruise.FlowChange = -8.74;
        cruise.AirFuelRatio = 12.94f;
        cruise.TPSVoltage = 4.1;
        cruise.ThrottleAngle = 77.5;
        cruise.EngineSpeed = 3480;
        LiveSample idle = cruise;
        idle.AirFuelRatio = 0; // "XXX"
        idle.EngineSpeed = 800;
        datalog::DatalogFile file;
        ASSERT_TRUE(file.create(path, QDateTime(QDate(2026, 3, 14), QTime(23, 59, 58))));
        file.append(datalog::DataLine(QTime(23, 59, 59), datalog::ShownValues(cruise)));
        file.append(datalog::DataLine(QTime(23, 59, 59), datalog::ShownValues(idle)));
        file.append(datalog::DataLine(QTime(23, 59, 59), datalog::ShownValues(cruise)));
        file.append(datalog::DataLine(QTime(0, 0, 0), datalog::ShownValues(cruise)));
        file.close();
    }
    ASSERT_TRUE(contents(path).contains(
        "\"23:59:59\",\"2,346\",\"2,500\",\"6,6\",\"1185\",\"1202\",\"-8,7\",\"12,9\",\"4,100\",\"77,5\",\"3.480\""));

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
    struct Case {
        QStringList args;
        int status;
        QString error; // on standard error
    } const cases[] = {
        {{"log", "summary", good}, exit_status::Done, "1 line of"},
        {{"log", "csv", good}, exit_status::Done, "1 line of"},
        {{"log", "summary", empty}, exit_status::BadInput, "\"" + empty + "\" holds no samples: the file is empty."},
        {{"log", "csv", good, "-o", dir.filePath("no/such/dir/out.csv")},
         exit_status::BadInput,
         "The CSV file could not be saved to"},
        {{"log", "summary", dir.filePath("missing.txt")}, exit_status::BadInput, "Cannot open \""},
        {{"log", "csv", tune}, exit_status::BadInput, "\"" + tune + "\" is not a data log."},
        {{"log"}, exit_status::BadInput, "kestrel-cli: log needs summary or csv"},
        {{"log", "graph", good}, exit_status::BadInput, "kestrel-cli: log needs summary or csv"},
        {{"log", "csv"}, exit_status::BadInput, "kestrel-cli: log csv needs FILE"},
        {{"log", "summary", good, "-o", dir.filePath("x.txt")},
         exit_status::BadInput,
         "kestrel-cli: log summary prints to standard output"},
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
    }
    // A device is told about, and stays a device.
    EXPECT_EQ(run({"monitor", "--log", "/dev/full", "--seconds", "1"}), exit_status::BadInput);
    EXPECT_TRUE(err.contains("File: /dev/full could not be created.\nNo space left on device\n")) << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists("/dev/full") && !QFileInfo("/dev/full").isFile());
}
#endif

} // namespace

// The auto-tune loop closed on the simulated engine, without a window and in
// simulated time: log the tuning drive with kestrel-cli monitor, analyse the
// log, put the suggestion into the unit, log again.
#include "CliFixture.h"

#include "logs/AutoTune.h"
#include "logs/LogReader.h"
#include "monitor/Datalog.h"
#include "sim/EngineLaw.h"
#include "tunefile/TuneFile.h"

namespace {

using autotune::CellError;

constexpr double Breakpoint = 2.5;  // the factory breakpoint, count 512
constexpr int CellCount = tuner_cells::CellCount;

class AutoTuneLoopTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        SimulatedEngine engine;
        engine.drive = DriveCycle::Tuning;
        QString why;
        ASSERT_TRUE(engine.mafError.parse(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"), &why)) << why.toStdString();
        device.setEngine(engine);
    }

    // Two minutes of the drive, as kestrel-cli monitor logs it.
    logs::DataLog drive(int pass)
    {
        const QString path = dir.filePath(QStringLiteral("pass%1.txt").arg(pass));
        EXPECT_EQ(run({"monitor", "--log", path, "--seconds", "120"}), exit_status::Done) << err.toStdString();
        logs::ReadResult read = logs::ReadDataLog(path);
        EXPECT_TRUE(read.log.has_value()) << read.error.toStdString();
        return read.log ? *read.log : logs::DataLog{};
    }

    tuner::Table tableO() const
    {
        tuner::Table table{};
        for (int j = 0; j < tuner::TableSize; ++j)
            table[j] = static_cast<qint16>(tuner::DecodeEntry(device.memory().cell('O', j)));
        return table;
    }

    void putIntoUnit(const tuner::Table& table)
    {
        for (int j = 0; j < tuner::TableSize; ++j)
            device.memory().setCell('O', j, table[j] & 0xFF);
    }
};

TEST_F(AutoTuneLoopTest, TwoPassesBringEveryWideOpenCellWithinTwoPercent)
{
    autotune::Settings settings;  // table O, 12.8:1, the defaults' rules
    settings.breakpointVolts = Breakpoint;
    settings.eecInjectorSize = device.memory().registerValue(0x03);

    logs::DataLog log = drive(0);
    const std::array<CellError, CellCount> before = autotune::WideOpenErrors(log, Breakpoint, settings.target);
    // The error curve's ends: 12 % at the top cells before any correction.
    EXPECT_GT(before[24].medianPercent, 10.0);
    EXPECT_GT(before[5].medianPercent, 2.0);

    for (int pass = 1; pass <= 2; ++pass) {
        const tuner::Table table = tableO();
        const autotune::Result result = autotune::Analyse({&log}, autotune::CellValuesOf(table), settings);
        // Every cell from 1.1 V up has enough steady wide-open samples.
        for (int cell = 5; cell < CellCount; ++cell)
            EXPECT_NE(result.cells[cell].outcome, autotune::CellOutcome::TooFew) << "pass " << pass << " cell " << cell;
        putIntoUnit(autotune::SuggestedTable(table, result));
        log = drive(pass);
    }

    const std::array<CellError, CellCount> after = autotune::WideOpenErrors(log, Breakpoint, settings.target);
    int judged = 0;
    for (int cell = 0; cell < CellCount; ++cell) {
        if (after[cell].samples < 10)
            continue;
        ++judged;
        EXPECT_LT(after[cell].medianPercent, 2.0) << "cell " << cell << " with " << after[cell].samples << " samples";
    }
    EXPECT_GE(judged, 20);

    // The cells ended near the correction the engine needs: the curve's
    // sign turned (+12 % error at 4.5 V and above wants -12).
    const tuner::Table final = tableO();
    EXPECT_NEAR(final[tuner::EntryOf(24, 0)], -12, 1);
    EXPECT_NEAR(final[tuner::EntryOf(12, 0)], 4, 1);
}

} // namespace

namespace {

// The same loop as a user runs it with kestrel-cli: export, monitor,
// autotune into a new tune file, import it, monitor again.
TEST_F(AutoTuneLoopTest, KestrelCliClosesTheLoopAndNeverWritesTheUnitItself)
{
    const QString in = dir.filePath("in.tun");
    const QString out = dir.filePath("out.tun");
    ASSERT_EQ(run({"export", in}), exit_status::Done) << err.toStdString();
    const logs::DataLog before = drive(0);
    const QString log = dir.filePath("pass0.txt");
    heard(device);

    ASSERT_EQ(run({"autotune", log, "--table", "O", "--target", "12.8", "--tune", in, "-o", out}), exit_status::Done)
        << err.toStdString();
    EXPECT_TRUE(heard(device).isEmpty()) << "a tune file given: the unit is not even asked";
    EXPECT_TRUE(this->out.contains("Table O, target A/F 12.8:1, EEC injectors 19 lb/hr, cap 10 points per pass"))
        << this->out.toStdString();
    EXPECT_TRUE(this->out.contains("too few samples"));
    EXPECT_TRUE(this->out.contains("  other table: "));
    EXPECT_TRUE(this->out.contains("nothing was written to the unit."));

    QString text;
    QString error;
    ASSERT_EQ(tunefile::ReadTuneFile(out, text, error), tunefile::FileRead::Ok);
    const tunefile::ParseResult parsed = tunefile::ParseTuneText(text);
    ASSERT_TRUE(parsed.valid);
    ASSERT_TRUE(parsed.tune.isComplete());
    // The top cells need -12: capped at -10 in one pass; the other tables
    // and the registers are the unit's.
    EXPECT_EQ(parsed.tune.value({'O', tuner::EntryOf(24, 0)}), 0xF6);
    EXPECT_EQ(parsed.tune.value({'O', tuner::EntryOf(12, 0)}), 4);
    EXPECT_EQ(parsed.tune.value({'O', tuner::EntryOf(0, 0)}), 0) << "too few samples below 1 V at wide-open throttle";
    EXPECT_EQ(parsed.tune.value({'T', 0x03}), 19);

    // Without a tune file the table is read from the unit, as an export
    // reads it, and the suggestion is the same; still nothing is written.
    const QString fromUnit = dir.filePath("from-unit.tun");
    ASSERT_EQ(run({"autotune", log, "-o", fromUnit}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 0);
    QString unitText;
    ASSERT_EQ(tunefile::ReadTuneFile(fromUnit, unitText, error), tunefile::FileRead::Ok);
    EXPECT_TRUE(tunefile::ParseTuneText(unitText).tune.sameEntries(parsed.tune));

    ASSERT_EQ(run({"import", out, "--yes"}), exit_status::Done) << err.toStdString();
    const logs::DataLog after = drive(1);
    const auto errorsBefore = autotune::WideOpenErrors(before, Breakpoint, 12.8);
    const auto errorsAfter = autotune::WideOpenErrors(after, Breakpoint, 12.8);
    for (int cell = 5; cell < CellCount; ++cell)
        EXPECT_LT(errorsAfter[cell].medianPercent, std::max(2.5, errorsBefore[cell].medianPercent - 8)) << cell;
}

// Entries beyond the sliders' reach that the median would push further out
// are left and said to be: the written file holds what the report says.
TEST_F(AutoTuneLoopTest, EntriesBeyondTheSlidersAreLeftAtTheirLimitInTheWrittenFile)
{
    device.memory().setCell('O', 0xF8, 0x80);  // cell 24: -128
    device.memory().setCell('O', 0x80, 0x7F);  // cell 12: +127
    const QString in = dir.filePath("in.tun");
    ASSERT_EQ(run({"export", in}), exit_status::Done) << err.toStdString();

    // One second at 4.90 V reading 11.3 (rich of 12.8), one at 2.50 V
    // reading 13.2 (lean), wide open.
    const QString log = dir.filePath("limits.txt");
    datalog::DatalogFile file;
    ASSERT_TRUE(file.create(log, QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))));
    for (int i = 0; i < 40; ++i) {
        LiveSample s;
        s.MAFInputVoltage = s.OutputVoltage = i < 20 ? 4.9 : 2.5;
        s.AirFuelRatio = i < 20 ? 11.3f : 13.2f;
        s.TPSVoltage = 4.0;
        s.ThrottleAngle = 80;
        s.EngineSpeed = 3000;
        file.append(datalog::DataLine(QTime(10, 0, 0).addSecs(i / 20), datalog::ShownValues(s)));
    }
    file.close();

    const QString out = dir.filePath("out.tun");
    // The log's A/F belongs to the moment it is logged with: no delay.
    ASSERT_EQ(run({"autotune", log, "--tune", in, "-o", out, "--lag", "0"}), exit_status::Done) << err.toStdString();
    EXPECT_TRUE(this->out.contains(
        "  24   4.90       19       11.30    -11.7     -128       -       -128  at its limit\n"))
        << this->out.toStdString();
    EXPECT_TRUE(this->out.contains(
        "  12   2.50       19       13.20      3.1      127       -        127  at its limit\n"));
    EXPECT_TRUE(this->out.contains("table O with 0 cells changed;"));
    QString text;
    QString error;
    ASSERT_EQ(tunefile::ReadTuneFile(out, text, error), tunefile::FileRead::Ok);
    const tunefile::Tune written = tunefile::ParseTuneText(text).tune;
    EXPECT_EQ(written.value({'O', 0xF8}), 0x80);
    EXPECT_EQ(written.value({'O', 0x80}), 0x7F);
    ASSERT_EQ(tunefile::ReadTuneFile(in, text, error), tunefile::FileRead::Ok);
    EXPECT_TRUE(written.sameEntries(tunefile::ParseTuneText(text).tune));
}

TEST_F(AutoTuneLoopTest, BadUsageWritesNothing)
{
    const QString in = dir.filePath("in.tun");
    ASSERT_EQ(run({"export", in}), exit_status::Done);
    const QString log = writeFile("empty.txt", "\"12-07-2026\",\"10:00:00\"\r\n\"Time\",\"Vin(v)\",\"A/F\"\r\n");
    const QString out = dir.filePath("out.tun");
    const QString partial = writeFile("partial.tun", "&M110901\r\n12-07-2026-10:00:00\r\nO0805\r\n\r\n");
    const QStringList cases[] = {
        {"autotune", log, "--tune", in},                                  // no -o
        {"autotune", "--tune", in, "-o", out},                            // no log
        {"autotune", log, "--tune", in, "-o", out, "--table", "F"},      // not a correction table
        {"autotune", log, "--tune", in, "-o", out, "--target", "25"},    // beyond the wideband
        {"autotune", log, "--tune", in, "-o", out, "--lock", "25"},      // no such cell
        {"autotune", log, "--tune", in, "-o", out, "--lag", "soon"},     // no number of seconds
        {"autotune", log, "--tune", in, "-o", out, "--lag", "3.5"},      // beyond any wideband
        {"autotune", log, "--tune", in, "-o", out, "--lag=-0.1"},
        {"autotune", log, "--tune", partial, "-o", out},                  // not a complete tune
        {"autotune", dir.filePath("missing.txt"), "--tune", in, "-o", out},
    };
    for (const QStringList& args : cases) {
        EXPECT_EQ(run(args), exit_status::BadInput) << args.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(out)) << args.join(' ').toStdString();
    }
}

} // namespace

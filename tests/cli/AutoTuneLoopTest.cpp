// The auto-tune loop closed on the simulated engine, without a window and in
// simulated time, as a user runs it with kestrel-cli: log a drive with
// monitor, autotune the log into a new tune file, put that into the unit,
// log again. The written tune is judged by what the engine needs at each
// cell's own entry.
#include "CliFixture.h"

#include "logs/AutoTune.h"
#include "logs/LogReader.h"
#include "monitor/Datalog.h"
#include "sim/EngineLaw.h"
#include "tunefile/TuneFile.h"

namespace {

constexpr int CellCount = tuner_cells::CellCount;
constexpr int Eec = 19; // the factory EEC size of table O

SimulatedEngine Engine(DriveCycle drive, int injectors = 0, double widebandDelay = 0.5)
{
    SimulatedEngine engine;
    engine.drive = drive;
    engine.mafError.parse(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"), nullptr);
    engine.installedInjectors = injectors;
    engine.widebandDelay = widebandDelay;
    return engine;
}

class AutoTuneLoopTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        device.setEngine(Engine(DriveCycle::Tuning));
    }

    // Two minutes of the drive, as kestrel-cli monitor logs it.
    QString drive(int pass)
    {
        const QString path = dir.filePath(QStringLiteral("pass%1.txt").arg(pass));
        EXPECT_EQ(run({"monitor", "--log", path, "--seconds", "120"}), exit_status::Done) << err.toStdString();
        return path;
    }

    static tunefile::Tune readTune(const QString& path)
    {
        QString text;
        QString error;
        EXPECT_EQ(tunefile::ReadTuneFile(path, text, error), tunefile::FileRead::Ok) << error.toStdString();
        const tunefile::ParseResult parsed = tunefile::ParseTuneText(text);
        EXPECT_TRUE(parsed.valid && parsed.tune.isComplete());
        return parsed.tune;
    }

    // How far table O of a tune lies at a cell's own entry from what the
    // engine needs there, in points.
    double entryError(const tunefile::Tune& tune, int cell) const
    {
        const int entry = tuner::EntryOf(cell, 0);
        return engine_law::EntryError(device.engine(), entry, tuner::DecodeEntry(tune.value({'O', entry}).value_or(0)),
                                      Eec);
    }

    void putIntoUnit(const tunefile::Tune& tune)
    {
        for (int j = 0; j < tuner::TableSize; ++j)
            device.memory().setCell('O', j, tune.value({'O', j}).value_or(0));
    }
};

// Every setting: each cell the first log covers lies within 2 points of
// what the engine needs after the passes, in the tune autotune wrote.
TEST_F(AutoTuneLoopTest, TheWrittenTuneConverges)
{
    struct Case {
        const char* name;
        SimulatedEngine engine;
        int passes;
        int covered;             // cells with enough samples at the first pass
        QStringList firstReport; // lines of the first pass's report
    } const cases[] = {
        // Needed: -20.8 for the injectors and -8 to +4 for the sensor; the
        // wideband reads its rich rail (10.0) wherever more than -21.9 is needed.
        {"24 lb/hr injectors", Engine(DriveCycle::Tuning, 24), 4, 20, {"-10        -10  at the rich rail ("}},
        // 1.0 s of transport and 0.1 s of lag: timed from the pulls' tip-ins
        // and lift-offs; the pulls cover 1.5 V to 4.7 V.
        {"a 1.0 s delay, pulls", Engine(DriveCycle::Pulls, 0, 1.0), 4, 17, {"Wideband delay 1.1", "s, timed from 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.setEngine(c.engine);
        for (int j = 0; j < tuner::TableSize; ++j)
            device.memory().setCell('O', j, 0);
        std::array<bool, CellCount> covered{};
        tunefile::Tune written;
        for (int pass = 1; pass <= c.passes; ++pass) {
            const QString log = drive(pass);
            // The first pass reads the table from the unit, the others from
            // the tune the pass before wrote (which the unit now holds).
            const QString out = dir.filePath(QStringLiteral("out%1.tun").arg(pass));
            QStringList args{"autotune", log, "-o", out};
            if (pass > 1)
                args << "--tune" << dir.filePath(QStringLiteral("out%1.tun").arg(pass - 1));
            ASSERT_EQ(run(args), exit_status::Done) << err.toStdString();
            if (pass == 1) {
                for (const QString& line : c.firstReport)
                    EXPECT_TRUE(this->out.contains(line)) << line.toStdString() << "\n" << this->out.toStdString();
                autotune::Settings settings;
                settings.breakpointVolts = 2.5;
                const logs::ReadResult read = logs::ReadDataLog(log);
                ASSERT_TRUE(read.log);
                const autotune::Result result = autotune::Analyse({&*read.log}, {}, settings);
                for (int cell = 0; cell < CellCount; ++cell)
                    covered[cell] = result.cells[cell].outcome != autotune::CellOutcome::TooFew;
            }
            written = readTune(out);
            putIntoUnit(written);
        }
        EXPECT_EQ(std::count(covered.begin(), covered.end(), true), c.covered);
        for (int cell = 0; cell < CellCount; ++cell) {
            if (covered[cell]) {
                EXPECT_LE(std::abs(entryError(written, cell)), 2.0) << "cell " << cell;
            }
        }
    }
}

// One pass as a user runs it: export, monitor, autotune into a new tune
// file, import it. autotune itself never writes to the unit.
TEST_F(AutoTuneLoopTest, KestrelCliClosesTheLoopAndNeverWritesTheUnitItself)
{
    const QString in = dir.filePath("in.tun");
    const QString out = dir.filePath("out.tun");
    ASSERT_EQ(run({"export", in}), exit_status::Done) << err.toStdString();
    const QString log = drive(0);
    heard(device);

    ASSERT_EQ(run({"autotune", log, "--table", "O", "--target", "12.8", "--tune", in, "-o", out}), exit_status::Done)
        << err.toStdString();
    EXPECT_TRUE(heard(device).isEmpty()) << "a tune file given: the unit is not even asked";
    // The tuning drive has one tip-in and one lift-off in two minutes.
    for (const char* said :
         {"Table O, target A/F 12.8:1, EEC injectors 19 lb/hr, cap 10 points per pass", "too few samples",
          "  other table: ", "nothing was written to the unit.",
          "Wideband delay 0.60 s, the default: the logs have only 2 throttle events to time it by, fewer than 3."})
        EXPECT_TRUE(this->out.contains(QString::fromLatin1(said))) << said << "\n" << this->out.toStdString();

    const tunefile::Tune written = readTune(out);
    // The top cells need -12: capped at -10 in one pass; the other tables
    // and the registers are the unit's.
    EXPECT_EQ(written.value({'O', tuner::EntryOf(24, 0)}), 0xF6);
    EXPECT_EQ(written.value({'O', tuner::EntryOf(12, 0)}), 4);
    EXPECT_EQ(written.value({'O', tuner::EntryOf(0, 0)}), 0) << "too few samples below 1 V at wide-open throttle";
    EXPECT_EQ(written.value({'T', 0x03}), 19);

    // Without a tune file the table is read from the unit, as an export
    // reads it, and the suggestion is the same; still nothing is written.
    const QString fromUnit = dir.filePath("from-unit.tun");
    ASSERT_EQ(run({"autotune", log, "-o", fromUnit}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 0);
    EXPECT_TRUE(readTune(fromUnit).sameEntries(written));

    // Imported, each cell from 1.1 V up is within 2 points of what the
    // engine needs but where the cap held it (4.3 V and up need -10 to -12).
    ASSERT_EQ(run({"import", out, "--yes"}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(device.memory().cell('O', tuner::EntryOf(24, 0)), 0xF6);
    for (int cell = 5; cell < CellCount; ++cell)
        EXPECT_LE(std::abs(entryError(written, cell)), 2.0) << cell;
}

} // namespace

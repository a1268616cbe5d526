// Auto-tune: how long the analysis of a long log takes, and how the loop
// closes on the simulated engine.
//
// 1. A 2-hour drive at 20 samples a second (144,000 samples), written by the
//    monitor's own writer, its A/F shown 0.6 s late: the time to read it and
//    the time to analyse it, the delay estimate included (median of five
//    rounds).
// 2. The loop in four settings: the simulated unit with table O at zero,
//    two minutes logged with kestrel-cli monitor (in simulated time) a
//    pass, analysed with the defaults, the suggested table put into the
//    unit as the tuner's sliders write it, six passes. Prints per pass the
//    worst and the median covered cell's error (what the engine needs at
//    the cell's own entry less what the entry holds, in points) and how
//    many cells moved.
//
//   build/bench/autotune_bench [hours]
#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "link/SettingsStore.h"
#include "logs/AutoTune.h"
#include "logs/LogReader.h"
#include "BenchLog.h"
#include "monitor/Datalog.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/EngineLaw.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench_log::SamplesPerSecond;

// Steady holds at wide-open throttle through the cells, with steps between
// them, some part throttle and a few gaps in the A/F, which shows what was
// burnt 0.6 s (12 samples) earlier.
constexpr int LateSamples = 12;
LiveSample sampleAt(int i)
{
    const auto state = [](int k) {
        const int hold = std::max(0, k) / 60; // 3 s a hold
        return std::pair<bool, int>(hold % 3 != 0, hold);
    };
    const auto [wideOpen, hold] = state(i);
    const auto [burntOpen, burntHold] = state(i - LateSamples);
    LiveSample s;
    s.ThrottleAngle = wideOpen ? 85 : 25;
    s.TPSVoltage = 0.8 + s.ThrottleAngle / 25.04;
    s.MAFInputVoltage = 1.0 + 0.2 * (hold % 20) + 0.01 * std::sin(i * 0.3);
    s.OutputVoltage = s.MAFInputVoltage;
    s.InputFlow = 20 + s.MAFInputVoltage * 100;
    s.OutputFlow = s.InputFlow;
    s.AirFuelRatio =
        i % 211 == 0 ? 0.0f : static_cast<float>((burntOpen ? 12.8 : 14.7) * (1 + 0.05 * std::sin(burntHold)));
    s.EngineSpeed = 1000 + 250 * (hold % 20);
    return s;
}

QString writeLog(const QString& path, double hours)
{
    return bench_log::WriteDriveLog(path, hours, QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0)), sampleAt);
}

void analysisFigures(const QTemporaryDir& dir, double hours)
{
    const QString path = writeLog(dir.filePath(QStringLiteral("long.txt")), hours);
    logs::ReadResult read;
    const double readMs = bench_log::MedianMs(3, [&] { read = logs::ReadDataLog(path); });
    if (!read.log) {
        std::printf("the log could not be read: %s\n", qPrintable(read.error));
        return;
    }
    autotune::Settings settings;
    autotune::Result result;
    const logs::DataLog& log = *read.log;
    const double analyseMs = bench_log::MedianMs(5, [&] { result = autotune::Analyse({&log}, {}, settings); });
    std::printf(
        "Analysis of %zu samples (%.1f h): read %.0f ms, analyse %.1f ms (target < 500 ms); %d used, %d rejected; "
        "%s\n",
        log.size(), hours, readMs, analyseMs, result.accepted, result.rejectedTotal(),
        qPrintable(autotune::LagText(result.lag)));
}

class Loop {
public:
    explicit Loop(const SimulatedEngine& engine)
    {
        services::install(&port_, &clock_, &dialogs_, &settings_);
        device_.setEngine(engine);
    }

    logs::DataLog drive(const QString& path)
    {
        mdlPublicVars::Reset();
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        Console console(outStream, errStream);
        RunCli(ParseCliArguments({"monitor", "--log", path, "--seconds", "120"}, {}), console);
        logs::ReadResult read = logs::ReadDataLog(path);
        return read.log ? *read.log : logs::DataLog{};
    }

    tuner::Table table() const
    {
        tuner::Table t{};
        for (int j = 0; j < tuner::TableSize; ++j)
            t[j] = static_cast<qint16>(tuner::DecodeEntry(device_.memory().cell('O', j)));
        return t;
    }
    void put(const tuner::Table& t)
    {
        for (int j = 0; j < tuner::TableSize; ++j)
            device_.memory().setCell('O', j, t[j] & 0xFF);
    }
    int eec() const { return device_.memory().registerValue(0x03); }

private:
    ManualClock clock_;
    MemorySettingsStore settings_;
    VentrixDevice device_;
    SimulatedPort port_{device_, clock_};
    QString errText_;
    QTextStream errStream_{&errText_};
    ConsoleDialogs dialogs_{errStream_};
};

struct Setting {
    const char* name;
    DriveCycle drive;
    const char* mafError;
    int injectors;        // really fitted; 0: as the registers say (19)
    double widebandDelay; // the transport delay; the lag is 0.1 s
};

const Setting Settings[] = {
    {"the documented curve 0.5:+8,2.5:-4,4.5:+12, tuning drive", DriveCycle::Tuning, "0.5:+8,2.5:-4,4.5:+12", 0, 0.5},
    {"errors of +-30 points 1.0:+30,2.5:-30,4.5:+30, tuning drive", DriveCycle::Tuning, "1.0:+30,2.5:-30,4.5:+30", 0,
     0.5},
    {"24 lb/hr injectors on a 19 lb/hr setting with the documented curve (the rich rail), tuning drive",
     DriveCycle::Tuning, "0.5:+8,2.5:-4,4.5:+12", 24, 0.5},
    {"1.0 s transport delay (1.1 s in all), pulls drive, the documented curve", DriveCycle::Pulls,
     "0.5:+8,2.5:-4,4.5:+12", 0, 1.0},
};
constexpr int Passes = 6;

void loopFigures(const QTemporaryDir& dir)
{
    for (const Setting& setting : Settings) {
        SimulatedEngine engine;
        engine.drive = setting.drive;
        engine.mafError.parse(QString::fromLatin1(setting.mafError), nullptr);
        engine.installedInjectors = setting.injectors;
        engine.widebandDelay = setting.widebandDelay;
        Loop loop(engine);
        autotune::Settings settings; // table O, 12.8:1, the defaults' rules
        settings.breakpointVolts = 2.5;
        settings.eecInjectorSize = loop.eec();

        std::array<bool, tuner_cells::CellCount> covered{};
        const auto errors = [&](const tuner::Table& table) {
            std::vector<double> e;
            for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
                if (covered[cell])
                    e.push_back(std::abs(engine_law::EntryError(engine, tuner::EntryOf(cell, 0),
                                                                table[tuner::EntryOf(cell, 0)], loop.eec())));
            std::sort(e.begin(), e.end());
            return e;
        };
        struct Row {
            double worst = 0, median = 0;
            int moved = 0, largest = 0;
            QString lag;
            double ms = 0;
        };
        std::vector<Row> rows;
        std::vector<tuner::Table> tables{loop.table()};
        for (int pass = 1; pass <= Passes; ++pass) {
            QElapsedTimer timer;
            timer.start();
            const logs::DataLog log = loop.drive(dir.filePath(QStringLiteral("pass%1.txt").arg(pass)));
            const tuner::Table before = loop.table();
            const autotune::Result result = autotune::Analyse({&log}, autotune::CellValuesOf(before), settings);
            if (pass == 1)
                for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
                    covered[cell] = result.cells[cell].outcome != autotune::CellOutcome::TooFew;
            const tuner::Table after = autotune::SuggestedTable(before, result);
            loop.put(after);
            Row row;
            for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
                const int change = after[tuner::EntryOf(cell, 0)] - before[tuner::EntryOf(cell, 0)];
                row.moved += change != 0;
                row.largest = std::max(row.largest, std::abs(change));
            }
            row.lag = autotune::LagText(result.lag);
            row.ms = timer.nsecsElapsed() / 1e6;
            rows.push_back(row);
            tables.push_back(after);
        }

        std::printf("\n%s\n", setting.name);
        int count = 0;
        for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
            count += covered[cell];
        std::printf("%d covered cells; error in points at each cell's own entry, after the pass\n", count);
        std::printf("| pass | worst | median | cells moved (largest move) | delay used |\n|---:|---:|---:|---|---|\n");
        for (std::size_t p = 0; p < tables.size(); ++p) {
            const std::vector<double> e = errors(tables[p]);
            const double worst = e.empty() ? 0 : e.back();
            const double median = e.empty() ? 0 : (e[(e.size() - 1) / 2] + e[e.size() / 2]) / 2;
            if (p == 0) {
                std::printf("| 0 | %.1f | %.1f | | |\n", worst, median);
                continue;
            }
            const Row& row = rows[p - 1];
            std::printf("| %zu | %.1f | %.1f | %d (%d) | %s |\n", p, worst, median, row.moved, row.largest,
                        qPrintable(row.lag));
        }
        std::printf("Final cells:");
        for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
            if (covered[cell])
                std::printf(" %d:%d(%+.1f)", cell, static_cast<int>(tables.back()[tuner::EntryOf(cell, 0)]),
                            engine_law::EntryError(engine, tuner::EntryOf(cell, 0),
                                                   tables.back()[tuner::EntryOf(cell, 0)], loop.eec()));
        double ms = 0;
        for (const Row& row : rows)
            ms += row.ms;
        std::printf("\nTime per pass (120 s of simulated logging, analysis, apply): %.0f ms\n", ms / rows.size());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double hours = argc > 1 ? std::max(0.01, std::atof(argv[1])) : 2.0;
    QTemporaryDir dir;
    analysisFigures(dir, hours);
    loopFigures(dir);
    return 0;
}

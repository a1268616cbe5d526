// Auto-tune: how long the analysis of a long log takes, and how the loop
// closes on the simulated engine.
//
// 1. A 2-hour drive at 20 samples a second (144,000 samples), written by the
//    monitor's own writer: the time to read it and the time to analyse it
//    (median of five rounds).
// 2. The loop: the simulated unit with the tuning drive and the MAF error
//    curve "0.5:+8,2.5:-4,4.5:+12", table O at zero; two minutes logged with
//    kestrel-cli monitor (in simulated time), analysed, the suggestion put
//    into the unit, three passes. Prints each cell's median |A/F error| at
//    wide-open throttle before and after each pass.
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
// them, some part throttle and a few gaps in the A/F.
LiveSample sampleAt(int i)
{
    const int hold = i / 60;  // 3 s a hold
    const bool wideOpen = hold % 3 != 0;
    LiveSample s;
    s.ThrottleAngle = wideOpen ? 85 : 25;
    s.TPSVoltage = 0.8 + s.ThrottleAngle / 25.04;
    s.MAFInputVoltage = 1.0 + 0.2 * (hold % 20) + 0.01 * std::sin(i * 0.3);
    s.OutputVoltage = s.MAFInputVoltage;
    s.InputFlow = 20 + s.MAFInputVoltage * 100;
    s.OutputFlow = s.InputFlow;
    s.AirFuelRatio = i % 211 == 0 ? 0.0f : static_cast<float>((wideOpen ? 12.8 : 14.7) * (1 + 0.05 * std::sin(hold)));
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
    std::printf("Analysis of %zu samples (%.1f h): read %.0f ms, analyse %.1f ms (target < 500 ms); %d used, %d rejected\n",
                log.size(), hours, readMs, analyseMs, result.accepted, result.rejectedTotal());
}

class Loop {
public:
    Loop()
    {
        services::install(&port_, &clock_, &dialogs_, &settings_);
        SimulatedEngine engine;
        engine.drive = DriveCycle::Tuning;
        engine.mafError.parse(QStringLiteral("0.5:+8,2.5:-4,4.5:+12"), nullptr);
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

private:
    ManualClock clock_;
    MemorySettingsStore settings_;
    VentrixDevice device_;
    SimulatedPort port_{device_, clock_};
    QString errText_;
    QTextStream errStream_{&errText_};
    ConsoleDialogs dialogs_{errStream_};
};

void loopFigures(const QTemporaryDir& dir)
{
    constexpr int Passes = 3;
    constexpr double Breakpoint = 2.5;
    Loop loop;
    autotune::Settings settings;
    settings.breakpointVolts = Breakpoint;
    std::vector<std::array<autotune::CellError, tuner_cells::CellCount>> errors;
    std::vector<double> passMs;
    logs::DataLog log = loop.drive(dir.filePath(QStringLiteral("pass0.txt")));
    errors.push_back(autotune::WideOpenErrors(log, Breakpoint, settings.target));
    for (int pass = 1; pass <= Passes; ++pass) {
        QElapsedTimer timer;
        timer.start();
        const tuner::Table before = loop.table();
        const autotune::Result result = autotune::Analyse({&log}, autotune::CellValuesOf(before), settings);
        loop.put(autotune::SuggestedTable(before, result));
        log = loop.drive(dir.filePath(QStringLiteral("pass%1.txt").arg(pass)));
        passMs.push_back(timer.nsecsElapsed() / 1e6);
        errors.push_back(autotune::WideOpenErrors(log, Breakpoint, settings.target));
    }

    std::printf("\nLoop on the simulated engine (MAF error 0.5:+8,2.5:-4,4.5:+12), median |A/F error| %% at W.O.T.:\n");
    std::printf("| cell | volts | W.O.T. samples | before | pass 1 | pass 2 | pass 3 | cell value after 3 |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    const tuner::Table final = loop.table();
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        if (errors[0][cell].samples < 10)
            continue;
        std::printf("| %d | %.1f | %d |", cell, tuner_cells::CellCaptionVolts(cell), errors[0][cell].samples);
        for (const auto& e : errors)
            std::printf(" %.2f |", e[cell].medianPercent);
        std::printf(" %d |\n", static_cast<int>(final[tuner::EntryOf(cell, 0)]));
    }
    std::printf("Worst cell: ");
    for (std::size_t p = 0; p < errors.size(); ++p) {
        double worst = 0;
        for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
            if (errors[p][cell].samples >= 10)
                worst = std::max(worst, errors[p][cell].medianPercent);
        std::printf("%s%.2f %%", p ? ", " : "", worst);
    }
    std::printf(" (before, passes 1 to %d)\nTime per pass (analysis, apply, 120 s of simulated logging): ", Passes);
    for (std::size_t p = 0; p < passMs.size(); ++p)
        std::printf("%s%.0f ms", p ? ", " : "", passMs[p]);
    std::printf("\n");
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

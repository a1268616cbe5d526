// LIVE AUTO-TUNE on the simulated engine: the graphical tuner on line to
// the in-process simulated unit on a manual clock (a sample every 50 ms of
// simulated time, then every 8 ms as at the link's speed, so ten minutes of
// driving take seconds), table O at zero,
// LIVE AUTO-TUNE on with its defaults (every 15 s, 3 points a step) and the
// wideband's delay timed from the drive. Prints per simulated minute the
// worst and the median covered cell's error (what the engine needs at the
// cell's own entry less what the unit's entry holds, in points), and what
// the live analysis costs a sample.
//
//   QT_QPA_PLATFORM=offscreen build/bench/live_autotune_bench
#include "BenchSupport.h"
#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "monitor/SampleRate.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/EngineLaw.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "tuner/LiveTunePanel.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QMainWindow>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Scenario {
    const char* name;
    DriveCycle drive;
    const char* mafError;
    double widebandDelay; // the transport delay; the sensor's lag is 0.1 s
    int authority;        // LIVE AUTO-TUNE's limit, +- points
    int step;             // and its most a step
};

const Scenario Scenarios[] = {
    {"the documented curve 0.5:+8,2.5:-4,4.5:+12, pulls drive, 0.8 s delay", DriveCycle::Pulls, "0.5:+8,2.5:-4,4.5:+12",
     0.8, 15, 3},
    {"errors of +-30 points 1.0:+30,2.5:-30,4.5:+30, pulls drive, 0.8 s delay (limit set to +-40, step to 6)",
     DriveCycle::Pulls, "1.0:+30,2.5:-30,4.5:+30", 0.8, 40, 6},
    {"the documented curve, tuning drive, 0.5 s delay", DriveCycle::Tuning, "0.5:+8,2.5:-4,4.5:+12", 0.5, 15, 3},
};
constexpr int Minutes = 10;
// A sample every 50 ms (the default timer), and every 8 ms (125 a second,
// about what the link carries at 57600 bit/s).
constexpr int TickMsChoices[] = {50, 8};

void run(const Scenario& scenario, const int tickMs)
{
    mdlPublicVars::Reset();
    ManualClock clock;
    bench::YesDialogs dialogs;
    MemorySettingsStore settings;
    if (tickMs < sample_rate::DefaultTickMs) // sampling as fast as the link answers
        settings.write("KESTREL", "Startup", "SampleRate", "max");
    VentrixDevice device;
    SimulatedEngine engine;
    engine.drive = scenario.drive;
    engine.mafError.parse(QString::fromLatin1(scenario.mafError), nullptr);
    engine.widebandDelay = scenario.widebandDelay;
    device.setEngine(engine);
    VentrixMemory& memory = device.memory();
    for (int reg = 0x02; reg <= 0x0D; ++reg)
        if (reg < 0x06 || reg > 0x09)
            memory.setRegister(reg, 19);
    memory.setRegister(0x00, 0x02); // the breakpoint at 2.5 V
    memory.setRegister(0x01, 0x00);
    SimulatedPort port(device, clock);
    port.setPortNumber(1);
    port.open();
    services::install(&port, &clock, &dialogs, &settings);
    mdlPublicVars::Connected = true;

    QMainWindow mainWindow;
    auto* bar = new QProgressBar(&mainWindow);
    bar->setObjectName(QStringLiteral("ProgressBar1"));
    mainWindow.setCentralWidget(bar);
    mdlMain::RegisterMainWindow(&mainWindow);

    auto* tuner = new frmGraphicalTune;
    tuner->Form_Load();
    tuner->cmdONLINE_Click();
    tuner->Timer1()->stop(); // the ticks below stand in for it
    LiveTunePanel& live = tuner->Live();
    tuner->findChild<QSpinBox*>(QStringLiteral("spnLiveAuthority"))->setValue(scenario.authority);
    tuner->findChild<QSpinBox*>(QStringLiteral("spnLiveCap"))->setValue(scenario.step);
    live.setRunning(true);

    const int eec = memory.registerValue(0x03);
    std::array<bool, tuner_cells::CellCount> covered{};
    struct Row {
        double worst = 0, median = 0;
    };
    std::vector<Row> rows;
    std::vector<double> takeUs;
    const auto errors = [&] {
        std::vector<double> e;
        for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
            if (covered[cell]) {
                const int entry = tuner::EntryOf(cell, 0);
                e.push_back(
                    std::abs(engine_law::EntryError(engine, entry, tuner::DecodeEntry(memory.cell('O', entry)), eec)));
            }
        std::sort(e.begin(), e.end());
        return e;
    };
    for (int minute = 1; minute <= Minutes; ++minute) {
        for (int tick = 0; tick < 60'000 / tickMs && tuner->Session().live(); ++tick) {
            clock.advance(tickMs);
            tuner->Timer1_Timer();
            if (tick % (50 / tickMs) != 0)
                continue; // a cell's samples build up for far longer than 50 ms
            const autotune::Result result = live.analysis().result({});
            for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
                covered[cell] = covered[cell] || result.cells[cell].samples >= 10;
        }
        const std::vector<double> e = errors();
        rows.push_back({e.empty() ? 0 : e.back(), e.empty() ? 0 : (e[(e.size() - 1) / 2] + e[e.size() / 2]) / 2});
    }
    const QString status = live.lblLiveStatus()->text();
    // The analysis and the captions' cost: the same drive's samples again,
    // each timed through the panel.
    QStringList samples;
    for (int i = 0; i < 2000; ++i) {
        clock.advance(tickMs);
        if (const std::optional<QString> sample = tuner->Session().takeSample())
            samples << *sample;
    }
    live.setRunning(false);
    for (const QString& sample : samples) {
        clock.advance(tickMs);
        takeUs.push_back(1e6 * bench::SecondsOf([&] { live.take(sample); }));
    }

    std::printf("\n%s, a sample every %d ms\n", scenario.name, tickMs);
    int count = 0;
    QString cells;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
        if (covered[cell]) {
            ++count;
            cells += QStringLiteral(" %1").arg(cell);
        }
    std::printf("%d covered cells (%s ); %s; %d applications\n", count, qPrintable(cells.trimmed()),
                qPrintable(autotune::LagText(live.analysis().lag())), live.applications());
    std::printf("| minute | worst | median |\n|---:|---:|---:|\n");
    const std::vector<double> start = [&] {
        std::vector<double> e;
        for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
            if (covered[cell])
                e.push_back(std::abs(engine_law::EntryError(engine, tuner::EntryOf(cell, 0), 0, eec)));
        std::sort(e.begin(), e.end());
        return e;
    }();
    if (!start.empty())
        std::printf("| 0 | %.1f | %.1f |\n", start.back(),
                    (start[(start.size() - 1) / 2] + start[start.size() / 2]) / 2);
    for (std::size_t m = 0; m < rows.size(); ++m)
        std::printf("| %zu | %.1f | %.1f |\n", m + 1, rows[m].worst, rows[m].median);
    std::printf("%s\n", qPrintable(status));
    std::printf("Final cells (value, error):");
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
        if (covered[cell]) {
            const int entry = tuner::EntryOf(cell, 0);
            const int value = tuner::DecodeEntry(memory.cell('O', entry));
            std::printf(" %d:%d(%+.1f)", cell, value, engine_law::EntryError(engine, entry, value, eec));
        }
    std::printf("\n");
    std::sort(takeUs.begin(), takeUs.end());
    std::printf("A sample through the live analysis and the captions: median %.1f us, 99th percentile %.1f us "
                "(target < 200 us)\n",
                takeUs[takeUs.size() / 2], takeUs[takeUs.size() * 99 / 100]);

    tuner->Session().close();
    delete tuner;
    mdlMain::RegisterMainWindow(nullptr);
    services::installPort(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    for (const Scenario& scenario : Scenarios)
        for (const int tickMs : TickMsChoices)
            run(scenario, tickMs);
    return 0;
}

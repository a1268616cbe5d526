// The live monitor running against ventrix-sim on a pseudo-terminal, paced
// at the cable's 57600 bit/s, with a data log: START answered Yes and a log
// file chosen, then the window left to run off screen. Prints the samples
// per second the monitor took (every one is a line of the log) and the
// processor share the program used meanwhile.
//
//   build/bench/monitor_bench [seconds]
#include "BenchSupport.h"
#include "PacedSimulator.h"
#include "link/QtSerialPort.h"
#include "link/SettingsStore.h"
#include "monitor/frmMONITOR.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 30;

    PacedSimulator simulator;
    if (!simulator.start())
        return 1;
    QtSerialPort& port = simulator.port();

    const QString logPath =
        QDir::temp().filePath(QStringLiteral("monitor_bench_%1.txt").arg(QCoreApplication::applicationPid()));
    SystemClock clock;
    bench::MonitorDialogs dialogs(MsgAnswer::Yes, logPath);
    MemorySettingsStore settings;
    services::install(&port, &clock, &dialogs, &settings);
    bench::ConnectedOnPortOne();
    mdlPublicVars::WotBreakpointVolts = 2.5;

    auto* monitor = new frmMONITOR;
    monitor->Form_Load();
    monitor->cmdADVANCED_Click();
    monitor->show();
    if (!mdlPublicVars::Connected) {
        std::fprintf(stderr, "the unit did not answer the probe\n");
        return 1;
    }
    monitor->cmdRUN_Click();
    if (!monitor->Timer1()->isActive()) {
        std::fprintf(stderr, "the monitor did not start\n");
        return 1;
    }

    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    // A loop of its own: quitting the application would close the window.
    QEventLoop run;
    QTimer::singleShot(seconds * 1000, &run, &QEventLoop::quit);
    run.exec();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const bool stillRunning = monitor->Timer1()->isActive();
    monitor->cmdSTOP_Click();
    delete monitor;
    port.close();

    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no log written\n");
        return 1;
    }
    const qsizetype lines = log.readAll().count("\r\n");
    log.close();
    QFile::remove(logPath);
    const qsizetype samples = std::max<qsizetype>(0, lines - 2);

    std::printf("run                      %.1f s, timer 50 ms, log on\n", wall);
    std::printf("samples logged           %lld%s\n", static_cast<long long>(samples),
                stillRunning ? "" : "  (the run stopped early)");
    std::printf("samples per second       %.2f  (target at least 19)\n", samples / wall);
    std::printf("program CPU              %.3f s  (%.1f %% of one core; target under 5 %%)\n", cpu, 100 * cpu / wall);
    return stillRunning && dialogs.failures == 0 ? 0 : 1;
}

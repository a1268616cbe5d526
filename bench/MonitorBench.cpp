// The live monitor running against ventrix-sim on a pseudo-terminal, paced
// at the cable's 57600 bit/s, with a data log: START answered Yes and a log
// file chosen, then the window left to run off screen. Prints the samples
// per second the monitor took (every one is a line of the log) and the
// processor share the program used meanwhile.
//
//   build/bench/monitor_bench [seconds]
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

namespace {

// Answers Yes to the logging question and names the log; tells every other
// message on standard error, where an unexpected one shows.
class BenchDialogs final : public Dialogs {
public:
    explicit BenchDialogs(QString logPath) : logPath_(std::move(logPath)) { }
    MsgAnswer message(MsgIcon, const QString& title, const QString& text, MsgButtons buttons) override
    {
        if (buttons == MsgButtons::YesNoCancel)
            return MsgAnswer::Yes;
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        if (title.contains(QLatin1String("Error")) || title.contains(QLatin1String("Failure")))
            ++failures;
        return MsgAnswer::Ok;
    }
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(const FileDialogRequest&) override { return logPath_; }
    int failures = 0;

private:
    QString logPath_;
};

} // namespace

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
    BenchDialogs dialogs(logPath);
    MemorySettingsStore settings;
    services::install(&port, &clock, &dialogs, &settings);
    mdlPublicVars::Connected = true;
    mdlPublicVars::InstalledInjectorSize = 19;
    mdlPublicVars::TpsKeyOnVolts = 0.8;
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

// The monitor and the graphical tuner sampling as fast as the link answers
// (or at a rate given), each against ventrix-sim on a pseudo-terminal,
// paced at the cable's 57600 bit/s, with a data log of every sample. Each
// window runs off screen for the time given; prints the samples per second
// it logged and the processor share the program used meanwhile.
//
//   build/bench/live_rate_bench [seconds] [max|HZ]
#include "PacedSimulator.h"
#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "monitor/SampleRate.h"
#include "monitor/frmMONITOR.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

// Yes to every question, the log file named; failures on standard error.
class LogDialogs final : public Dialogs {
public:
    explicit LogDialogs(QString logPath) : logPath_(std::move(logPath)) { }
    MsgAnswer message(MsgIcon, const QString& title, const QString& text, MsgButtons buttons) override
    {
        if (title.contains(QLatin1String("Error")) || title.contains(QLatin1String("Failure"))) {
            std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
            ++failures;
        }
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(const FileDialogRequest&) override { return logPath_; }
    int failures = 0;

private:
    QString logPath_;
};

struct Run {
    double wall = 0;
    double cpu = 0;
    qsizetype samples = 0;
    bool fine = false; // the log carries the thousandths column
};

// Lets the window sample for `seconds`, then counts the log's sample lines.
Run measure(int seconds, const QString& logPath, const std::function<void()>& stop)
{
    Run run;
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    run.cpu = ProcessCpuSeconds() - cpuBefore;
    stop();
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = log.readAll();
        run.samples = std::max<qsizetype>(0, bytes.count("\r\n") - 2);
        run.fine = bytes.split('\n').value(1).contains("\"ms\"");
    }
    QFile::remove(logPath);
    return run;
}

void report(const char* window, const Run& run, const QString& rate)
{
    std::printf("%-8s rate %-5s %.1f s: %lld samples logged%s, %.1f a second (target at least 120); "
                "CPU %.2f s, %.1f %% of one core (target under 10 %%)\n",
                window, qPrintable(rate), run.wall, static_cast<long long>(run.samples),
                run.fine ? " with thousandths" : "", run.samples / run.wall, run.cpu, 100 * run.cpu / run.wall);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 20;
    const QString rateText = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("max");
    if (!sample_rate::Parse(rateText)) {
        std::fprintf(stderr, "not a rate: %s\n", argv[2]);
        return 2;
    }

    PacedSimulator simulator;
    if (!simulator.start())
        return 1;
    const QString logPath =
        QDir::temp().filePath(QStringLiteral("live_rate_bench_%1.txt").arg(QCoreApplication::applicationPid()));
    SystemClock clock;
    LogDialogs dialogs(logPath);
    MemorySettingsStore settings;
    services::install(&simulator.port(), &clock, &dialogs, &settings);
    sample_rate::Store(*sample_rate::Parse(rateText));
    mdlPublicVars::Connected = true;
    mdlPublicVars::InstalledInjectorSize = 19;
    mdlPublicVars::TpsKeyOnVolts = 0.8;
    mdlPublicVars::WotBreakpointVolts = 2.5;

    // A stand-in main window for the tuner's progress bar and the status line.
    QMainWindow mainWindow;
    auto* bar = new QProgressBar(&mainWindow);
    bar->setObjectName(QStringLiteral("ProgressBar1"));
    mainWindow.setCentralWidget(bar);
    mainWindow.show();
    mdlMain::RegisterMainWindow(&mainWindow);

    auto* monitor = new frmMONITOR;
    monitor->Form_Load();
    monitor->cmdADVANCED_Click(); // full size: the SAMPLE RATE choice shows
    monitor->show();
    monitor->cmdRUN_Click();
    if (!monitor->Timer1()->isActive()) {
        std::fprintf(stderr, "the monitor did not start\n");
        return 1;
    }
    const Run monitorRun = measure(seconds, logPath, [&] {
        monitor->cmdSTOP_Click();
        monitor->cmdQUIT_Click();
    });

    auto* tuner = new frmGraphicalTune;
    tuner->show();
    tuner->Form_Load();
    tuner->cmdONLINE_Click();
    tuner->cmdDatalog_Click();
    const Run tunerRun = measure(seconds, logPath, [&] {
        tuner->cmdDatalog_Click();
        tuner->cmdOFFLINE_Click();
    });
    delete tuner;

    report("monitor", monitorRun, rateText);
    report("tuner", tunerRun, rateText);
    const QString status = mainWindow.statusBar()->currentMessage();
    if (status == sample_rate::FallBackText)
        std::printf("fell back: %s\n", qPrintable(status));
    mdlMain::RegisterMainWindow(nullptr);
    services::installPort(nullptr);
    return dialogs.failures == 0 ? 0 : 1;
}

// The live monitor running against ventrix-sim on a pseudo-terminal reached
// through a symbolic link (as a udev rule names an adapter), with the
// simulator stopped -- the cable pulled -- and started again under a fresh
// terminal name 20 times. For each replug: the time from the unit answering
// again (the new simulator has printed its terminal) to the first fresh
// sample the monitor took. Prints each time and the median.
//
//   build/bench/reconnect_bench [replugs]
#include "BenchSupport.h"
#include "link/QtSerialPort.h"
#include "link/SettingsStore.h"
#include "monitor/frmMONITOR.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool startSimulator(QProcess& process, const QString& link)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VENTRIX_SIM_PATH),
                  {QStringLiteral("--sim-pace"), QStringLiteral("--quiet"), QStringLiteral("--link"), link});
    return process.waitForStarted(5000) && process.waitForReadyRead(5000);
}

// Lets the program run until `done` holds or `ms` have passed.
bool runUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int replugs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ventrix"));
    auto simulator = std::make_unique<QProcess>();
    if (!startSimulator(*simulator, link)) {
        std::fprintf(stderr, "ventrix-sim did not start\n");
        return 1;
    }
    QtSerialPort port(port_names::Assignments{{1, link}});
    port.setPortNumber(1);
    if (port.open() != PortError::None) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(link));
        return 1;
    }
    port.setRts(true);
    SystemClock clock;
    bench::MonitorDialogs dialogs(MsgAnswer::No, {});
    MemorySettingsStore settings;
    services::install(&port, &clock, &dialogs, &settings);
    bench::ConnectedOnPortOne();

    auto* monitor = new frmMONITOR;
    monitor->Form_Load();
    monitor->show();
    monitor->cmdRUN_Click();
    int samples = 0;
    QObject::connect(monitor->findChild<MonitorSampling*>(), &MonitorSampling::sampled, [&] { ++samples; });
    if (!runUntil([&] { return samples > 10; }, 5000)) {
        std::fprintf(stderr, "the monitor did not start\n");
        return 1;
    }

    std::vector<double> times;
    for (int i = 0; i < replugs; ++i) {
        // Pulled: the terminal and its link go with the simulator.
        simulator->terminate();
        simulator->waitForFinished(3000);
        if (!runUntil([&] { return monitor->Reconnecting(); }, 60000)) {
            std::fprintf(stderr, "replug %d: the loss was not noticed\n", i + 1);
            return 1;
        }
        runUntil([] { return false; }, 1500); // unplugged for a while
        simulator = std::make_unique<QProcess>();
        if (!startSimulator(*simulator, link)) {
            std::fprintf(stderr, "ventrix-sim did not start again\n");
            return 1;
        }
        QElapsedTimer back;
        back.start();
        const int before = samples;
        if (!runUntil([&] { return samples > before; }, 30000)) {
            std::fprintf(stderr, "replug %d: no fresh sample within 30 s\n", i + 1);
            return 1;
        }
        times.push_back(back.elapsed() / 1000.0);
        std::printf("replug %2d   %.3f s\n", i + 1, times.back());
    }
    const double median = bench::Median(times);
    const double longest = *std::max_element(times.begin(), times.end());
    std::printf("unit answering again to first fresh sample: median %.3f s, longest %.3f s over %d replugs "
                "(target: median at most 3 s)\n",
                median, longest, replugs);
    std::printf("message boxes shown: %d\n", dialogs.messages);
    delete monitor;
    return median <= 3.0 && dialogs.messages == 0 ? 0 : 1;
}

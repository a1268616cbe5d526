// ventrix-sim: the simulated unit on a pseudo-terminal. Prints the device
// name on its first line, then serves until interrupted.

#include "PtyServer.h"

#include "platform/Clock.h"
#include "sim/SimOptions.h"
#include "sim/VentrixDevice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

void printError(const QString& message)
{
    std::fprintf(stderr, "ventrix-sim: %s\n", qPrintable(message));
}

// The memory is saved whenever it has changed, at most once a second, so
// that a crash loses little; and once more at the end.
class MemoryKeeper {
public:
    MemoryKeeper(const VentrixDevice& device, const SimOptions& options)
        : device_(device), options_(options), saved_(device.memory())
    {
        sinceSave_.start();
    }

    void maybeSave()
    {
        if (options_.memoryFile.isEmpty() || device_.memory() == saved_ || sinceSave_.elapsed() < 1000)
            return;
        save();
    }

    bool save()
    {
        sinceSave_.restart();
        QString error;
        if (!SaveDeviceMemory(device_, options_, &error)) {
            printError(error);
            return false;
        }
        saved_ = device_.memory();
        return true;
    }

private:
    const VentrixDevice& device_;
    const SimOptions& options_;
    VentrixMemory saved_;
    QElapsedTimer sinceSave_;
};

// A symbolic link at `link` to `device`, replacing whatever link was there.
bool PointLink(const QString& link, const QString& device, QString* error)
{
    const QString temporary = link + QStringLiteral(".new");
    QFile::remove(temporary);
    if (!QFile::link(device, temporary) || std::rename(qPrintable(temporary), qPrintable(link)) != 0) {
        *error = QStringLiteral("cannot point %1 at %2").arg(link, device);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const SimCommandLine line = ParseSimCommandLine(args);
    if (!line.error.isEmpty()) {
        printError(line.error);
        return 2;
    }
    if (line.help) {
        std::fputs(qPrintable(SimUsage()), stdout);
        return 0;
    }
    const SimOptions& options = line.options;
    QString error;
    VentrixDevice device;
    if (!SetUpDevice(device, options, &error)) {
        printError(error);
        return 2;
    }

    SystemClock clock;
    if (!line.quiet) {
        device.setFrameListener([&clock](const QByteArray& frame, const QByteArray& reply) {
            std::fprintf(stderr, "%10.3f  %s  ->  %s\n", clock.nowMs() / 1000.0, frame.constData(),
                         reply.isEmpty() ? "(no reply)" : reply.constData());
        });
    }

    PtyServer server(device, clock);
    if (!server.open(&error)) {
        printError(error);
        return 1;
    }

    // The stop signals stay blocked except while the server waits, so one
    // that arrives between two waits is not lost.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    struct sigaction action { };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    if (!line.linkPath.isEmpty() && !PointLink(line.linkPath, server.devicePath(), &error)) {
        printError(error);
        return 1;
    }

    MemoryKeeper keeper(device, options);
    // The "unplug" fault: the terminal closed for a time, then a new one
    // (under a new name with "replug-port"), the link pointed at it and its
    // name printed.
    qint64 replugAtMs = -1;
    server.run(waitMask, stopRequested, [&] {
        keeper.maybeSave();
        SimFaults& faults = device.faults();
        if (replugAtMs < 0 && faults.unplugAfter >= 0 && device.requestsHeard() >= faults.unplugAfter) {
            faults.unplugAfter = -1;
            server.close();
            if (!line.linkPath.isEmpty())
                QFile::remove(line.linkPath);
            replugAtMs = clock.nowMs() + faults.unplugMs;
            std::fprintf(stderr, "%10.3f  unplugged\n", clock.nowMs() / 1000.0);
        } else if (replugAtMs >= 0 && clock.nowMs() >= replugAtMs) {
            replugAtMs = -1;
            QString reopenError;
            if (!server.open(&reopenError, faults.replugPort > 0)
                || (!line.linkPath.isEmpty() && !PointLink(line.linkPath, server.devicePath(), &reopenError))) {
                printError(reopenError);
                stopRequested = 1;
                return;
            }
            std::fprintf(stderr, "%10.3f  plugged in again\n", clock.nowMs() / 1000.0);
            std::printf("%s\n", qPrintable(server.devicePath()));
            std::fflush(stdout);
        }
    });
    server.close();
    if (!line.linkPath.isEmpty())
        QFile::remove(line.linkPath);
    return keeper.save() ? 0 : 1;
}

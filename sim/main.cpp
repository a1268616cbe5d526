// ventrix-sim: the simulated unit on a pseudo-terminal. Prints the device
// name on its first line, then serves until interrupted.

#include "PtyServer.h"

#include "platform/Clock.h"
#include "sim/SimOptions.h"
#include "sim/VentrixDevice.h"

#include <QElapsedTimer>
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

    MemoryKeeper keeper(device, options);
    server.run(waitMask, stopRequested, [&keeper] { keeper.maybeSave(); });
    return keeper.save() ? 0 : 1;
}

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

QString usage()
{
    return QStringLiteral(
               "Usage: ventrix-sim [OPTIONS]\n"
               "Serves a simulated Ventrix on a pseudo-terminal. The first line written to\n"
               "standard output is the terminal's device name; open it as the serial port.\n"
               "Every frame received and the reply sent are logged on standard error.\n"
               "SIGINT or SIGTERM ends the program, saving the memory file if one was named.\n"
               "\n"
               "  --quiet                     do not log frames\n"
               "  --help                      show this text\n"
               "\n"
               "The options of kestrel --simulate, with or without their \"sim-\" prefix\n"
               "(--memory FILE and --sim-memory FILE are the same; --sim-port and --sim-ports\n"
               "mean nothing here and are ignored):\n")
        + SimOptionsHelp();
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
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    const bool quiet = args.removeAll(QStringLiteral("--quiet")) > 0;
    args = WithSimPrefix(args);
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1String("-")) && !arg.startsWith(QLatin1String("--sim-"))) {
            printError(QStringLiteral("unknown option %1 (see --help)").arg(arg));
            return 2;
        }
    }

    QString error;
    const SimOptions options = ParseSimOptions(args, &error);
    if (!error.isEmpty()) {
        printError(error);
        return 2;
    }
    VentrixDevice device;
    if (!SetUpDevice(device, options, &error)) {
        printError(error);
        return 2;
    }

    SystemClock clock;
    if (!quiet) {
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
    struct sigaction action {};
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

// kestrel-cli: the Ventrix's device work without a window.
#include "app/Version.h"
#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "link/QtSerialPort.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimOptions.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interruptedFlag = 0;

// The first Ctrl-C asks for a clean end once the request in flight is
// answered (the next sample, entry or cell is not asked for); a second one,
// for a unit that keeps a request waiting, ends the program at once (every
// log line written so far is already in the file; no export or listing file
// has been started).
void onInterrupt(int signal)
{
    if (interruptedFlag) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    interruptedFlag = 1;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CliArguments arguments = ParseCliArguments(args, qEnvironmentVariable("KESTREL_PORTS"));
    if (!arguments.error.isEmpty()) {
        err << "kestrel-cli: " << arguments.error << Qt::endl;
        return exit_status::BadInput;
    }
    if (arguments.help) {
        out << CliHelp(arguments.command, SimOptionsHelp()) << Qt::flush;
        return exit_status::Done;
    }
    if (arguments.version) {
        out << kestrel::version::Major << '.' << kestrel::version::Minor << '.' << kestrel::version::Revision
            << Qt::endl;
        return exit_status::Done;
    }

    QCoreApplication app(argc, argv);
    // The same settings store as the windowed program: the same last port.
    QCoreApplication::setOrganizationName(QStringLiteral("KESTREL"));
    QCoreApplication::setApplicationName(QStringLiteral("KESTREL"));

    SystemClock clock;
    ConsoleDialogs dialogs(err);
    QtSettingsStore settings;

    const SimOptions& simOptions = arguments.common.sim;
    std::unique_ptr<VentrixDevice> device;
    std::unique_ptr<SerialPort> port;
    if (arguments.common.simulate) {
        QString error;
        device = std::make_unique<VentrixDevice>();
        if (!SetUpDevice(*device, simOptions, &error)) {
            err << "kestrel-cli: " << error << Qt::endl;
            return exit_status::BadInput;
        }
        auto simulated = std::make_unique<SimulatedPort>(*device, clock);
        SetUpPort(*simulated, simOptions);
        port = std::move(simulated);
    } else {
        port = std::make_unique<QtSerialPort>(arguments.common.ports);
    }
    services::install(port.get(), &clock, &dialogs, &settings);

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    Console console{out, err};
    console.canAsk = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    console.progressInPlace = isatty(STDERR_FILENO);
    console.readAnswer = [] {
        std::string line;
        std::getline(std::cin, line);
        return QString::fromStdString(line);
    };
    console.interrupted = [] { return interruptedFlag != 0; };

    const int status = RunCli(arguments, console);
    out.flush();
    err.flush();

    if (device) {
        QString error;
        if (!SaveDeviceMemory(*device, simOptions, &error))
            err << "kestrel-cli: " << error << Qt::endl;
    }
    return status;
}

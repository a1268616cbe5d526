// kestrel: the program's entry point.
#include "app/CommandLine.h"
#include "app/OffLineTune.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "app/frmMain.h"
#include "link/QtSerialPort.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "sim/SimOptions.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "tunefile/TuneHistory.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // Help and version need no window system, so they come before it.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = ParseCommandLine(args, qEnvironmentVariable("KESTREL_PORTS"));
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "kestrel: %s\n", qPrintable(line.error));
        return 2;
    }
    if (line.showHelp) {
        std::printf("%s", qPrintable(CommandLineHelp(SimOptionsHelp())));
        return 0;
    }
    if (line.showVersion) {
        std::printf("%d.%d.%d\n", kestrel::version::Major, kestrel::version::Minor, kestrel::version::Revision);
        return 0;
    }

    // A tune file that cannot be opened ends the start as a bad argument does.
    if (!line.tunePath.isEmpty()) {
        QString why;
        if (!offline::ReadTune(line.tunePath, &why)) {
            std::fprintf(stderr, "kestrel: %s\n", qPrintable(why));
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KESTREL"));
    QApplication::setApplicationName(QStringLiteral("KESTREL"));

    SystemClock clock;
    WidgetDialogs dialogs;
    QtSettingsStore settings;

    // With --simulate the unit lives in this process, behind the same port
    // interface as a real cable.
    const SimOptions& simOptions = line.sim;
    std::unique_ptr<VentrixDevice> device;
    std::unique_ptr<SerialPort> port;
    if (line.simulate) {
        QString error;
        device = std::make_unique<VentrixDevice>();
        if (!SetUpDevice(*device, simOptions, &error)) {
            std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
            return 2;
        }
        auto simulated = std::make_unique<SimulatedPort>(*device, clock);
        SetUpPort(*simulated, simOptions);
        port = std::move(simulated);
    } else {
        port = std::make_unique<QtSerialPort>(line.ports);
    }

    services::install(port.get(), &clock, &dialogs, &settings);
    // A tune history that cannot be used is told once; the program works on without it.
    tune_history::SetFailureReporter([](const QString& text) {
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Tune History"), text);
    });
    frmMain main(std::move(port));
    dialogs.setParent(&main);
    QTimer::singleShot(0, &main, [&main, &line] {
        if (!line.tunePath.isEmpty())
            main.LoadTuneOffLine(line.tunePath);
        RunStartupSequence(main);
        if (!line.logPath.isEmpty())
            main.OpenLog(line.logPath);
    });
    const int status = QApplication::exec();

    if (device) {
        QString error;
        if (!SaveDeviceMemory(*device, simOptions, &error))
            std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
    }
    return status;
}

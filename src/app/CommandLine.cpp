#include "app/CommandLine.h"

namespace {

bool isQtOption(const QString& arg)
{
    return arg.startsWith(QLatin1Char('-')) && !arg.startsWith(QLatin1String("--")) && arg.size() > 2;
}

bool takesValue(const QString& arg)
{
    static const QStringList withValue = {"-platform", "-platformpluginpath", "-platformtheme", "-style",
                                          "-stylesheet", "-display", "-geometry", "-qwindowgeometry",
                                          "-qwindowtitle", "-qwindowicon", "-plugin"};
    return withValue.contains(arg);
}

} // namespace

CommandLine ParseCommandLine(const QStringList& args, const QString& portsFromEnvironment)
{
    CommandLine line;
    if (!portsFromEnvironment.trimmed().isEmpty()
        && !port_names::ParseAssignments(portsFromEnvironment, line.ports, &line.error)) {
        line.error = QStringLiteral("KESTREL_PORTS: ") + line.error;
        return line;
    }

    port_names::Assignments fromOptions;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--simulate")) {
            line.simulate = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.showHelp = true;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            line.showVersion = true;
        } else if (arg == QLatin1String("--port") || arg.startsWith(QLatin1String("--port="))) {
            QString value;
            if (arg == QLatin1String("--port")) {
                if (i + 1 >= args.size()) {
                    line.error = QStringLiteral("--port needs NUMBER=DEVICE");
                    return line;
                }
                value = args.at(++i);
            } else {
                value = arg.mid(7);
            }
            if (!port_names::ParseAssignments(value, fromOptions, &line.error)) {
                line.error = QStringLiteral("--port: ") + line.error;
                return line;
            }
        } else if (arg == QLatin1String("--log") || arg.startsWith(QLatin1String("--log="))) {
            if (arg == QLatin1String("--log") && i + 1 >= args.size()) {
                line.error = QStringLiteral("--log needs a FILE");
                return line;
            }
            line.logPath = arg == QLatin1String("--log") ? args.at(++i) : arg.mid(6);
        } else if (arg == QLatin1String("--tune") || arg.startsWith(QLatin1String("--tune="))) {
            if (arg == QLatin1String("--tune") && i + 1 >= args.size()) {
                line.error = QStringLiteral("--tune needs a FILE");
                return line;
            }
            line.tunePath = arg == QLatin1String("--tune") ? args.at(++i) : arg.mid(7);
        } else if (arg.startsWith(QLatin1String("--sim-"))) {
            line.simulatorArguments << arg;
            if (SimulatorValueFollows(arg) && i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1String("--")))
                line.simulatorArguments << args.at(++i);
        } else if (isQtOption(arg)) {
            // The window system's own options (-platform offscreen, ...) are Qt's to read.
            if (takesValue(arg) && i + 1 < args.size())
                ++i;
        } else {
            line.error = QStringLiteral("unknown option '%1' (try --help)").arg(arg);
            return line;
        }
    }
    if (!fromOptions.isEmpty())
        line.ports = fromOptions;
    // The tune opened off line has a simulated unit of its own.
    if (!line.tunePath.isEmpty() && (line.simulate || !line.simulatorArguments.isEmpty()))
        line.error = QStringLiteral("--tune opens the file in a simulated unit of its own: "
                                    "leave out --simulate and the --sim- options");
    return line;
}

QString CommandLineHelp(const QString& simulatorHelp)
{
    return QStringLiteral(
               "Usage: kestrel [options]\n"
               "Tuning and diagnostics for the Ventrix MAF signal translator.\n"
               "\n"
               "  --simulate            work with a simulated Ventrix instead of a serial port\n"
               "  --port N=DEVICE       port number N means DEVICE (repeatable; also\n"
               "                        KESTREL_PORTS=\"1=/dev/ttyUSB0,3=/dev/pts/4\").\n"
               "                        Without it, ports 1 to 6 are the serial devices present,\n"
               "                        USB adapters (ttyUSB, ttyACM) before built-in ports (ttyS);\n"
               "                        on Windows port N is COMN.\n"
               "  --log FILE            open a data log (the monitor's or the graphical tuner's)\n"
               "  --tune FILE           open a tune file off line: every window works on it\n"
               "                        without a unit, and File > Save Tune writes it back\n"
               "  --version             print the version and exit\n"
               "  --help                print this help and exit\n"
               "\n"
               "Simulated Ventrix (with --simulate):\n")
        + simulatorHelp;
}

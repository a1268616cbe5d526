#include "app/CommandLine.h"

#include <QRegularExpression>

namespace {

bool isQtOption(const QString& arg)
{
    return arg.startsWith(QLatin1Char('-')) && !arg.startsWith(QLatin1String("--")) && arg.size() > 2;
}

bool takesValue(const QString& arg)
{
    static const QStringList withValue = {
        "-platform", "-platformpluginpath", "-platformtheme", "-style",       "-stylesheet", "-display",
        "-geometry", "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-plugin"};
    return withValue.contains(arg);
}

// The window system's own options (-platform offscreen, ...) are Qt's to read.
QStringList withoutWindowSystemOptions(const QStringList& args)
{
    QStringList ours;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!isQtOption(args.at(i)))
            ours << args.at(i);
        else if (takesValue(args.at(i)) && i + 1 < args.size())
            ++i;
    }
    return ours;
}

} // namespace

QList<OptionDefinition> SharedOptionDefinitions()
{
    return QList<OptionDefinition>{{{"port"}, "NUMBER=DEVICE"}, {{"simulate"}, {}}} + SimOptionDefinitions();
}

bool ReadSharedOptions(const OptionParser& parser, const QString& portsFromEnvironment, CommandLine& line)
{
    if (!portsFromEnvironment.trimmed().isEmpty()
        && !port_names::ParseAssignments(portsFromEnvironment, line.ports, &line.error)) {
        line.error = QStringLiteral("KESTREL_PORTS: ") + line.error;
        return false;
    }
    port_names::Assignments fromOptions;
    for (const QString& value : parser.values(QStringLiteral("port"))) {
        if (!port_names::ParseAssignments(value, fromOptions, &line.error)) {
            line.error = QStringLiteral("--port: ") + line.error;
            return false;
        }
    }
    if (!fromOptions.isEmpty())
        line.ports = fromOptions;

    line.simulate = parser.isSet(QStringLiteral("simulate"));
    const QStringList simulatorOptions = parser.given().filter(QRegularExpression(QStringLiteral("^--sim-")));
    if (!line.simulate && !simulatorOptions.isEmpty()) {
        line.error = QStringLiteral("the simulated Ventrix's options need --simulate: %1")
                         .arg(simulatorOptions.join(QStringLiteral(", ")));
        return false;
    }
    return ReadSimOptions(parser, line.sim, &line.error);
}

CommandLine ParseCommandLine(const QStringList& args, const QString& portsFromEnvironment)
{
    CommandLine line;
    OptionParser parser(
        QList<OptionDefinition>{{{"help", "h"}, {}}, {{"version", "v"}, {}}, {{"log"}, "a FILE"}, {{"tune"}, "a FILE"}}
        + SharedOptionDefinitions());
    if (!parser.parse(withoutWindowSystemOptions(args))) {
        line.error = parser.error();
        return line;
    }
    if (!parser.operands().isEmpty()) {
        line.error = QStringLiteral("unknown option '%1' (try --help)").arg(parser.operands().first());
        return line;
    }
    line.showHelp = parser.isSet(QStringLiteral("help"));
    line.showVersion = parser.isSet(QStringLiteral("version"));
    line.logPath = parser.value(QStringLiteral("log"));
    line.tunePath = parser.value(QStringLiteral("tune"));
    // The tune opened off line has a simulated unit of its own.
    if (!line.tunePath.isEmpty() && !parser.givenExcept({"help", "version", "log", "tune", "port"}).isEmpty()) {
        line.error = QStringLiteral("--tune opens the file in a simulated unit of its own: "
                                    "leave out --simulate and the --sim- options");
        return line;
    }
    ReadSharedOptions(parser, portsFromEnvironment, line);
    return line;
}

QString CommandLineHelp(const QString& simulatorHelp)
{
    return QStringLiteral("Usage: kestrel [options]\n"
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

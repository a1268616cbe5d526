#include "sim/SimOptions.h"

#include "sim/Hex.h"
#include "sim/SimulatedPort.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString Prefix = QStringLiteral("--sim-");

// Options that take a value (the simulated wideband's last), and the flags,
// which take none; each is "--sim-" and its name.
const QStringList ValueOptions = {"stage",     "memory",       "turnaround",     "port",        "ports",
                                  "fault",     "firmware",     "register",       "maf-key-on",  "tps-key-on",
                                  "tune",      "self-test-ms", "latency-ms",     "drive",       "maf-error",
                                  "injectors", "seed",         "wideband-delay", "wideband-lag"};
const QStringList Flags = {"pace", "no-low-latency"};

bool toInt(const QString& text, int minimum, int maximum, int& into)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return false;
    into = value;
    return true;
}

bool toVolts(const QString& text, double& into)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < 0.0 || value > 5.0)
        return false;
    into = value;
    return true;
}

// One option with its value into the options; the error names what is wrong.
QString applyOption(SimOptions& options, const QString& name, const QString& value)
{
    const auto bad = [&](const char* expected) {
        return QStringLiteral("%1%2: expected %3, got \"%4\"").arg(Prefix, name, QLatin1String(expected), value);
    };
    if (name == QLatin1String("stage")) {
        int code = 0;
        if (value == QLatin1String("plus"))
            code = VentrixMemory::PlusStageCode;
        else if (value == QLatin1String("base"))
            code = VentrixMemory::BaseStageCode;
        else if (!toInt(value, 0, 255, code))
            return bad("plus, base or a code 0 to 255");
        options.stageCode = code;
    } else if (name == QLatin1String("memory")) {
        if (value.isEmpty())
            return bad("a file name");
        options.memoryFile = value;
    } else if (name == QLatin1String("turnaround")) {
        bool ok = false;
        const double ms = value.toDouble(&ok);
        if (!ok || ms < 0.0 || ms > 10'000.0)
            return bad("milliseconds, e.g. 0.2");
        options.turnaroundUs = static_cast<int>(ms * 1000.0 + 0.5);
    } else if (name == QLatin1String("port")) {
        if (!toInt(value, 1, 255, options.unitPort))
            return bad("a port number 1 to 255");
    } else if (name == QLatin1String("ports")) {
        QList<int> numbers;
        for (const QString& part : value.split(QLatin1Char(','))) {
            int number = 0;
            if (!toInt(part.trimmed(), 1, 255, number))
                return bad("port numbers separated by commas, e.g. 1,2,3");
            numbers.append(number);
        }
        options.existingPorts = numbers;
    } else if (name == QLatin1String("fault")) {
        QString why;
        if (!options.faults.apply(value, &why))
            return Prefix + name + QStringLiteral(": ") + why;
    } else if (name == QLatin1String("firmware")) {
        static const QRegularExpression pattern(QStringLiteral("^([0-9])\\.([0-9]{2})$"));
        const QRegularExpressionMatch match = pattern.match(value);
        if (!match.hasMatch())
            return bad("a revision like 1.23");
        options.firmwareMajor = match.captured(1).toInt();
        options.firmwareMinor = match.captured(2).toInt();
    } else if (name == QLatin1String("register")) {
        const QStringList parts = value.split(QLatin1Char('='));
        int reg = 0;
        int byte = 0;
        if (parts.size() != 2 || !sim_hex::ParseByte(parts[0].toLatin1(), reg)
            || !sim_hex::ParseByte(parts[1].toLatin1(), byte) || reg >= VentrixMemory::RegisterCount)
            return bad("RR=VV in hexadecimal, register 00 to 13");
        options.registers[reg] = byte;
    } else if (name == QLatin1String("maf-key-on")) {
        if (!toVolts(value, options.mafKeyOnVolts))
            return bad("volts 0 to 5");
    } else if (name == QLatin1String("tps-key-on")) {
        if (!toVolts(value, options.tpsKeyOnVolts))
            return bad("volts 0 to 5");
    } else if (name == QLatin1String("tune")) {
        if (!toInt(value, 1, 2, options.activeTune))
            return bad("1 or 2");
    } else if (name == QLatin1String("self-test-ms")) {
        if (!toInt(value, 0, 3'600'000, options.selfTestMs))
            return bad("milliseconds");
    } else if (name == QLatin1String("latency-ms")) {
        if (!toInt(value, 0, 255, options.latencyTimerMs))
            return bad("milliseconds 0 to 255");
    } else if (name == QLatin1String("drive")) {
        if (value == QLatin1String("sweep"))
            options.engine.drive = DriveCycle::Sweep;
        else if (value == QLatin1String("tuning"))
            options.engine.drive = DriveCycle::Tuning;
        else if (value == QLatin1String("pulls"))
            options.engine.drive = DriveCycle::Pulls;
        else
            return bad("sweep, tuning or pulls");
    } else if (name == QLatin1String("maf-error")) {
        QString why;
        if (!options.engine.mafError.parse(value, &why))
            return Prefix + name + QStringLiteral(": ") + why;
    } else if (name == QLatin1String("injectors")) {
        if (!toInt(value, 1, 255, options.engine.installedInjectors))
            return bad("an injector size in lb/hr, 1 to 255");
    } else if (name == QLatin1String("seed")) {
        bool ok = false;
        const qulonglong seed = value.toULongLong(&ok);
        if (!ok)
            return bad("a whole number");
        options.engine.seed = seed;
    }

    // The simulated wideband: its transport delay and its time constant.
    if (name == QLatin1String("wideband-delay") || name == QLatin1String("wideband-lag")) {
        const bool delay = name == QLatin1String("wideband-delay");
        const double most = delay ? engine_law::MostWidebandDelay : engine_law::MostWidebandLag;
        bool ok = false;
        const double seconds = value.toDouble(&ok);
        if (!ok || !(seconds >= 0.0 && seconds <= most))
            return delay ? bad("seconds 0 to 3, e.g. 0.5") : bad("seconds 0 to 2, e.g. 0.1");
        (delay ? options.engine.widebandDelay : options.engine.widebandLag) = seconds;
    }
    return {};
}

} // namespace

QList<OptionDefinition> SimOptionDefinitions(bool withBareNames)
{
    QList<OptionDefinition> definitions;
    for (const QStringList* names : {&ValueOptions, &Flags}) {
        for (const QString& name : *names) {
            OptionDefinition definition{{QStringLiteral("sim-") + name},
                                        names == &Flags ? QString() : QStringLiteral("a value")};
            if (withBareNames)
                definition.names << name;
            definitions << definition;
        }
    }
    return definitions;
}

bool ReadSimOptions(const OptionParser& parser, SimOptions& options, QString* error)
{
    options.pace = options.pace || parser.isSet(QStringLiteral("sim-pace"));
    options.grantsLowLatency = options.grantsLowLatency && !parser.isSet(QStringLiteral("sim-no-low-latency"));
    for (const QString& name : ValueOptions) {
        for (const QString& value : parser.values(QStringLiteral("sim-") + name)) {
            const QString problem = applyOption(options, name, value);
            if (!problem.isEmpty()) {
                if (error)
                    *error = problem;
                return false;
            }
        }
    }
    return true;
}

SimCommandLine ParseSimCommandLine(const QStringList& args)
{
    SimCommandLine line;
    OptionParser parser(SimOptionDefinitions(true)
                        + QList<OptionDefinition>{{{"quiet"}, {}}, {{"link"}, "a path"}, {{"help", "h"}, {}}});
    if (!parser.parse(args)) {
        line.error = parser.error();
        return line;
    }
    if (!parser.operands().isEmpty()) {
        line.error = QStringLiteral("unexpected argument '%1' (try --help)").arg(parser.operands().first());
        return line;
    }
    line.quiet = parser.isSet(QStringLiteral("quiet"));
    line.linkPath = parser.value(QStringLiteral("link"));
    line.help = parser.isSet(QStringLiteral("help"));
    ReadSimOptions(parser, line.options, &line.error);
    return line;
}

QString SimUsage()
{
    return QStringLiteral("Usage: ventrix-sim [OPTIONS]\n"
                          "Serves a simulated Ventrix on a pseudo-terminal. The first line written to\n"
                          "standard output is the terminal's device name; open it as the serial port.\n"
                          "Every frame received and the reply sent are logged on standard error.\n"
                          "SIGINT or SIGTERM ends the program, saving the memory file if one was named.\n"
                          "\n"
                          "  --quiet                     do not log frames\n"
                          "  --link PATH                 a symbolic link at PATH to the terminal, kept\n"
                          "                              pointing at it (also after an unplug fault);\n"
                          "                              a terminal plugged in again prints its name\n"
                          "  --help                      show this text\n"
                          "\n"
                          "The options of kestrel --simulate, with or without their \"sim-\" prefix\n"
                          "(--memory FILE and --sim-memory FILE are the same; --sim-port and --sim-ports\n"
                          "mean nothing here and are ignored):\n")
        + SimOptionsHelp();
}

QString SimOptionsHelp()
{
    return QStringLiteral(
               "  --sim-stage plus|base|CODE  stage code reported at power-up (plus 2, base 1)\n"
               "  --sim-memory FILE           keep the unit's memory in FILE between runs\n"
               "  --sim-pace                  replies take their time at 57600 bit/s\n"
               "  --sim-turnaround MS         the unit's turnaround when pacing (default 0.2)\n"
               "  --sim-port N                the port number the unit is on (default 1)\n"
               "  --sim-ports N,N,...         the port numbers that exist (default 1,2,3,4,5,6)\n"
               "  --sim-firmware M.NN         firmware revision (default 1.23)\n"
               "  --sim-register RR=VV        set a register, both in hex (repeatable)\n"
               "  --sim-maf-key-on VOLTS      MAF voltage measured at power-up (default 0.6)\n"
               "  --sim-tps-key-on VOLTS      TPS voltage measured at power-up (default 0.8)\n"
               "  --sim-tune 1|2              the tune the flip-chip selects (default 1)\n"
               "  --sim-self-test-ms MS       how long the self-test takes (default 2000)\n"
               "  --sim-latency-ms MS         a USB adapter's latency timer holding replies (default 0)\n"
               "  --sim-no-low-latency        the adapter refuses the program's low-latency request\n"
               "  --sim-drive sweep|tuning|pulls  the engine's drive: a 30 s sweep (default), the 2-minute\n"
               "                              tuning drive (part throttle and W.O.T. through every cell) or\n"
               "                              2 minutes of closed-loop cruise and W.O.T. pulls from 1.2 to\n"
               "                              4.8 V at the MAF at 0.5 to 0.9 V/s, lift-offs and overruns\n"
               "  --sim-maf-error V:P,...     MAF sensor error, percent at volts, e.g. \"0.5:+8,2.5:-4,4.5:+12\"\n"
               "  --sim-injectors SIZE        injectors really installed (lb/hr); the registers keep\n"
               "                              what the engine computer assumes\n"
               "  --sim-seed N                seed of the wideband's noise (default 1)\n"
               "  --sim-wideband-delay S      seconds from the fuel's metering to the wideband (default 0.5)\n"
               "  --sim-wideband-lag S        the wideband's time constant after that (default 0.1; 0.6 s\n"
               "                              in all); it reads between its rails, 10.0 and 20.0\n"
               "  --sim-fault NAME[=VALUE]    misbehave (repeatable); NAME is one of:\n")
        + SimFaults::Help();
}

bool SetUpDevice(VentrixDevice& device, const SimOptions& options, QString* error)
{
    if (!options.memoryFile.isEmpty() && QFileInfo::exists(options.memoryFile)) {
        if (!device.memory().load(options.memoryFile, error))
            return false;
    }
    VentrixMemory& memory = device.memory();
    if (options.stageCode)
        memory.setStageCode(*options.stageCode);
    for (auto it = options.registers.cbegin(); it != options.registers.cend(); ++it)
        memory.setRegister(it.key(), it.value());
    device.setFirmware(options.firmwareMajor, options.firmwareMinor);
    device.setKeyOnVolts(options.mafKeyOnVolts, options.tpsKeyOnVolts);
    device.setActiveTune(options.activeTune);
    device.setSelfTestMs(options.selfTestMs);
    device.setPacing(options.pace);
    device.setTurnaroundUs(options.turnaroundUs);
    device.setFaults(options.faults);
    device.setEngine(options.engine);
    return true;
}

void SetUpPort(SimulatedPort& port, const SimOptions& options)
{
    port.setExistingPorts(options.existingPorts);
    port.setUnitPort(options.unitPort);
    port.setLatencyTimerMs(options.latencyTimerMs);
    port.setGrantsLowLatency(options.grantsLowLatency);
}

bool SaveDeviceMemory(const VentrixDevice& device, const SimOptions& options, QString* error)
{
    return options.memoryFile.isEmpty() || device.memory().save(options.memoryFile, error);
}

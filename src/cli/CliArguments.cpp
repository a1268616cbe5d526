#include "cli/CliArguments.h"

#include "cli/CliAutotune.h"

namespace {

// kestrel-cli's options and the commands that take them (none named: every
// command).
struct CliOption {
    OptionDefinition definition;
    QStringList commands;
};

const QList<CliOption>& cliOptions()
{
    static const QList<CliOption> options = [] {
        const QStringList overwriting = {"import", "restore", "history", "write", "fill"};
        const QStringList importing = {"import", "restore", "history"};
        QList<CliOption> all = {
            {{{"help", "h"}, {}}, {}},
            {{{"version"}, {}}, {}},
            {{{"yes", "y"}, {}}, overwriting},
            {{{"verify"}, {}}, importing},
            {{{"no-verify"}, {}}, importing},
            {{{"no-backup"}, {}}, importing},
            {{{"o", "output"}, "a value"}, {"list", "log", "autotune"}},
            {{{"log"}, "a value"}, {"monitor"}},
            {{{"seconds"}, "a value"}, {"monitor"}},
            {{{"rate"}, "a value"}, {"monitor"}},
            {{{"injectors"}, "a value"}, {"read", "write", "list"}},
            {{{"registers"}, {}}, {"history"}},
        };
        // history restore takes --table as autotune does (one table's letter).
        for (const QString& option : cli_autotune::ValueOptions)
            all << CliOption{{{option.mid(2)}, "a value"},
                             option == QLatin1String("--table") ? QStringList{"autotune", "history"}
                                                                : QStringList{"autotune"}};
        for (const QString& option : cli_autotune::FlagOptions)
            all << CliOption{{{option.mid(2)}, {}}, {"autotune"}};
        for (const OptionDefinition& definition : SharedOptionDefinitions())
            all << CliOption{definition, {}};
        return all;
    }();
    return options;
}

// The options' values into cli; false with cli.error set.
bool readValues(const OptionParser& parser, CliArguments& cli)
{
    cli.yes = parser.isSet(QStringLiteral("yes"));
    cli.verify = !parser.isSet(QStringLiteral("no-verify"))
        || parser.lastIndexOf(QStringLiteral("verify")) > parser.lastIndexOf(QStringLiteral("no-verify"));
    cli.backup = !parser.isSet(QStringLiteral("no-backup"));
    // An empty file name would quietly mean "no file" (standard output, no log).
    for (const auto& [name, into] :
         {std::pair{QStringLiteral("output"), &cli.output}, std::pair{QStringLiteral("log"), &cli.logPath}}) {
        if (!parser.isSet(name))
            continue;
        *into = parser.value(name);
        if (into->isEmpty()) {
            cli.error = QStringLiteral("%1 needs a file name").arg(parser.typedAs(name));
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("seconds"))) {
        const std::optional<double> seconds = FiniteNumber(parser.value(QStringLiteral("seconds")));
        if (!seconds || *seconds <= 0 || *seconds > MaximumMonitorSeconds) {
            cli.error = QStringLiteral("--seconds needs a number of seconds above 0, at most %1 (31 days)")
                            .arg(static_cast<qint64>(MaximumMonitorSeconds));
            return false;
        }
        cli.seconds = *seconds;
    }
    if (parser.isSet(QStringLiteral("rate"))) {
        const QString text = parser.value(QStringLiteral("rate"));
        const std::optional<sample_rate::Rate> rate = sample_rate::Parse(text);
        if (!rate || rate->kind == sample_rate::Rate::Kind::Default) {
            cli.error =
                QStringLiteral("--rate needs max or a number of samples a second above 0, not \"%1\"").arg(text);
            return false;
        }
        cli.rate = *rate;
    }
    if (parser.isSet(QStringLiteral("injectors"))) {
        bool ok = false;
        const int size = parser.value(QStringLiteral("injectors")).toInt(&ok);
        if (!ok || size <= 0 || size > 255) {
            cli.error = QStringLiteral("--injectors needs an injector size in lb/hr, 1 to 255");
            return false;
        }
        cli.injectors = size;
    }
    cli.registersOnly = parser.isSet(QStringLiteral("registers"));
    if (cli.command == QLatin1String("history") && parser.isSet(QStringLiteral("table"))) {
        cli.table = parser.value(QStringLiteral("table")).toUpper();
        if (cli.table.size() != 1 || !QStringLiteral("OCHL").contains(cli.table)) {
            cli.error = QStringLiteral("--table needs a table: O, C, H or L");
            return false;
        }
    }
    // autotune reads its own options' values.
    for (const QString& option : cli_autotune::ValueOptions)
        for (const QString& value : parser.values(option.mid(2)))
            cli.commandOptions << option + QLatin1Char('=') + value;
    for (const QString& option : cli_autotune::FlagOptions)
        if (parser.isSet(option.mid(2)))
            cli.commandOptions << option;
    return true;
}

} // namespace

CliArguments ParseCliArguments(const QStringList& args, const QString& portsFromEnvironment)
{
    CliArguments cli;
    QList<OptionDefinition> definitions;
    for (const CliOption& option : cliOptions())
        definitions << option.definition;
    OptionParser parser(definitions);
    if (!parser.parse(args)) {
        cli.error = parser.error();
        return cli;
    }
    cli.command = parser.operands().value(0);
    cli.operands = parser.operands().mid(1);
    cli.help = parser.isSet(QStringLiteral("help"));
    cli.version = parser.isSet(QStringLiteral("version"));
    if (!cli.command.isEmpty() && !CliCommands.contains(cli.command)) {
        cli.error = QStringLiteral("unknown command '%1' (try --help)").arg(cli.command);
        return cli;
    }
    if (cli.help || cli.version)
        return cli;
    if (cli.command.isEmpty()) {
        cli.error = QStringLiteral("no command given (try --help)");
        return cli;
    }

    // An option another command takes is refused, not dropped unseen.
    QStringList taken;
    for (const CliOption& option : cliOptions())
        if (option.commands.isEmpty() || option.commands.contains(cli.command))
            taken << option.definition.names;
    if (const QStringList foreign = parser.givenExcept(taken); !foreign.isEmpty()) {
        cli.error = QStringLiteral("the %1 command does not take %2 (try kestrel-cli %1 --help)")
                        .arg(cli.command, Listed(foreign));
        return cli;
    }
    if (readValues(parser, cli) && !ReadSharedOptions(parser, portsFromEnvironment, cli.common))
        cli.error = cli.common.error;
    return cli;
}

namespace {

const char* const Overview =
    "Usage: kestrel-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
    "The Ventrix's device work without a window.\n"
    "\n"
    "Commands:\n"
    "  probe                          find the unit: port, status, firmware revision\n"
    "  ports                          ports 1 to 6: device, what is behind it, whether it can be opened\n"
    "  info                           the power-up configuration, as Startup Values shows it\n"
    "  export FILE.tun                save the complete tune\n"
    "  import FILE.tun                write a tune file back: checked whole, the unit backed up first,\n"
    "                                 only the entries that differ written, then read back\n"
    "  backups                        the backups taken before imports and restores, newest first\n"
    "  restore N                      import backup N of that list\n"
    "  history [show|note|export|restore N ...]  the tunes KESTREL has read or written whole\n"
    "  read TABLE POSITION            one cell: O, C, H, L by rpm; F (transfer function) by volts\n"
    "  write TABLE POSITION VALUE     write one cell (percent, or kg/hr for F)\n"
    "  fill TABLE START STOP PERCENT  one block write of correction cells, by rpm\n"
    "  list TABLE [-o FILE]           the whole table as a text listing\n"
    "  monitor [--log FILE] [--seconds N] [--rate max|HZ]  live samples, one line each, until Ctrl-C\n"
    "  log summary FILE               a data log's samples per cell: count, median, min and max A/F\n"
    "  log csv FILE [-o OUT.csv]      a data log as plain CSV ('.' decimals, seconds from the start)\n"
    "  diff A B                       the differences between two tunes, each FILE.tun or unit\n"
    "  autotune LOG... -o OUT.tun [--tune IN.tun] [--table T] [--target A/F]\n"
    "                                 suggest a table's corrections from wideband logs into a new tune\n"
    "\n"
    "Tables: O open loop 1, C closed loop 1, H open loop 2, L closed loop 2, F transfer function.\n"
    "\n"
    "Options:\n"
    "  --yes, -y              do not ask before overwriting the unit (needed without a terminal)\n"
    "  --no-backup            import, restore: no backup first (every line of the file is written)\n"
    "  --no-verify            import, restore: do not read back what was written\n"
    "  --injectors SIZE       the transfer function's injector calibration, lb/hr (read, write, list)\n"
    "  --port N=DEVICE        port number N means DEVICE (repeatable; also KESTREL_PORTS)\n"
    "  --simulate             work with a simulated Ventrix (see --sim-... below)\n"
    "  --help                 this help; COMMAND --help for one command\n"
    "\n"
    "Exit status: 0 done, 1 the unit failed or did not answer, 2 bad usage or bad input,\n"
    "130 stopped by Ctrl-C (import, export and list stop after the entry in flight).\n"
    "Results go to standard output, messages and progress to standard error.\n"
    "log works on files alone: it needs no unit and sends nothing.\n"
    "diff exits as diff does: 0 the same, 1 they differ, 2 bad input or a unit that failed.\n";

QString commandHelp(const QString& command)
{
    if (command == QLatin1String("autotune"))
        return cli_autotune::Help();
    if (command == QLatin1String("probe"))
        return QStringLiteral("Usage: kestrel-cli probe\nSearches the last used port, then ports 1 to 6, "
                              "and prints the port, the unit's status and its firmware revision.\n");
    if (command == QLatin1String("ports"))
        return QStringLiteral("Usage: kestrel-cli ports\nLists ports 1 to 6 as the search tries them: the "
                              "device each number means, whether it can be opened now (free, busy, "
                              "permission denied, missing), the process holding a busy port and the USB "
                              "adapter behind it, where the system tells. Sends nothing to any unit.\n");
    if (command == QLatin1String("info"))
        return QStringLiteral("Usage: kestrel-cli info\nReads the unit's power-up values and configuration "
                              "registers and prints them as Startup Values and Ignition Config show them.\n");
    if (command == QLatin1String("export"))
        return QStringLiteral("Usage: kestrel-cli export FILE.tun\nReads tables C, O, L, H and registers 00 "
                              "to 13 and saves them as a tune file. No file is written unless every read "
                              "succeeded; an existing file is replaced only once the new one is complete.\n");
    if (command == QLatin1String("import"))
        return QStringLiteral(
            "Usage: kestrel-cli import FILE.tun [--yes] [--no-backup] [--no-verify]\n"
            "Checks the whole file, then backs the unit up: all its entries are read and kept as a tune file "
            "in the backups folder (kestrel-cli backups lists them; the newest 100 are kept). Then only the "
            "entries whose value differs from the unit's are written, each confirmed by the unit's echo, and "
            "read back. A backup that fails stops the import before anything is written; on a terminal "
            "without --yes you are asked whether to go on without one.\n"
            "--no-backup writes every line of the file without a backup; --no-verify skips the read-back.\n");
    if (command == QLatin1String("restore"))
        return QStringLiteral("Usage: kestrel-cli restore N [--yes] [--no-backup] [--no-verify]\n"
                              "Imports backup N of the list kestrel-cli backups prints (1 is the newest), "
                              "as import does: the unit is backed up first. The backup's date and file are "
                              "printed, and named in the question, before anything is asked or written.\n");
    if (command == QLatin1String("history"))
        return QStringLiteral(
            "Usage: kestrel-cli history\n"
            "       kestrel-cli history show N\n"
            "       kestrel-cli history note N TEXT\n"
            "       kestrel-cli history export N OUT.tun\n"
            "       kestrel-cli history restore N [--table O|C|H|L | --registers] [--yes] [--no-backup] "
            "[--no-verify]\n"
            "The tune history records every tune read or written whole (exports, backups, imports, restores, "
            "the graphical tuner's SAVE TABLE, off-line saves). history lists them newest first, one a line: "
            "number, time, source, port, fingerprint, note. show prints one record, note sets its note, export "
            "writes its tune to a file, restore writes it (or only one table, or only the registers) into the "
            "unit as import does: backup first, only the entries that differ, read back. Needs no unit except "
            "restore.\n");
    if (command == QLatin1String("backups"))
        return QStringLiteral("Usage: kestrel-cli backups\nLists the backups taken before imports and "
                              "restores, and by the graphical tuner, newest first: number, date, time, port, "
                              "what it holds and its file. Needs no unit and sends nothing.\n");
    if (command == QLatin1String("read"))
        return QStringLiteral("Usage: kestrel-cli read TABLE POSITION [--injectors SIZE]\nTABLE O, C, H or L "
                              "with POSITION in rpm (0 to 10200); F with POSITION in volts (0 to 4.995).\n"
                              "--injectors gives the transfer function's injector calibration in lb/hr.\n");
    if (command == QLatin1String("write"))
        return QStringLiteral("Usage: kestrel-cli write TABLE POSITION VALUE [--yes] [--injectors SIZE]\n"
                              "VALUE is a correction in percent (-100 to 100), or a flow in kg/hr for F.\n");
    if (command == QLatin1String("fill"))
        return QStringLiteral("Usage: kestrel-cli fill TABLE START STOP PERCENT [--yes]\nSets the correction "
                              "cells from START to STOP rpm of table O, C, H or L to PERCENT.\n");
    if (command == QLatin1String("list"))
        return QStringLiteral("Usage: kestrel-cli list TABLE [-o FILE] [--injectors SIZE]\nReads all 256 cells "
                              "and prints the listing (or saves it as FILE, as the table viewer saves it).\n");
    if (command == QLatin1String("diff"))
        return QStringLiteral(
            "Usage: kestrel-cli diff A B\n"
            "Compares two tunes, each a tune file or \"unit\" (the connected unit, read whole as export reads "
            "it; a file named unit is ./unit). Prints one line per entry that differs, in file order: the "
            "table letter, the address, the cell's MAF input volts as the table listing labels it and the "
            "two changes in percent (A's, then B's); a register by its number and meaning, with its two "
            "bytes and what they stand for. \"none\" is an entry a file does not name.\n"
            "Exit status: 0 the tunes are the same, 1 they differ, 2 bad input (a file that cannot be read "
            "or is no tune) or a unit that was not found or failed, 130 stopped by Ctrl-C.\n");
    if (command == QLatin1String("log"))
        return QStringLiteral(
            "Usage: kestrel-cli log summary FILE\n"
            "       kestrel-cli log csv FILE [-o OUT.csv]\n"
            "Reads a data log of the monitor, of kestrel-cli monitor --log or of the graphical tuner. Needs no "
            "unit and sends nothing.\n"
            "summary prints the log window's Cells view as a table: for each of the tuner's 25 cells its "
            "voltage, the samples with an A/F, their median, minimum and maximum A/F, and the samples "
            "without one (\"XXX\"), counted apart; cells with fewer than 10 samples are marked too few.\n"
            "csv writes the samples for other tools: a header of \"Name (unit)\" columns, the seconds from "
            "the start, numbers with '.' decimals; an A/F of \"XXX\" is an empty field. Without -o it goes "
            "to standard output.\n"
            "Lines that cannot be read are skipped and counted on standard error. A file that is not a data "
            "log, or holds no sample that can be read, exits with status 2.\n");
    return QStringLiteral("Usage: kestrel-cli monitor [--log FILE] [--seconds N] [--rate max|HZ]\nRequests a live "
                          "sample every 50 ms and prints one line each; with --log also writes the monitor's data "
                          "log. Ctrl-C ends it with the log closed.\n"
                          "--rate max samples as fast as the link answers (about 130 a second at 57600 bit/s), "
                          "--rate HZ that many a second. Above 20 a second each line ends with the thousandths "
                          "of its second (column \"ms\"). A unit that cannot keep up is sampled every 50 ms "
                          "again, and standard error says so.\n");
}

} // namespace

QString CliHelp(const QString& command, const QString& simulatorHelp)
{
    if (!command.isEmpty())
        return commandHelp(command);
    return QString::fromLatin1(Overview) + QStringLiteral("\nSimulated Ventrix (with --simulate):\n") + simulatorHelp;
}

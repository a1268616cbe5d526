#include "cli/CliAutotune.h"

#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "link/Autodetect.h"
#include "link/RegisterMap.h"
#include "link/Unit.h"
#include "logs/AutoTune.h"
#include "logs/LogReader.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/TextFileSave.h"
#include "state/PublicVars.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneTransfer.h"
#include "tuner/TableKinds.h"

#include <QDir>
#include <QMap>

#include <optional>

using namespace exit_status;

namespace cli_autotune {

namespace {

QString nameOf(const QString& arg)
{
    return arg.section(QLatin1Char('='), 0, 0);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The options as given: name to value ("" for a flag); a later one wins.
struct Options {
    QMap<QString, QString> values;
    bool has(const char* name) const { return values.contains(QLatin1String(name)); }
    QString value(const char* name) const { return values.value(QLatin1String(name)); }
};

Options collect(const QStringList& given)
{
    Options options;
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QString& arg = given.at(i);
        const QString name = nameOf(arg);
        if (arg.contains(QLatin1Char('=')))
            options.values[name] = arg.section(QLatin1Char('='), 1);
        else if (ValueOptions.contains(name))
            options.values[name] = given.value(++i);
        else
            options.values[name] = QString();
    }
    return options;
}

class Autotune {
public:
    Autotune(const CliArguments& arguments, Console& console) : a_(arguments), c_(console) { }
    ~Autotune()
    {
        if (connected_)
            CloseLinkForExit();
    }
    int run();

private:
    int usage(const QString& problem) const
    {
        c_.err << "kestrel-cli: " << problem << Qt::endl << Help();
        return BadInput;
    }
    int refuse(const QString& message) const
    {
        c_.err << message << Qt::endl;
        return BadInput;
    }
    bool settingsFrom(const Options& options, autotune::Settings& settings, QString& problem) const;
    std::optional<tunefile::Tune> tuneFromFile(const QString& path);
    std::optional<tunefile::Tune> tuneFromUnit();

    const CliArguments& a_;
    Console& c_;
    bool connected_ = false;
    int failure_ = BadInput;
};

bool Autotune::settingsFrom(const Options& options, autotune::Settings& settings, QString& problem) const
{
    const QString letter = options.has("--table") ? options.value("--table").toUpper() : QStringLiteral("O");
    if (letter.size() != 1 || !QStringLiteral("OCHL").contains(letter)) {
        problem = QStringLiteral("--table is O, C, H or L");
        return false;
    }
    settings.table = letter.at(0).toLatin1();
    settings.target = autotune::DefaultTarget(settings.table);
    const auto number = [&](const char* name, double low, double high, double& into) {
        if (!options.has(name))
            return true;
        const std::optional<double> value = FiniteNumber(options.value(name));
        if (!value || *value < low || *value > high) {
            problem = QStringLiteral("%1 needs a number from %2 to %3").arg(QLatin1String(name)).arg(low).arg(high);
            return false;
        }
        into = *value;
        return true;
    };
    double cap = settings.capPoints;
    double minimum = settings.minimumSamples;
    double lag = 0;
    if (!number("--target", 10.0, 20.0, settings.target) || !number("--breakpoint", 0.0, 5.0, settings.breakpointVolts)
        || !number("--cap", 1, 100, cap) || !number("--min-samples", 1, 100000, minimum)
        || !number("--lag", 0.0, autotune::MaximumLagSeconds, lag))
        return false;
    if (options.has("--lag"))
        settings.lagSeconds = lag;
    settings.capPoints = static_cast<int>(cap);
    settings.minimumSamples = static_cast<int>(minimum);
    settings.splitByThrottle = !options.has("--no-split");
    settings.useClosedLoop = options.has("--closed-loop");
    settings.smoothing = options.has("--smooth");
    if (options.has("--lock")) {
        for (const QString& part : options.value("--lock").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int cell = part.trimmed().toInt(&ok);
            if (!ok || cell < 0 || cell >= tuner_cells::CellCount) {
                problem = QStringLiteral("--lock takes cell numbers 0 to 24, separated by commas");
                return false;
            }
            settings.locked[cell] = true;
        }
    }
    return true;
}

std::optional<tunefile::Tune> Autotune::tuneFromFile(const QString& path)
{
    QString text;
    QString error;
    const tunefile::FileRead read = tunefile::ReadTuneFile(path, text, error);
    if (read != tunefile::FileRead::Ok) {
        refuse(tunefile::ImportReadFailureText(read, path, error));
        return std::nullopt;
    }
    const tunefile::ParseResult parsed = tunefile::ParseTuneText(text);
    if (!parsed.valid) {
        refuse(tunefile::IllegalFormatText(parsed.badLine, parsed.badText));
        return std::nullopt;
    }
    if (!parsed.tune.isComplete()) {
        refuse(QStringLiteral("%1 names %2 of the %3 entries of a tune; autotune needs a complete one (an export).")
                   .arg(shown(path))
                   .arg(parsed.tune.entryCount())
                   .arg(tunefile::DataLineCount));
        return std::nullopt;
    }
    return parsed.tune;
}

std::optional<tunefile::Tune> Autotune::tuneFromUnit()
{
    ConsoleConnectionView view(c_.err);
    connected_ = true;
    AutodetectPort(view);
    failure_ = UnitFailed;
    if (!mdlPublicVars::Connected)
        return std::nullopt;
    ProgressLine progress(c_, QStringLiteral("Reading the unit's tune"));
    const tunefile::ExportResult read =
        tunefile::ReadTune(unit::TransactOnLink(), services::clock().currentDateTime(),
                           [&](int handled) { progress.show(tunefile::ProgressPercent(handled)); });
    progress.finish();
    if (!read.complete) {
        c_.err << "Unable to read the unit's tune: no usable answer to \""
               << tunefile::ReadRequest(tunefile::TuneOrder().at(read.failedEntry)) << "\"." << Qt::endl;
        return std::nullopt;
    }
    return read.tune;
}

int Autotune::run()
{
    if (a_.operands.isEmpty())
        return usage(QStringLiteral("autotune needs at least one data log"));
    if (a_.output.isEmpty())
        return usage(QStringLiteral("autotune needs -o OUT.tun for the suggested tune"));
    const Options options = collect(a_.commandOptions);
    autotune::Settings settings;
    QString problem;
    if (!settingsFrom(options, settings, problem))
        return usage(problem);

    // Every log is read before the unit is asked anything.
    std::vector<logs::DataLog> logs;
    for (const QString& path : a_.operands) {
        const logs::ReadResult read = logs::ReadDataLog(path);
        if (!read.log)
            return refuse(read.error);
        if (!read.log->rejected.empty())
            c_.err << logs::Counted(static_cast<long long>(read.log->rejected.size()), QStringLiteral("line"),
                                    QStringLiteral("lines"))
                   << " of " << shown(path) << " could not be read and skipped." << Qt::endl;
        logs.push_back(*read.log);
    }

    const std::optional<tunefile::Tune> tune =
        options.has("--tune") ? tuneFromFile(options.value("--tune")) : tuneFromUnit();
    if (!tune)
        return failure_;

    // The table's EEC injector size and, unless given, the breakpoint come
    // from the tune.
    const tuner::TableKind& kind = tuner::TableKindAt(tuner::TableIndexOf(settings.table));
    settings.eecInjectorSize = tune->value({tunefile::RegisterLetter, kind.eecInjectorRegister}).value_or(0);
    if (!options.has("--breakpoint"))
        settings.breakpointVolts = register_map::BreakpointVolts(
            register_map::BreakpointCount(tune->value({tunefile::RegisterLetter, 0x00}).value_or(0),
                                          tune->value({tunefile::RegisterLetter, 0x01}).value_or(0)));

    tuner::Table table{};
    const auto cells = tune->table(settings.table);
    for (int j = 0; j < tuner::TableSize; ++j)
        table[j] = static_cast<qint16>(tuner::DecodeEntry(cells[j].value_or(0)));

    std::vector<const logs::DataLog*> pointers;
    for (const logs::DataLog& log : logs)
        pointers.push_back(&log);
    const autotune::Result result = autotune::Analyse(pointers, autotune::CellValuesOf(table), settings);
    std::optional<tuner::EntryWrite> beyond;
    const tuner::Table suggested = autotune::SuggestedTable(table, result, &beyond);
    if (beyond)
        return refuse(QStringLiteral("The suggestion cannot be applied: entry %1 %2 would become %3, beyond -128..127. "
                                     "Nothing was saved.")
                          .arg(QLatin1Char(settings.table))
                          .arg(QString::number(beyond->address, 16).toUpper().rightJustified(2, QLatin1Char('0')))
                          .arg(beyond->value));

    tunefile::Tune out = *tune;
    for (int j = 0; j < tuner::TableSize; ++j)
        out.setValue({settings.table, j}, suggested[j] & 0xFF);
    const QDateTime now = services::clock().currentDateTime();
    out.stamp = tunefile::TimeStamp(now);
    QString error;
    if (!SaveTextFile(a_.output, tunefile::TuneText(out), &error))
        return refuse(QStringLiteral("The tune could not be saved to %1: %2").arg(shown(a_.output), error));

    c_.out << autotune::ReportText(result, settings) << Qt::endl;
    int changed = 0;
    for (const autotune::CellResult& cell : result.cells)
        changed += cell.change != 0;
    c_.out << "Saved " << shown(a_.output) << ": table " << settings.table << " with "
           << logs::Counted(changed, QStringLiteral("cell changed"), QStringLiteral("cells changed"))
           << "; nothing was written to the unit." << Qt::endl;
    return Done;
}

} // namespace

QString Help()
{
    return QStringLiteral(
        "Usage: kestrel-cli autotune LOG... -o OUT.tun [--tune IN.tun] [--table O|C|H|L] [--target A/F]\n"
        "                            [--breakpoint VOLTS] [--lag SECONDS] [--no-split] [--closed-loop]\n"
        "                            [--cap POINTS] [--min-samples N] [--smooth] [--lock CELL,...]\n"
        "Suggests corrections for one table from wideband data logs, as the tuner's AUTO-TUNE does, and\n"
        "saves a complete tune with the suggested table as OUT.tun. The table comes from IN.tun (a complete\n"
        "tune, as exported) or, without --tune, is read from the connected unit; nothing is written to the\n"
        "unit. Prints the wideband delay used, the per-cell report and the rejected samples by reason.\n"
        "  --table      the table to change (default O)\n"
        "  --target     the A/F it should give (default 12.8 for O and H, 14.7 for C and L)\n"
        "  --breakpoint the TPS volts above which a sample tuned the open-loop table (default: the tune's)\n"
        "  --lag        how long after the fuel was metered the wideband reads it, 0 to 3 s (default:\n"
        "               timed from the logs' throttle tip-ins and lift-offs, 0.6 s when fewer than 3 of\n"
        "               them can be timed or they say below 0 or above 3 s)\n"
        "  --no-split   take every sample for the chosen table, whatever the throttle\n"
        "  --closed-loop  use closed-loop samples (needed for C and L; the engine computer's trims\n"
        "               pull them to 14.7, so they say little about the table)\n"
        "  --cap        the most a cell moves in one pass, points (default 10)\n"
        "  --min-samples  the fewest samples a cell needs (default 10)\n"
        "  --smooth     average each cell's correction with its neighbours' (1-2-1)\n"
        "  --lock       cells (0 to 24) left as they are\n"
        "Each A/F is credited to the moment the delay earlier. Samples are rejected for: no A/F (XXX), fuel\n"
        "metered before the log began, and at that moment: the other table, closed loop, below 500 rpm,\n"
        "throttle moving faster than 10 % of its range a second, within 0.3 s after that, MAF voltage\n"
        "changing faster than 1 V/s. A cell goes by the samples within 2 entries of its own entry when it\n"
        "has 10 of them, else by those nearer its entry than another cell's. A median at the wideband's\n"
        "rail (10.0 or 20.0) moves the cell by the cap; one within 0.1 A/F or 1 point of the target leaves\n"
        "it settled; an entry already at or beyond +-100 the way the median asks stays \"at its limit\".\n"
        "The slider offset is taken as 0.\n");
}

int Run(const CliArguments& arguments, Console& console)
{
    return Autotune(arguments, console).run();
}

} // namespace cli_autotune

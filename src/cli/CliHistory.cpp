#include "cli/CliHistory.h"

#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "platform/TextFileSave.h"
#include "tunefile/TuneHistory.h"

#include <QDir>

using namespace exit_status;

namespace cli_history {

namespace {

QString timeOf(const tune_history::Record& record)
{
    return record.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString portOf(const tune_history::Record& record)
{
    bool number = false;
    record.port.toInt(&number);
    return number ? QStringLiteral("port ") + record.port : QDir::toNativeSeparators(record.port);
}

int refuse(Console& c, int status, const QString& text)
{
    c.err << "kestrel-cli: " << text << Qt::endl;
    return status;
}

int list(Console& c, tune_history::History& history)
{
    const QList<tune_history::Record> records = history.records();
    if (records.isEmpty()) {
        c.err << "No tunes recorded in " << QDir::toNativeSeparators(tune_history::HistoryPath()) << "." << Qt::endl;
        return Done;
    }
    for (qsizetype i = 0; i < records.size(); ++i) {
        const tune_history::Record& r = records.at(i);
        c.out << QStringLiteral("%1  %2  %3  %4  %5  %6")
                     .arg(i + 1, 3)
                     .arg(timeOf(r))
                     .arg(tune_history::SourceName(r.source), -13)
                     .arg(portOf(r), -8)
                     .arg(r.fingerprint)
                     .arg(r.note)
                     .trimmed()
              << Qt::endl;
    }
    return Done;
}

int show(Console& c, const tune_history::Record& r, int number)
{
    c.out << "Record " << number << Qt::endl
          << "Time         " << timeOf(r) << Qt::endl
          << "Source       " << tune_history::SourceName(r.source) << Qt::endl
          << "Port         " << portOf(r) << Qt::endl
          << "Fingerprint  " << r.fingerprint << Qt::endl
          << "Label        " << r.label << Qt::endl
          << "Note         " << r.note << Qt::endl
          << "Entries      " << r.tune.entryCount() << Qt::endl;
    return Done;
}

} // namespace

int Run(const CliArguments& a, Console& c, const cli_backups::UnitAccess& unit)
{
    const QString what = a.operands.value(0);
    const bool restoring = what == QLatin1String("restore");
    if ((!a.table.isEmpty() || a.registersOnly) && !restoring)
        return refuse(c, BadInput, QStringLiteral("--table and --registers are for history restore"));
    if (!a.table.isEmpty() && a.registersOnly)
        return refuse(c, BadInput, QStringLiteral("history restore takes --table or --registers, not both"));

    tune_history::History history;
    if (!history.isOpen())
        return refuse(c, BadInput, tune_history::FailureText(tune_history::HistoryPath(), history.error()));
    if (what.isEmpty())
        return a.operands.size() == 1 || a.operands.isEmpty()
            ? list(c, history)
            : refuse(c, BadInput, QStringLiteral("history takes show, note, export or restore"));

    const struct {
        const char* name;
        int operands;
        const char* usage;
    } forms[] = {{"show", 2, "history show N"},
                 {"note", 3, "history note N TEXT"},
                 {"export", 3, "history export N OUT.tun"},
                 {"restore", 2, "history restore N [--table O|C|H|L | --registers] [--yes]"}};
    const auto form =
        std::find_if(std::begin(forms), std::end(forms), [&](const auto& f) { return what == QLatin1String(f.name); });
    if (form == std::end(forms))
        return refuse(c, BadInput, QStringLiteral("history takes show, note, export or restore, not '%1'").arg(what));
    if (a.operands.size() != form->operands)
        return refuse(c, BadInput, QStringLiteral("usage: kestrel-cli %1").arg(QLatin1String(form->usage)));
    bool ok = false;
    const int number = a.operands.at(1).toInt(&ok);
    const std::optional<tune_history::Record> record = ok ? history.numbered(number) : std::nullopt;
    if (!record)
        return refuse(c, BadInput,
                      QStringLiteral("'%1' is no record: history numbers them 1 (the newest) to %2")
                          .arg(a.operands.at(1))
                          .arg(history.records().size()));

    if (what == QLatin1String("show"))
        return show(c, *record, number);
    if (what == QLatin1String("note")) {
        if (!history.setNote(record->id, a.operands.at(2)))
            return refuse(c, BadInput, tune_history::FailureText(tune_history::HistoryPath(), history.error()));
        c.out << "Record " << number << ": note set." << Qt::endl;
        return Done;
    }
    if (what == QLatin1String("export")) {
        QString error;
        if (!SaveTextFile(a.operands.at(2), tunefile::TuneText(record->tune), &error))
            return refuse(
                c, BadInput,
                QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(a.operands.at(2)), error));
        c.out << "Exported record " << number << " (" << record->tune.entryCount() << " entries) to "
              << QDir::toNativeSeparators(a.operands.at(2)) << Qt::endl
              << "Fingerprint " << record->fingerprint << Qt::endl;
        return Done;
    }
    const char part = a.registersOnly ? tunefile::RegisterLetter : a.table.isEmpty() ? '\0' : a.table.at(0).toLatin1();
    const tunefile::FileLines lines = tune_history::PartLines(record->tune, part);
    const QString named =
        QStringLiteral("%1 of record %2 (%3)").arg(tune_history::PartName(part)).arg(number).arg(timeOf(*record));
    c.out << "Restoring " << named << Qt::endl;
    return cli_backups::ImportLines(
        a, c, lines, named, unit,
        [&named](int entries) {
            return QStringLiteral("Restoring %1 will OVERWRITE %2 memory locations.\nWould you like to continue?")
                .arg(named)
                .arg(entries);
        },
        tune_history::Source::Restore);
}

} // namespace cli_history

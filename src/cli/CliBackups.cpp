#include "cli/CliBackups.h"

#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneTransfer.h"

#include <QDir>
#include <QFileInfo>

using namespace exit_status;

namespace cli_backups {

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

int tell(QTextStream& err, int status, const QString& message, const QString& detail = {})
{
    err << message << Qt::endl;
    if (!detail.isEmpty())
        err << detail << Qt::endl;
    return status;
}

int interrupted(QTextStream& err, const QString& where)
{
    return tell(err, Interrupted, QStringLiteral("Interrupted."), where);
}

// The backup before the writes. Returns Done with the unit's tune in `unit`
// when taken, Done with `unit` empty when the user chose to go on without
// one, or the exit status when the import must stop.
int backUp(Console& c, bool mayAsk, const tunefile::Transact& transact, const QString& stoppedBefore,
           tunefile::Tune& unit)
{
    ProgressLine progress(c, QStringLiteral("Backing up"));
    const tunefile::BackupResult backup = tunefile::BackUpUnit(
        transact, tunefile::BackupFolder(), services::clock().currentDateTime(), mdlPublicVars::CommPortNumber,
        [&](int handled) { progress.show(tunefile::ProgressPercent(handled)); });
    progress.finish();
    if (!stoppedBefore.isEmpty())
        return interrupted(c.err,
                           QStringLiteral("Stopped before \"%1\" while backing up the unit; nothing was "
                                          "written.")
                               .arg(stoppedBefore));
    if (backup.written) {
        c.out << "Backed up " << tunefile::DataLineCount << " entries to " << shown(backup.path) << Qt::endl;
        unit = backup.tune;
        return Done;
    }
    c.err << tunefile::BackupFailureText(backup) << Qt::endl;
    // Going on without a backup is never assumed: --yes does not give it.
    if (mayAsk && c.canAsk && c.readAnswer) {
        c.err << "[y/N] " << Qt::flush;
        const QString answer = c.readAnswer().trimmed().toLower();
        if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
            return Done;
    }
    return tell(c.err, UnitFailed, QStringLiteral("Nothing was written."),
                QStringLiteral("Give --no-backup to import without a backup."));
}

int verify(Console& c, const tunefile::Transact& transact, QString& stoppedBefore, const tunefile::FileLines& lines)
{
    ProgressLine verifying(c, QStringLiteral("Verifying"));
    int checked = 0;
    const QList<tunefile::Mismatch> mismatches = tunefile::VerifyTune(transact, lines, [&](int handled) {
        checked = stoppedBefore.isEmpty() ? handled : checked;
        verifying.show(tunefile::ProgressPercent(handled));
    });
    verifying.finish();
    if (!stoppedBefore.isEmpty())
        return interrupted(c.err,
                           QStringLiteral("Stopped while verifying, before \"%1\"; all %2 entries had been "
                                          "written and %3 lines checked.")
                               .arg(stoppedBefore)
                               .arg(lines.writeCount())
                               .arg(checked));
    for (const tunefile::Mismatch& m : mismatches)
        c.err << tunefile::MismatchText(m) << Qt::endl;
    if (!mismatches.isEmpty())
        return tell(
            c.err, UnitFailed,
            QStringLiteral("Verify failed: %1 of %2 entries differ.").arg(mismatches.size()).arg(lines.writeCount()));
    c.out << "Verified " << lines.writeCount() << " entries." << Qt::endl;
    return Done;
}

// The import of a file, asking `question` (given how many entries the file
// writes) before the unit is overwritten.
int importFile(const CliArguments& a, Console& c, const QString& path, const UnitAccess& unit,
               const std::function<QString(int entries)>& question, tune_history::Source source)
{
    // The whole file is read and checked before the unit is asked anything.
    QString text;
    QString error;
    const tunefile::FileRead read = tunefile::ReadTuneFile(path, text, error);
    if (read != tunefile::FileRead::Ok)
        return tell(c.err, BadInput, tunefile::ImportReadFailureText(read, path, error));
    const tunefile::ParseResult parsed = tunefile::ParseTuneText(text);
    if (!parsed.valid)
        return tell(c.err, BadInput, tunefile::IllegalFormatText(parsed.badLine, parsed.badText));
    return ImportLines(a, c, parsed.file, shown(path), unit, question, source);
}

} // namespace

int ImportLines(const CliArguments& a, Console& c, const tunefile::FileLines& file, const QString& from,
                const UnitAccess& unit, const std::function<QString(int entries)>& question,
                tune_history::Source source)
{
    if (!unit.connect())
        return UnitFailed;
    if (const int refused = unit.consent(question(file.writeCount())); refused != Done)
        return refused;

    QString stoppedBefore;
    const tunefile::Transact transact = unit.transact(stoppedBefore);
    // With a backup, the unit's whole tune is known: only the lines that
    // change it need to be sent.
    tunefile::FileLines lines = file;
    tunefile::Tune held;
    if (a.backup) {
        if (const int status = backUp(c, !a.yes, transact, stoppedBefore, held); status != Done)
            return status;
        if (held.isComplete())
            lines = tunefile::LinesThatChange(file, held);
    }

    ProgressLine progress(c, QStringLiteral("Importing"));
    const tunefile::ImportResult written =
        tunefile::WriteTune(transact, lines, [&](int handled) { progress.show(tunefile::ProgressPercent(handled)); });
    progress.finish();
    // Line numbers are the file's: the lines left out are empty, not gone.
    const QString stoppedLine = file.lines.value(written.lineNumber - tunefile::FileLineOf(0));
    if (!stoppedBefore.isEmpty())
        return interrupted(c.err,
                           QStringLiteral("Stopped at line %1 (\"%2\"), which was not sent; %3 entries were "
                                          "written before it.")
                               .arg(written.lineNumber)
                               .arg(stoppedLine)
                               .arg(written.written));
    if (written.outcome != tunefile::ImportOutcome::Completed)
        return tell(c.err, UnitFailed,
                    written.outcome == tunefile::ImportOutcome::WriteFailed
                        ? QStringLiteral("Import operation failed. Please try again.")
                        : QStringLiteral("Import operation failed!"),
                    QStringLiteral("Stopped at line %1 (\"%2\"); %3 entries were written before it.")
                        .arg(written.lineNumber)
                        .arg(stoppedLine)
                        .arg(written.written));
    c.out << "Imported " << written.written << " entries from " << from;
    if (written.written < file.writeCount())
        c.out << " (the unit held the other " << file.writeCount() - written.written << " already)";
    c.out << Qt::endl;
    if (a.verify) {
        if (const int status = verify(c, transact, stoppedBefore, lines); status != Done)
            return status;
    }
    const tunefile::Tune now = tunefile::AfterWriting(held, file);
    tune_history::Remember(source, QString::number(mdlPublicVars::CommPortNumber), now,
                           services::clock().currentDateTime());
    c.out << "Fingerprint " << tune_history::Fingerprint(now)
          << (now.isComplete() ? QString() : QStringLiteral(" (of the %1 entries written)").arg(now.entryCount()))
          << Qt::endl;
    return Done;
}

int Import(const CliArguments& a, Console& c, const QString& path, const UnitAccess& unit)
{
    return importFile(
        a, c, path, unit, [](int) { return tunefile::ImportWarningText; }, tune_history::Source::Import);
}

int Restore(const CliArguments& a, Console& c, const UnitAccess& unit)
{
    const QList<tunefile::BackupFile> backups = tunefile::ListBackups(tunefile::BackupFolder());
    bool ok = false;
    const int number = a.operands.value(0).toInt(&ok);
    if (a.operands.size() != 1 || !ok || number < 1 || number > backups.size())
        return tell(
            c.err, BadInput,
            backups.isEmpty()
                ? QStringLiteral("kestrel-cli: there are no backups in %1.").arg(shown(tunefile::BackupFolder()))
                : QStringLiteral("kestrel-cli: restore needs the number of a backup, 1 to %1 "
                                 "(see kestrel-cli backups).")
                      .arg(backups.size()));
    // The list's numbers move with every backup taken (a restore takes one
    // too): the backup is named before anything is asked or written.
    const tunefile::BackupFile& chosen = backups.at(number - 1);
    const QString named = QStringLiteral("backup %1 of %2 (%3)")
                              .arg(number)
                              .arg(chosen.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), shown(chosen.path));
    c.out << "Restoring " << named << Qt::endl;
    // The backup taken first must not rotate away the one being restored.
    const tunefile::BackupInUse inUse(chosen.path);
    return importFile(
        a, c, chosen.path, unit,
        [&named](int entries) {
            return QStringLiteral("Restoring %1 will OVERWRITE %2 memory locations.\nWould you like to continue?")
                .arg(named)
                .arg(entries);
        },
        tune_history::Source::Restore);
}

int List(const CliArguments& a, Console& c)
{
    if (!a.operands.isEmpty())
        return tell(c.err, BadInput, QStringLiteral("kestrel-cli: backups takes no arguments"));
    const QString folder = tunefile::BackupFolder();
    const QList<tunefile::BackupFile> backups = tunefile::ListBackups(folder);
    if (backups.isEmpty()) {
        c.err << "No backups in " << shown(folder) << "." << Qt::endl;
        return Done;
    }
    c.err << "Backups in " << shown(folder) << ", newest first:" << Qt::endl;
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const tunefile::BackupFile& b = backups.at(i);
        const std::optional<tunefile::Tune> tune = tunefile::ReadBackup(b.path);
        const QString held = !tune ? QStringLiteral("unreadable")
            : tune->isComplete()   ? QStringLiteral("whole tune")
                                   : QStringLiteral("%1 entries").arg(tune->entryCount());
        c.out << QStringLiteral("%1  %2  port %3  %4  %5")
                     .arg(i + 1, 3)
                     .arg(b.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                     .arg(b.port)
                     .arg(held, -12)
                     .arg(QFileInfo(b.path).fileName())
              << Qt::endl;
    }
    return Done;
}

} // namespace cli_backups

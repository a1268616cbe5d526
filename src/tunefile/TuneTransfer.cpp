#include "tunefile/TuneTransfer.h"

#include "memory/CellAccess.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/PrintableText.h"
#include "platform/Services.h"
#include "platform/TextFileSave.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tunefile/Backups.h"
#include "tunefile/TransferProgress.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"
#include "tunefile/frmTransferSplash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>

namespace tunefile {

namespace {

FileDialogRequest tuneFileDialog(const QString& title)
{
    FileDialogRequest request;
    request.title = title;
    request.filter = QStringLiteral("Ventrix Tune Files (*.tun)");
    request.defaultName = QStringLiteral("MAF_Data.tun");
    return request;
}

void tell(MsgIcon icon, const QString& title, const QString& text)
{
    services::dialogs().message(icon, title, text);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// One export, import or restore from the lock to the restore: the locked
// controls come back and the link is free again when it ends, however it
// ends (and, as for every transfer, the bar is back at 0, the progress
// window closed and the pointers arrows).
class Transfer : public TransferProgress {
public:
    Transfer()
    {
        mdlMain::SetControlsEnabled(TransferLockedControls(), false);
        mdlPublicVars::LinkBusy = true;
    }
    ~Transfer()
    {
        setProgress(0);
        closeSplash();
        setBusy(false);
        mdlPublicVars::LinkBusy = false;
        mdlMain::SetControlsEnabled(TransferLockedControls(), true);
    }
};

// The import's second half, for a file or a backup checked whole: the unit
// is backed up, then only the lines that change what the backup read are
// written (every line without a backup), and every written entry read back.
bool overwriteUnit(Transfer& transfer, const FileLines& file, tune_history::Source source)
{
    Tune held;
    if (!BackUpUnitBeforeOverwrite(&held))
        return false;
    const FileLines lines = held.isComplete() ? LinesThatChange(file, held) : file;
    transfer.showSplash(frmTransferSplash::Kind::Import);
    const ImportResult written =
        WriteTune(TransactKeepingWindowsAlive(), lines, CountingSentLines(lines, transfer.advance()));
    transfer.setBusy(false);
    switch (written.outcome) {
    case ImportOutcome::WriteFailed:
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"),
             QStringLiteral("Import operation failed. Please try again."));
        return false;
    case ImportOutcome::WrongEcho:
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"), QStringLiteral("Import operation failed!"));
        return false;
    case ImportOutcome::Completed:
        break;
    }
    // An echo confirms what the unit heard, not what it kept: every entry
    // written is read back.
    transfer.setBusy(true);
    transfer.setProgress(0);
    transfer.setCaption(QStringLiteral("Checking the unit....."));
    const QList<Mismatch> mismatches =
        VerifyTune(TransactKeepingWindowsAlive(), lines, CountingSentLines(lines, transfer.advance()));
    transfer.setBusy(false);
    transfer.closeSplash();
    if (!mismatches.isEmpty()) {
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"), VerifyFailureText(mismatches, lines.writeCount()));
        return false;
    }
    RememberWholeTune(source, AfterWriting(held, file));
    tell(MsgIcon::Information, QStringLiteral("COMPLETE"), QStringLiteral("Tune Import Completed."));
    return true;
}

} // namespace

QStringList TransferLockedControls()
{
    return {QStringLiteral("cmdDisconnect"),   QStringLiteral("mnuMemory"),       QStringLiteral("mnuDiagnostics"),
            QStringLiteral("mnuVentrix"),      QStringLiteral("mnuHelp"),         QStringLiteral("cmdGraphicalTune"),
            QStringLiteral("cmdMemoryModify"), QStringLiteral("cmdAccuracyTest"), QStringLiteral("cmdVentrixRun"),
            QStringLiteral("cmdAbout"),        QStringLiteral("mnuFile")};
}

QString ExportWriteFailureText(const QString& path, const QString& error)
{
    return QStringLiteral("Tune Export Failed. The file could not be written:\n") + shown(path) + QLatin1Char('\n')
        + error;
}

QString ImportReadFailureText(FileRead failure, const QString& path, const QString& error)
{
    if (failure == FileRead::TooLarge)
        return QStringLiteral("Illegal File Format. Tune Import aborted.\n") + shown(path)
            + QStringLiteral(" is far larger than any tune file.");
    return QStringLiteral("Tune Import aborted. The file could not be read:\n") + shown(path) + QLatin1Char('\n')
        + error;
}

QString RefusedLineText(int lineNumber, const QString& lineText)
{
    // The line as it stands, quoted so that spaces show, control characters
    // as "?" and a long line cut short.
    QString visible = PrintableText(lineText.left(40));
    if (lineText.size() > 40)
        visible += QStringLiteral("...");
    // Line 2 is the time stamp: refused when the file ends before it, or
    // when a data line stands in its place.
    QString where = QStringLiteral("Line %1: \"%2\"").arg(lineNumber).arg(visible);
    if (lineNumber == 2)
        where = lineText.isEmpty() ? QStringLiteral("Line 2 (the time stamp) is missing.")
                                   : where + QStringLiteral(" is a data line where the time stamp was expected.");
    return where;
}

QString IllegalFormatText(int lineNumber, const QString& lineText)
{
    return QStringLiteral("Illegal File Format. Tune Import aborted.") + QLatin1Char('\n')
        + RefusedLineText(lineNumber, lineText);
}

LoadedTune LoadTuneFile(const QString& path)
{
    QString text;
    QString error;
    switch (ReadTuneFile(path, text, error)) {
    case FileRead::Ok:
        break;
    case FileRead::Unreadable:
        return {std::nullopt,
                QStringLiteral("The tune file could not be read:\n") + shown(path) + QLatin1Char('\n') + error};
    case FileRead::TooLarge:
        return {std::nullopt, shown(path) + QStringLiteral(" is far larger than any tune file.")};
    }
    const ParseResult parsed = ParseTuneText(text);
    if (!parsed.valid)
        return {std::nullopt,
                QStringLiteral("Illegal File Format.\n") + shown(path) + QLatin1Char('\n')
                    + RefusedLineText(parsed.badLine, parsed.badText)};
    Tune tune = parsed.tune;
    tune.origin = {TuneOrigin::Kind::File, path, {}, {}};
    return {tune, {}};
}

void ExportTune()
{
    if (!mdlMain::ConnectionGuard())
        return;
    Transfer transfer;
    if (services::dialogs().message(MsgIcon::Question, QStringLiteral("TUNE EXPORT"),
                                    QStringLiteral("Continue to export to file?"), MsgButtons::YesNo)
        != MsgAnswer::Yes)
        return;

    transfer.showSplash(frmTransferSplash::Kind::Export);
    const ExportResult read = ReadTune(TransactKeepingWindowsAlive([&transfer] { return transfer.cancelled(); }),
                                       services::clock().currentDateTime(), transfer.advance());
    // Cancelled: the user asked for it, so it ends quietly, with no file.
    if (transfer.cancelled())
        return;
    if (!read.complete) {
        transfer.setBusy(false);
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"), cells::messages::TableReadFailed);
        return;
    }

    transfer.setProgress(0);
    transfer.closeSplash();
    transfer.setBusy(false);
    const QString path = services::dialogs().saveFileName(tuneFileDialog(QStringLiteral("TUNE EXPORT")));
    if (path.isEmpty())
        return;
    // Written whole or not at all: an existing file is replaced only once the
    // new one is safely on the disk.
    QString error;
    if (!SaveTextFile(path, read.text, &error)) {
        tell(MsgIcon::Exclamation, QStringLiteral("Export Failure"), ExportWriteFailureText(path, error));
        return;
    }
    RememberWholeTune(tune_history::Source::Export, read.tune);
    tell(MsgIcon::Information, QStringLiteral("COMPLETE"), QStringLiteral("Tune Export Completed."));
}

std::optional<Tune> ReadUnitTune()
{
    if (!mdlMain::ConnectionGuard())
        return std::nullopt;
    Transfer transfer;
    transfer.showSplash(frmTransferSplash::Kind::Export);
    const QDateTime when = services::clock().currentDateTime();
    const ExportResult read =
        ReadTune(TransactKeepingWindowsAlive([&transfer] { return transfer.cancelled(); }), when, transfer.advance());
    if (transfer.cancelled())
        return std::nullopt;
    transfer.setBusy(false);
    if (!read.complete) {
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"), cells::messages::TableReadFailed);
        return std::nullopt;
    }
    Tune tune = read.tune;
    // Off line the unit is the tune file's stand-in: the file is its name.
    tune.origin = {TuneOrigin::Kind::Unit, mdlPublicVars::OffLineTunePath,
                   QString::number(mdlPublicVars::CommPortNumber), when};
    ShowFingerprint(
        {false, tune_history::Fingerprint(tune), tune_history::History().matching(tune_history::Fingerprint(tune))});
    return tune;
}

void ShowFingerprint(const tune_history::Remembered& remembered)
{
    mdlMain::ShowStatus(tune_history::MatchText(remembered.fingerprint, remembered.earlier));
}

void RememberWholeTune(tune_history::Source source, const Tune& tune)
{
    const QString& offLinePath = mdlPublicVars::OffLineTunePath;
    ShowFingerprint(tune_history::Remember(
        source, offLinePath.isEmpty() ? QString::number(mdlPublicVars::CommPortNumber) : offLinePath, tune,
        services::clock().currentDateTime()));
}

void RunLockedTransfer(const std::function<void(const Transact&, const Progress&)>& work)
{
    Transfer transfer;
    transfer.setBusy(true);
    work(TransactKeepingWindowsAlive(), transfer.advance());
}

void ImportTune()
{
    if (!mdlMain::ConnectionGuard())
        return;
    Transfer transfer;
    // Its Yes overwrites the whole unit: No is what Enter answers.
    if (services::dialogs().askBeforeWriting(MsgIcon::Exclamation, QStringLiteral("WARNING"), ImportWarningText)
        != MsgAnswer::Yes)
        return;

    const QString path = services::dialogs().openFileName(tuneFileDialog(QStringLiteral("TUNE IMPORT")));
    if (path.isEmpty())
        return;

    // The whole file is read and checked before the first write, so a
    // damaged file changes nothing in the unit.
    QString text;
    QString error;
    switch (ReadTuneFile(path, text, error)) {
    case FileRead::Ok:
        break;
    case FileRead::Unreadable:
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"),
             ImportReadFailureText(FileRead::Unreadable, path, error));
        return;
    case FileRead::TooLarge:
        tell(MsgIcon::Exclamation, QStringLiteral("ABORT"), ImportReadFailureText(FileRead::TooLarge, path, error));
        return;
    }
    const ParseResult parsed = ParseTuneText(text);
    if (!parsed.valid) {
        tell(MsgIcon::Exclamation, QStringLiteral("ABORT"), IllegalFormatText(parsed.badLine, parsed.badText));
        return;
    }

    overwriteUnit(transfer, parsed.file, tune_history::Source::Import);
}

bool RestoreTune(const FileLines& lines)
{
    if (!mdlMain::ConnectionGuard())
        return false;
    Transfer transfer;
    return overwriteUnit(transfer, lines, tune_history::Source::Restore);
}

QString MismatchText(const Mismatch& mismatch)
{
    return mismatch.entry + QStringLiteral(": the file has ") + mismatch.expected + QStringLiteral(", the unit ")
        + (mismatch.found.isEmpty() ? QStringLiteral("did not answer") : QStringLiteral("has ") + mismatch.found);
}

QString VerifyFailureText(const QList<Mismatch>& mismatches, int written)
{
    constexpr int Named = 20;
    QString text = QStringLiteral("The unit was read back after the import: %1 of %2 entries differ from the file.\n")
                       .arg(mismatches.size())
                       .arg(written);
    for (qsizetype i = 0; i < mismatches.size() && i < Named; ++i)
        text += QLatin1Char('\n') + MismatchText(mismatches.at(i));
    if (mismatches.size() > Named)
        text += QStringLiteral("\nand %1 more").arg(mismatches.size() - Named);
    return text;
}

} // namespace tunefile

#include "tunefile/TuneTransfer.h"

#include "app/mdlMain.h"
#include "memory/CellAccess.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/TextFileSave.h"
#include "tunefile/TuneFile.h"
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

// The menu commands' transactions: the window system's pending events run
// between the attempts of a request, so a unit that stops answering leaves
// the windows painted while its attempts run out (up to 50 s for a read)
// instead of freezing them. The attempts stay one exchange of the link, which
// keeps count of the replies still owed across them. Once `stop` says so (the
// export's Cancel), nothing more is sent and the request fails.
Transact transactKeepingWindowsAlive(std::function<bool()> stop = {})
{
    const Transact send = SendFrameTransact([stop] {
        QCoreApplication::processEvents();
        return !(stop && stop());
    });
    return [send, stop](const QString& payload, int attempts, int timeoutMs, QString& reply) {
        if (stop && stop()) {
            reply.clear();
            return false;
        }
        return send(payload, attempts, timeoutMs, reply);
    };
}

// One export or import from the lock to the restore: the locked controls
// come back, the bar returns to 0, the progress window closes and the
// pointers return to the arrow when it ends, however it ends.
class Transfer {
public:
    Transfer() : bar_(mdlMain::ProgressBar())
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
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Shows the progress window without waiting, the bar at 0, hourglasses.
    void showSplash(frmTransferSplash::Kind kind)
    {
        auto* splash = new frmTransferSplash(kind, mdlMain::MainWindow());
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash_ = splash;
        splash->Show();
        setProgress(0);
        setBusy(true);
        QCoreApplication::processEvents();
    }

    void closeSplash()
    {
        if (splash_)
            splash_->Unload();
        splash_ = nullptr;
    }

    void setBusy(bool busy)
    {
        mdlMain::SetBusyPointer(busy);
        if (!splash_)
            return;
        if (busy)
            splash_->setCursor(Qt::WaitCursor);
        else
            splash_->unsetCursor();
    }

    void setProgress(int handled)
    {
        if (bar_)
            bar_->setValue(ProgressPercent(handled));
        if (splash_)
            splash_->ShowPercent(ProgressPercent(handled));
    }

    // The export's Cancel: the transfer stops before its next request.
    bool cancelled() const { return splash_ && splash_->CancelPressed(); }

    // After each data line: the bar moves and the windows repaint.
    Progress advance()
    {
        return [this](int handled) {
            setProgress(handled);
            QCoreApplication::processEvents();
        };
    }

private:
    QPointer<QProgressBar> bar_;
    QPointer<frmTransferSplash> splash_;
};

} // namespace

QStringList TransferLockedControls()
{
    return {QStringLiteral("cmdDisconnect"),   QStringLiteral("mnuMemory"),
            QStringLiteral("mnuDiagnostics"),  QStringLiteral("mnuVentrix"),
            QStringLiteral("mnuHelp"),         QStringLiteral("cmdGraphicalTune"),
            QStringLiteral("cmdMemoryModify"), QStringLiteral("cmdAccuracyTest"),
            QStringLiteral("cmdVentrixRun"),   QStringLiteral("cmdAbout"),
            QStringLiteral("mnuFile")};
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
    QString visible;
    for (const QChar c : lineText.left(40))
        visible += c.isPrint() ? c : QLatin1Char('?');
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
        return {std::nullopt, QStringLiteral("The tune file could not be read:\n") + shown(path) + QLatin1Char('\n')
                                  + error};
    case FileRead::TooLarge:
        return {std::nullopt, shown(path) + QStringLiteral(" is far larger than any tune file.")};
    }
    const ParseResult parsed = ParseTuneText(text);
    if (!parsed.valid)
        return {std::nullopt, QStringLiteral("Illegal File Format.\n") + shown(path) + QLatin1Char('\n')
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
    const ExportResult read = ReadTune(transactKeepingWindowsAlive([&transfer] { return transfer.cancelled(); }),
                                       services::clock().currentDateTime(), transfer.advance());
    // Cancelled: the user asked for it, so it ends quietly, with no file.
    if (transfer.cancelled())
        return;
    if (!read.complete) {
        transfer.setBusy(false);
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"),
             cells::messages::TableReadFailed);
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
        tell(MsgIcon::Exclamation, QStringLiteral("Export Failure"),
             ExportWriteFailureText(path, error));
        return;
    }
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
        ReadTune(transactKeepingWindowsAlive([&transfer] { return transfer.cancelled(); }), when, transfer.advance());
    if (transfer.cancelled())
        return std::nullopt;
    transfer.setBusy(false);
    if (!read.complete) {
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"), cells::messages::TableReadFailed);
        return std::nullopt;
    }
    Tune tune = read.tune;
    tune.origin = {TuneOrigin::Kind::Unit, {}, QString::number(mdlPublicVars::CommPortNumber), when};
    return tune;
}

void RunLockedTransfer(const std::function<void(const Transact&, const Progress&)>& work)
{
    Transfer transfer;
    transfer.setBusy(true);
    work(transactKeepingWindowsAlive(), transfer.advance());
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
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"), ImportReadFailureText(FileRead::Unreadable, path, error));
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

    transfer.showSplash(frmTransferSplash::Kind::Import);
    const ImportResult written = WriteTune(transactKeepingWindowsAlive(), parsed.file, transfer.advance());
    transfer.setBusy(false);
    switch (written.outcome) {
    case ImportOutcome::WriteFailed:
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"),
             QStringLiteral("Import operation failed. Please try again."));
        return;
    case ImportOutcome::WrongEcho:
        tell(MsgIcon::Exclamation, QStringLiteral("Import Failure"), QStringLiteral("Import operation failed!"));
        return;
    case ImportOutcome::Completed:
        break;
    }
    transfer.closeSplash();
    tell(MsgIcon::Information, QStringLiteral("COMPLETE"), QStringLiteral("Tune Import Completed."));
}

} // namespace tunefile

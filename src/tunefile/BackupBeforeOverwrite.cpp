// The backup step of every command that overwrites the unit, with its
// progress window and the question when it fails.
#include "tunefile/Backups.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/TransferProgress.h"
#include "tunefile/TuneTransfer.h"

namespace tunefile {

namespace {

bool offLine()
{
    // The unit is the tune opened off line: its file is the copy.
    return !mdlPublicVars::OffLineTunePath.isEmpty();
}

} // namespace

QString BackupFailureText(const BackupResult& result)
{
    const QString reason = result.failedEntry >= 0
        ? QStringLiteral("The unit did not answer \"%1\".").arg(ReadRequest(TuneOrder().at(result.failedEntry)))
        : QStringLiteral("The backup could not be saved: ") + result.error;
    return QStringLiteral("The tune in the unit could not be backed up.\n") + reason
        + QStringLiteral("\n\nOverwrite the unit without a backup? Its tune is then lost if the new one is wrong.");
}

bool BackUpUnitBeforeOverwrite(Tune* held)
{
    if (held)
        *held = Tune();
    if (offLine())
        return true;
    BackupResult result;
    bool cancelled = false;
    {
        TransferProgress progress;
        progress.showSplash(frmTransferSplash::Kind::Backup);
        result = BackUpUnit(TransactKeepingWindowsAlive([&progress] { return progress.cancelled(); }), BackupFolder(),
                            services::clock().currentDateTime(), mdlPublicVars::CommPortNumber, progress.advance());
        cancelled = progress.cancelled();
    }
    // Cancel means the user thought better of the whole overwrite.
    if (cancelled)
        return false;
    if (result.written) {
        ShowFingerprint(result.remembered);
        if (held)
            *held = result.tune;
        return true;
    }
    return services::dialogs().askBeforeWriting(MsgIcon::Exclamation, QStringLiteral("Backup Failure"),
                                                BackupFailureText(result))
        == MsgAnswer::Yes;
}

bool KeepAsBackup(const Tune& tune)
{
    if (offLine())
        return true;
    QString error;
    if (WriteBackup(BackupFolder(), tune, services::clock().currentDateTime(), mdlPublicVars::CommPortNumber, &error)
            .isEmpty())
        return false;
    tune_history::Remember(tune_history::Source::Backup, QString::number(mdlPublicVars::CommPortNumber), tune,
                           services::clock().currentDateTime());
    return true;
}

} // namespace tunefile

#pragma once

#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"

#include <QStringList>

// Tune > Export Tune and Tune > Import Tune: the whole tune of the connected
// unit to a "*.tun" file and back, with the progress window and the main
// window's progress bar. An import backs the unit up first and reads back
// every entry it wrote. Each runs to its end inside the menu command; the
// main window's device commands stay locked meanwhile and are given back
// whatever the outcome.
namespace tunefile {

// The main-window controls locked while a tune is exported or imported.
QStringList TransferLockedControls();

// The handlers behind mnuExportTuneItem and mnuImportTuneItem. The export's
// time stamp is the installed clock's date and time.
void ExportTune();
void ImportTune();

// Reads the connected unit's whole tune as Export Tune does: its reads, its
// progress window (whose Cancel ends the read quietly) and the main window's
// bar, the device commands locked meanwhile. Nothing when no unit is
// connected, when cancelled, or when a read failed (told as the export
// tells it).
std::optional<Tune> ReadUnitTune();

// Device work run as a transfer, without a progress window: the device
// commands locked, the hourglass, the main window's bar following the
// progress, and the windows kept painted between requests.
void RunLockedTransfer(const std::function<void(const Transact&, const Progress&)>& work);
// Records a whole tune of the connected unit (or of the tune opened off
// line) in the tune history, and shows its fingerprint in the main window's
// status line with the record that held the same tune before.
void RememberWholeTune(tune_history::Source source, const Tune& tune);
void ShowFingerprint(const tune_history::Remembered& remembered);

// Writes lines checked whole (a backup's) into the connected unit as the
// import does: backup first, every line, then every written entry read back.
// True when every line was written and read back as written.
bool RestoreTune(const FileLines& lines);
// "C1F: the file has 80, the unit has 7F" (or "did not answer").
QString MismatchText(const Mismatch& mismatch);
// The report of entries that read back other than written, naming them.
QString VerifyFailureText(const QList<Mismatch>& mismatches, int written);

// Text of the refusal of a file that is no tune: the message, and which
// line was refused.
QString IllegalFormatText(int lineNumber, const QString& lineText);
// Which line was refused, as IllegalFormatText tells it: "Line 4: "C0G00"".
QString RefusedLineText(int lineNumber, const QString& lineText);

// A tune file read whole and checked, for the commands that only look at
// it (the compare): the tune, or the text saying why there is none.
struct LoadedTune {
    std::optional<Tune> tune;
    QString error;
};
LoadedTune LoadTuneFile(const QString& path);

// The question asked before an import overwrites the unit.
inline const QString ImportWarningText =
    QStringLiteral("Importing a tune will OVERWRITE all memory locations.\nWould you like to continue?");

// Text of an export whose file could not be written, naming it and the reason.
QString ExportWriteFailureText(const QString& path, const QString& error);
// Text of an import whose file could not be read (Unreadable or TooLarge).
QString ImportReadFailureText(FileRead failure, const QString& path, const QString& error);

} // namespace tunefile

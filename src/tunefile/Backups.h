#pragma once

#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Backups of the connected unit's whole tune, taken before anything
// overwrites it (an import, a restore, a table copied to the unit, a table
// saved into it), so a wrong file never costs the tune it replaced.
//
// A backup is a tune file like any export, kept in the user's data folder
// under a name made of the date, time and port it was read on (the unit has
// no identity of its own): "2026-12-07_09-34-19_port1.tun"; a second backup
// within the same second is "..._port1_2.tun". The newest 100 are kept.
//
// Newest means the last written, whatever the dates in the names say: a
// clock set back (or reset) names a new backup earlier than older ones. The
// folder keeps the order KESTREL wrote its backups in, one file name a line
// in BackupOrderFileName; backups it does not name (older than that list, or
// put there by hand) count as older than every one it names, and among
// themselves go by the date in their names.
namespace tunefile {

inline constexpr int BackupsKept = 100;
inline const QString BackupOrderFileName = QStringLiteral("write-order.txt");

// The folder backups go to: "backups" in the user's data folder, or the one
// SetBackupFolder gave (tests, tools).
QString BackupFolder();
// Another folder for backups; an empty one gives the user's folder back.
void SetBackupFolder(const QString& folder);

struct BackupFile {
    QString path;
    QDateTime when;
    int port = 0;
    int sequence = 1; // 2, 3, ... for later backups within one second
    int written = 0;  // its place in the order written (1 the first noted), 0 when not noted
};

QString BackupFileName(const QDateTime& when, int port, int sequence = 1);
// The backup a file name stands for (path left empty), or nullopt when the
// name is no backup's.
std::optional<BackupFile> ParseBackupFileName(const QString& fileName);

// The backups in a folder, newest (last written) first; other files are not
// looked at.
QList<BackupFile> ListBackups(const QString& folder);

// Removes all but the newest `keep` backups of the folder. The backup just
// written (`spared`) and any backup in use (BackupInUse) are never removed.
void RotateBackups(const QString& folder, int keep = BackupsKept, const QString& spared = {});

// While one lives, the backup at `path` is being restored: no rotation
// removes it, however old it is.
class BackupInUse {
public:
    explicit BackupInUse(const QString& path);
    ~BackupInUse();
    BackupInUse(const BackupInUse&) = delete;
    BackupInUse& operator=(const BackupInUse&) = delete;

private:
    QString path_;
};

// Writes a tune as a new backup (whole or not at all), notes it as the
// newest, then rotates the folder. Returns its path, or an empty string with
// the reason in error.
QString WriteBackup(const QString& folder, const Tune& tune, const QDateTime& when, int port, QString* error);

// A backup file read back as a tune (its origin the backup), or nullopt with
// the reason in error.
std::optional<Tune> ReadBackup(const QString& path, QString* error = nullptr);

struct BackupResult {
    bool written = false;
    QString path;
    Tune tune;                           // what the unit held, when read whole
    int failedEntry = -1;                // the entry (index into TuneOrder) whose read failed
    QString error;                       // why the file could not be written
    tune_history::Remembered remembered; // the backup's record in the tune history
};

// Reads the whole unit with the export's reads and keeps it as a backup.
BackupResult BackUpUnit(const Transact& transact, const QString& folder, const QDateTime& when, int port,
                        const Progress& progress = {});

// How many of the backup's entries the unit holds with another value now.
int DifferingEntries(const Tune& backup, const Tune& unit);

// What restoring a backup writes: its entries as data lines.
FileLines BackupLines(const Tune& backup);

// The file's lines that change the unit, given what it holds: a line whose
// value the entry already has at that point is left empty (not written, but
// still counted for progress and line numbers).
FileLines LinesThatChange(const FileLines& file, const Tune& unit);

// What the user is asked when a backup failed: why, and whether to go on.
QString BackupFailureText(const BackupResult& result);

// Reads the whole connected unit into a new backup file, with the transfer's
// progress window. True when the overwrite may go on: the backup was made,
// the unit is the tune opened off line (its file is the copy), or the backup
// failed and the user answered Yes to going on without one (No is the
// default). False stops the overwrite before anything is written. With
// `held`, the tune the backup read (empty without a backup) is given back,
// so the overwrite can leave alone what the unit already holds.
bool BackUpUnitBeforeOverwrite(Tune* held = nullptr);

// The same for a tune the caller has just read from the unit itself (the
// graphical tuner going on line): kept as a backup without asking the unit
// again. False when it could not be written (nothing is asked).
bool KeepAsBackup(const Tune& tune);

} // namespace tunefile

#pragma once

#include "tunefile/TuneFile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

// Every whole tune KESTREL reads from or writes to a unit (and every tune
// saved off line), kept in one SQLite file beside the backups with when,
// where and how it was seen, its fingerprint, and a note and a car label the
// user edits. The backup files stay the backups: the history is an index of
// tunes with notes, and losing it loses no tune file.
//
// A history file that cannot be used (not a database, truncated, read-only,
// locked by another program) never stops the command that wanted a record:
// the failure is told once and the work goes on without it.
namespace tune_history {

// What produced a record; the words are kestrel-cli history's.
enum class Source { Export, Backup, Import, Restore, SaveTable, OffLineSave };
QString SourceName(Source source);

// A short hash of the tune's entries in file order (absent entries count as
// absent): the same for two files that differ only in their time stamp, line
// order or line ends, different when one entry differs. 12 hexadecimal digits.
QString Fingerprint(const tunefile::Tune& tune);

// What a restore from the history writes: the whole tune ('\0'), one
// table ('C', 'O', 'L', 'H') or the registers (RegisterLetter).
tunefile::FileLines PartLines(const tunefile::Tune& tune, char part);
// "the whole tune", "table C", "the registers".
QString PartName(char part);

struct Record {
    qint64 id = 0;
    QDateTime when;
    QString port; // "1", or the tune file worked on off line
    Source source = Source::Export;
    tunefile::Tune tune;
    QString fingerprint;
    QString note;
    QString label;
};

// "history.sqlite" in the user's data folder, beside the backups folder (in
// a backups folder set by SetBackupFolder, the file is inside it, so a test
// or tool keeps its own); SetHistoryPath gives another (empty: the default).
QString HistoryPath();
void SetHistoryPath(const QString& path);

// One open history file. Every change is one transaction; a second process
// writing at the same time is waited for (up to busyTimeoutMs) before it
// counts as a failure.
class History {
public:
    explicit History(const QString& path = HistoryPath(), int busyTimeoutMs = 5000);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // False with the reason in error() when the file cannot be used.
    bool isOpen() const { return open_; }
    QString error() const { return error_; }

    // The new record's id, or nullopt with error() set.
    std::optional<qint64> add(Source source, const QString& port, const tunefile::Tune& tune, const QDateTime& when);
    // Newest first; a search matches the note or the label, any case.
    QList<Record> records(const QString& search = {});
    // Number 1 is the newest, as records() lists them.
    std::optional<Record> numbered(int number);
    // The newest record holding the tune with this fingerprint.
    std::optional<Record> matching(const QString& fingerprint);
    bool setNote(qint64 id, const QString& note);
    bool setLabel(qint64 id, const QString& label);

private:
    bool fail(const QString& what, const QString& why);
    // The records the condition ("WHERE ...", its values bound in order)
    // keeps, newest first; limit -1 for all.
    QList<Record> select(const QString& condition, const QVariantList& values, int limit = -1, int offset = 0);
    // Whether the file holds the history's table, made when missing.
    bool ready();

    QString connection_;
    QString path_; // set once the file is open
    bool open_ = false;
    QString error_;
};

// Records a tune in the default history. A failure is told once per run
// through the reporter (the window's box, kestrel-cli's standard error);
// later ones are silent.
using Reporter = std::function<void(const QString& text)>;
void SetFailureReporter(Reporter reporter);

struct Remembered {
    bool recorded = false;
    QString fingerprint;
    // The newest record that held the same tune before this one.
    std::optional<Record> earlier;
};
Remembered Remember(Source source, const QString& port, const tunefile::Tune& tune, const QDateTime& when);
// The text told when the history cannot be used.
QString FailureText(const QString& path, const QString& why);

// "matches Saturday 14:02, "after dyno"" for the status line after a whole
// read, or "no record matches" when the history holds none with it.
QString MatchText(const QString& fingerprint, const std::optional<Record>& match);

} // namespace tune_history

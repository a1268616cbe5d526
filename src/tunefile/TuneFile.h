#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "link/Unit.h"
#include "tunefile/Tune.h"

#include <functional>

// A "*.tun" tune file: the four correction tables and the twenty
// configuration registers of a unit, one entry a line.
//
//   &M110901
//   12-05-2026-07:41:09          time stamp of the export
//   C0080 ... C FF ..            256 lines each of C, O, L, H, then T00 to T13
//   (empty)                      the text ends with two line ends in a row
//
// Every line ends with CR LF. A data line is the table letter, the address as
// two upper-case hexadecimal digits and the value as the unit sent it; it is,
// character for character, what follows "W" in the unit's write command.
//
// Nothing here opens a window: reading a tune from a unit, checking a file's
// text and writing it back go through a transaction callback and report
// progress through another, so the same functions serve the main window and
// tools without one.
namespace tunefile {

inline const QString FormatIdentifier = QStringLiteral("&M110901");
inline const QString LineEnd = QStringLiteral("\r\n");

// Attempts and time-out (ms) of each read and each write.
inline constexpr int ReadAttempts = unit::PatienceOf(unit::Use::TuneExport).attempts;
inline constexpr int ReadTimeoutMs = unit::PatienceOf(unit::Use::TuneExport).timeoutMs;
inline constexpr int WriteAttempts = unit::PatienceOf(unit::Use::TuneImport).attempts;
inline constexpr int WriteTimeoutMs = unit::PatienceOf(unit::Use::TuneImport).timeoutMs;

// A file larger than this cannot be a tune (an exported one is about 8 KB).
inline constexpr qint64 MaximumFileSize = 1024 * 1024;

// "RC1F", "RT13": the request that reads an entry.
QString ReadRequest(const Entry& entry);

// "12-05-2026-07:41:09".
QString TimeStamp(const QDateTime& when);

// Percent shown after `handled` data lines (0 to 100, however many lines).
int ProgressPercent(int handled);

// One transaction with the unit: true with the reply data in `reply` when a
// positive reply came, false (reply empty) when every attempt failed
// (unit::TransactOnLink, unit::TransactOn, or a test's script).
using Transact = unit::Transact;

// Called after each data line handled with the count so far (1 to 1044 for
// an export; an import counts its empty lines too).
using Progress = std::function<void(int handled)>;

// --- export ----------------------------------------------------------------

struct ExportResult {
    bool complete = false;
    // When a read failed: the entry (index into TuneOrder) it failed at.
    int failedEntry = -1;
    // When complete: the whole file's text, ready to be saved as it is,
    // and the same tune as a model (its origin is the caller's to set).
    QString text;
    Tune tune;
};

// Reads every entry of the unit in file order, stopping at the first read
// that fails (the transaction refuses a reply that carries no value).
ExportResult ReadTune(const Transact& transact, const QDateTime& when, const Progress& progress = {});

// The file's text from the 1044 values (two characters each, in file order).
QString TuneText(const QDateTime& when, const QList<QString>& values);
// The file's text of a tune: its stamp on line 2, then its present entries
// in file order. A complete tune gives what an export of it would.
QString TuneText(const Tune& tune);

// --- import ----------------------------------------------------------------

// The text of a file to be imported. A tune is a few kilobytes; a file far
// larger is refused unread. error says why a file could not be read.
enum class FileRead { Ok, Unreadable, TooLarge };
FileRead ReadTuneFile(const QString& path, QString& text, QString& error);

// A file's data lines, from line 3 on, each as it stands; empty lines are
// kept (they count for progress) and skipped when writing.
struct FileLines {
    QList<QString> lines;
    int writeCount() const;
};

struct ParseResult {
    bool valid = false;
    int badLine = 0; // 1-based line number of the first line refused
    QString badText; // that line, as it stands
    FileLines file;  // what an import writes, line for line
    Tune tune;       // the entries the file names (a later line wins)
};

// Splits a file's text into lines (CR LF, LF or CR ends a line; the end of
// the text after a final line end is no line) and checks every one before
// anything is sent: line 1 is exactly the identifier, line 2 (the time
// stamp) is present and no data line (its text is not looked at further),
// every other line is empty or a data line.
ParseResult ParseTuneText(const QString& text);

// A tune read from a file's text, with the file as its origin; nullopt when
// the text is no tune file.
std::optional<Tune> TuneFromText(const QString& text, const QString& path = {});

// Whether one line is a data line: C, O, L or H with an address 00 to FF,
// or T with a register 00 to 13, both in upper-case digits, then a value of
// two hexadecimal digits of either case.
bool IsDataLine(const QString& line);

// The write request of a data line: "W" followed by the line, unchanged.
QString WriteRequest(const QString& dataLine);

// Whether a write's reply confirms the line: the echoed letter (in upper
// case), address and value are the line's, hexadecimal digits of either case.
bool EchoConfirms(const QString& replyData, const QString& dataLine);

enum class ImportOutcome { Completed, WriteFailed, WrongEcho };

struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Completed;
    int lineNumber = 0; // the file's line at which the import stopped
    int written = 0;    // writes confirmed before it
};

// Writes the tune's lines in order, each confirmed by its echo, stopping at
// the first failure; everything written before it stays in the unit.
ImportResult WriteTune(const Transact& transact, const FileLines& file, const Progress& progress = {});

// WriteTune's or VerifyTune's progress counted in the lines actually sent:
// `progress` gets those sent so far scaled to DataLineCount, so a bar over
// the whole tune fills as the requests go, however few lines are not empty.
Progress CountingSentLines(const FileLines& file, const Progress& progress);

// What a unit holding `held` holds once the lines are written.
Tune AfterWriting(const Tune& held, const FileLines& file);

// An entry whose value in the unit is not the one its line gave.
struct Mismatch {
    QString entry;    // "C1F", "T13"
    QString expected; // the line's value
    QString found;    // the unit's, empty when it did not answer
};

// Reads back every entry the tune's lines wrote and compares its value
// (hexadecimal digits of either case), in line order; an entry named twice
// is checked once, against its last line.
QList<Mismatch> VerifyTune(const Transact& transact, const FileLines& file, const Progress& progress = {});

// The 1-based file line of the tune's data line at index i.
inline int FileLineOf(int index)
{
    return index + 3;
}

} // namespace tunefile

#pragma once

#include "monitor/LiveSample.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// The monitor's data log: a text file of quoted, comma-separated records
// ended by CR LF. The first line is the date and time the file was opened,
// the second the column names, then one line per sample: the time and the
// values exactly as the monitor shows them.
namespace datalog {

inline const QString DefaultFileName = QStringLiteral("MON_Datalog.txt");
inline const QString LineEnd = QStringLiteral("\r\n");

// Every field in double quotes, separated by commas, no spaces, CR LF.
QString Record(const QStringList& fields);

QString DateText(const QDate& date); // 12-05-2026
QString TimeText(const QTime& time); // 07:41:09

QStringList ColumnNames();
// The first two lines, for a file opened at `opened`: its date and time, then
// the column names (the monitor's unless a log has its own).
QString Header(const QDateTime& opened, const QStringList& columns = ColumnNames());

// A sample's values as the monitor shows them, in column order after the time.
QStringList ShownValues(const LiveSample& sample);

// One sample: the time it is written, then the shown texts in column order;
// `fine`: then the thousandths of its second, in the last column.
QString DataLine(const QTime& written, const QStringList& shownValues, bool fine = false);

// Above 20 samples a second a whole second holds many samples: a log
// written that fast gains this last column, the thousandths (000 to 999) of
// the second in "Time". "Time" itself keeps its hh:mm:ss, and a reader that
// knows nothing of the column still takes every line (it finds its columns
// by their names, or reads the first eleven fields in their order).
inline const QString FineTimeColumn = QStringLiteral("ms");
// The columns of a log written that fast.
QStringList FineColumns(const QStringList& columns);

// The program's own mark of an event, in the form of the user's time stamp
// with a note after the time: "USER TIMESTAMP:","09:27:05","link lost".
QString NoteLine(const QTime& written, const QString& note);
inline const QString LinkLostNote = QStringLiteral("link lost");
inline const QString LinkBackNote = QStringLiteral("link back");

// One open log file. Each line reaches the file as soon as it is written, so
// a crash or a pulled cable loses no recorded sample.
class DatalogFile {
public:
    // Creates (or replaces) the file and writes the header. False when the
    // file cannot be created or written; it is then not open, and a file the
    // header did not reach is not left behind empty.
    bool create(const QString& path, const QDateTime& opened, const QStringList& columns = ColumnNames());
    // Appends one line; false when it did not reach the file.
    bool append(const QString& line);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return path_; }
    // Why the last create or append failed ("No space left on device").
    QString error() const { return error_; }

private:
    QFile file_;
    QString path_;
    QString error_;
};

} // namespace datalog

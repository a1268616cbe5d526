#pragma once

#include "monitor/Datalog.h"
#include "platform/Dialogs.h"

#include <QObject>
#include <QStringList>

#include <functional>

namespace datalog {

// What differs between the windows that record a data log.
struct RecorderSetup {
    QString defaultName; // the name the save dialog offers first
    QStringList columns; // the header's column names, "Time" first
    QString withoutLog;  // what the window does when the file cannot be created
                         // ("Monitoring will run without a data log.")
    // How the recorder's boxes are shown; plain message boxes when empty (a
    // window that must hold its timer around a box passes its own).
    std::function<void(MsgIcon, const QString& title, const QString& text)> tell;
};

// A window's data log from the user's choice of file to its closing: asks
// for the file, creates it with its header, appends one line of shown values
// per sample, stamps the user's marks, and reports what became of the file.
// It says when lines start and stop going to a file through loggingChanged,
// before any box it shows.
//
// Every box or dialog is the last thing a call does, and nothing runs after
// it: the window that owns the recorder (its parent) may be gone when the
// call returns.
class Recorder final : public QObject {
    Q_OBJECT
public:
    Recorder(RecorderSetup setup, QObject* parent);

    // Asks for a file and creates it; above 20 samples a second (the stored
    // sampling rate) its lines carry the thousandths of their second. Cancelling the dialog gives no log and
    // no box; a file that cannot be created gives no log and the "File Error"
    // box. True when lines now go to a file.
    bool start();
    // One sample's line: the time of day, then the shown values in column
    // order. A line the disk refuses stops the log and says so.
    void record(const QStringList& shownValues);
    // The user's mark ("USER TIMESTAMP:" and the time of day), with the
    // system beep; nothing when no file is open.
    void stamp();
    // The program's own mark in the same form, with a note after the time
    // ("link lost", "link back"); nothing when no file is open.
    void note(const QString& text);
    // Closes the file and tells the user its name; nothing when none is open.
    void stop();
    // Closes the file without a word (a window closed by the program's exit).
    void close();

    bool isLogging() const { return file_.isOpen(); }
    // The file's full name while one is written (and after, until the next).
    QString path() const { return file_.path(); }
    const FileDialogRequest& dialog() const { return dialog_; }

signals:
    void loggingChanged(bool logging);

private:
    void append(const QString& line);
    void tell(MsgIcon icon, const QString& title, const QString& text);

    RecorderSetup setup_;
    FileDialogRequest dialog_;
    DatalogFile file_;
    bool fine_ = false;
};

} // namespace datalog

#pragma once

#include "monitor/Datalog.h"
#include "platform/Dialogs.h"

#include <QObject>
#include <QString>

struct GraphicalTuneControls;
class TunerSession;
class QWidget;

// The tuner's ENGINE MONITOR and its data log: a live sample drawn on the
// readouts, the readouts cleared off line, and the log (START asks for a
// file, each sample shown adds a line while it runs, the space bar a stamp
// of the user's own, STOP closes it and says so).
class TunerReadout final : public QObject {
    Q_OBJECT
public:
    TunerReadout(GraphicalTuneControls& controls, TunerSession& session, QWidget* window);

    // Draws one sample; the MAF volts, for the cell in use.
    double show(const QString& data, bool openLoopTable);
    void clear();

    bool logging() const { return logging_; }
    bool armed() const { return armed_; }
    QString path() const { return log_.path(); }
    // START / STOP.
    void toggle();
    // The line of the sample just shown, while logging.
    void writeLine();
    // "USER TIMESTAMP:" with the time, while logging.
    void stamp();
    // Stops logging; with `report` the user is told the file was written.
    void close(bool report);
    // The window goes: every line already written is in the file.
    void closeQuietly();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose();
    void failed(QString path);

    GraphicalTuneControls& c_;
    TunerSession& session_;
    QWidget* window_;
    bool logging_ = false;
    bool armed_ = false;
    int multispark_ = 0;
    datalog::DatalogFile log_;
    FileDialogRequest dialog_;
};

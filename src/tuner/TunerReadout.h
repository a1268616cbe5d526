#pragma once

#include "monitor/LiveSample.h"

#include <QList>
#include <QObject>
#include <QString>

struct GraphicalTuneControls;
namespace datalog {
class Recorder;
}
class TunerSession;
class QLabel;
class QWidget;

// The tuner's ENGINE MONITOR and its data log: a live sample drawn on the
// readouts (dark text on every coloured ground), the readouts cleared off
// line, and the log, kept by the shared recorder (START asks for a file,
// each sample shown adds a line while it runs, the space bar a stamp of the
// user's own, STOP closes it and says so).
class TunerReadout final : public QObject {
    Q_OBJECT
public:
    TunerReadout(GraphicalTuneControls& controls, TunerSession& session, QWidget* window);

    // Takes one sample: decodes it (the multispark count runs from sample
    // to sample) for show() and writeLine().
    void take(const QString& data);
    // Draws the sample taken last; the MAF volts, for the cell in use.
    double show(bool openLoopTable);
    void clear();
    // The link is lost: the readouts are greyed, their colours and ACTIVITY
    // go to the button face, and a log notes it; linkBack() notes the end of
    // the gap (the next sample brings the readouts back).
    void linkLost();
    void linkBack();

    bool logging() const;
    bool armed() const { return armed_; }
    QString path() const;
    // START / STOP.
    void toggle();
    // The line of the sample taken last, as show() draws it, while logging.
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
    void showLogging(bool logging);
    QList<QLabel*> readoutLabels() const;

    GraphicalTuneControls& c_;
    TunerSession& session_;
    QWidget* window_;
    datalog::Recorder* recorder_ = nullptr;
    bool armed_ = false;
    int multispark_ = 0;
    QString data_;     // the sample taken last ...
    LiveSample taken_; // ... and its decode
};

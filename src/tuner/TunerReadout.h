#pragma once

#include <QObject>
#include <QString>

struct GraphicalTuneControls;
namespace datalog {
class Recorder;
}
class TunerSession;
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

    // Draws one sample; the MAF volts, for the cell in use.
    double show(const QString& data, bool openLoopTable);
    void clear();

    bool logging() const;
    bool armed() const { return armed_; }
    QString path() const;
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
    void showLogging(bool logging);

    GraphicalTuneControls& c_;
    TunerSession& session_;
    QWidget* window_;
    datalog::Recorder* recorder_ = nullptr;
    bool armed_ = false;
    int multispark_ = 0;
};

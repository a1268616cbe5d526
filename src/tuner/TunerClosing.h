#pragma once

#include <QObject>

struct GraphicalTuneControls;
class TunerCells;
class TunerReadout;
class TunerSession;
class TunerTableSave;
class QWidget;

// Leaving the graphical tuner: QUIT asks first off line (the edits would be
// lost), closes a running log and says so, and gives the main window its
// commands back; a close by the program's exit releases the same without a
// word (every log line already written stays in the file).
class TunerClosing final : public QObject {
    Q_OBJECT
public:
    TunerClosing(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells, TunerReadout& readout,
                 TunerTableSave& saving, QWidget* window);

    void quit();
    void release();

private:
    GraphicalTuneControls& c_;
    TunerSession& session_;
    TunerCells& cells_;
    TunerReadout& readout_;
    TunerTableSave& saving_;
    QWidget* window_;
};

#pragma once

#include "correction/CorrectionCells.h"
#include "correction/SliderInterpolation.h"
#include "tuner/GlobalEdits.h"
#include "tuner/TableEditing.h"

#include <QColor>
#include <QObject>

#include <array>
#include <functional>

struct GraphicalTuneControls;
class TunerSession;
class QWidget;

// The tuner's table on its 25 slider cells: the table itself and the slider
// offset, the sliders and value boxes that show it, the user's slider moves
// written through the session (a thumb drag on line coalesced to its latest
// position), the edits that move every cell at once, and the cell the
// engine is using marked. A failed write ends the move or edit, the entry is
// read back, and one message says so once the handler has returned.
//
// The program's own settings of a slider never write: placeSliders() and
// setSliderQuietly() only show.
inline const QString CellsBeyondText = QStringLiteral("Cannot change the cells. A cell would pass -100% or +100%.");

class TunerCells final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<char()> tableLetter; // the letter the writes go to
        std::function<void()> linkLost;    // a refused write not read back
    };
    TunerCells(GraphicalTuneControls& controls, TunerSession& session, QWidget* window, Hooks hooks);

    tuner::Table& table() { return table_; }
    const tuner::Table& table() const { return table_; }
    int offset() const { return offset_; }
    void setOffset(int offset) { offset_ = offset; }
    // Armed: the user's slider moves are taken (a load that read everything arms them).
    bool armed() const { return armed_; }
    void arm(bool armed) { armed_ = armed; }
    bool editRunning() const { return editRunning_; }
    int activeCell() const { return activeCell_; }
    tuner::SliderValues sliderValues() const;

    // Every slider and box shows the table (values beyond a slider's reach
    // put it at its end); nothing is written.
    void placeSliders();
    void showDelta(int cell, int value);
    void setSliderQuietly(int cell, int value);

    // The user moved slider `cell`.
    void userMoved(int cell);
    void sliderReleased(int cell);
    // The cell and the entries between it and its neighbours, as the sliders stand.
    void writeSliderCell(int cell);

    // Moves the cells by amounts, adding to every entry (on line each changed
    // entry written once, the first failed write ending it); true when all
    // of it was done. Refused as a whole, with `refused` told which entry,
    // when an entry would leave what the unit holds.
    bool moveCells(const tuner::CellAmounts& amounts, const std::function<void(const tuner::EntryWrite&)>& refused,
                   const QString& name);
    // 5 % LEAN and RICH: every cell or none.
    void shiftAll(int delta);
    // ZERO: each slider to 0, written cell by cell.
    void zeroAll();

    void markActiveCell(int cell);
    void clearActiveCell();

    // Undo and redo. An edit between beginStep() and endStep() is one step
    // (an edit inside another joins it). Undo and redo write back, on line,
    // only the entries the step changed, each confirmed by its echo; a
    // failed write leaves the step where it was.
    void beginStep(const QString& name);
    void endStep();
    const tuner::EditHistory& history() const { return history_; }
    void dropHistory();
    void undo();
    void redo();
    // Edits made off line and not yet saved into a tune.
    bool unsaved() const { return unsaved_; }
    void markSaved() { unsaved_ = false; }

    // The cell cursor and selection, and the edits of the selected cells.
    tuner::CellSelection& selection() { return selection_; }
    tuner::CellAmounts cellValues() const;
    // The cells to `target`, the entries between them ramped (one step);
    // refused with a message when a cell would leave -100..100.
    bool setCells(const tuner::CellAmounts& target, const QString& name);
    void editSelection(tuner::SelectionEditKind kind, int amount);
    // Every entry of the table to `table` (a paste of the whole table).
    bool setTable(const tuner::Table& table, const QString& name);
    // The selected value boxes on their own ground, the cursor's in bold.
    void showSelection();

signals:
    void historyChanged();

private:
    QColor restingBackground(int cell) const;
    bool applyWrite(int cell, int address, int value);
    void refuseMove(int cell, bool linkLost);
    void reportRefusal();
    void releaseSlider(int cell);
    void flushDrag();
    // The entries written (on line) and taken in order; the first failed
    // write ends it (the caller tells it once its own work is done).
    struct WritesOutcome {
        bool done;
        bool linkLost;
    };
    WritesOutcome writeEntries(const QList<tuner::EntryWrite>& writes);
    // The writes as one step, the sliders then placed; a failure told.
    bool writeAsStep(const QList<tuner::EntryWrite>& writes, const QString& name);
    void stepBack(bool undoing);
    // A thumb drag is one step from press to release.
    void beginDrag(int cell);
    void endStaleDrag();
    bool busyWithStep();

    GraphicalTuneControls& c_;
    TunerSession& session_;
    QWidget* window_;
    Hooks hooks_;

    tuner::Table table_{};
    int offset_ = 0;
    bool armed_ = false;
    bool editRunning_ = false;
    // A refused slider or global-edit write, reported once the handler that
    // met it has returned; the cell whose slider made it (-1 for none).
    bool refusalPending_ = false;
    bool refusalLinkLost_ = false;
    int refusalCell_ = -1;
    int activeCell_ = -1;
    // Slider positions of a thumb drag on line not yet written, by cell.
    std::array<bool, tuner::CellCount> dragPending_{};
    bool dragFlushQueued_ = false;

    tuner::EditHistory history_;
    tuner::Table stepBefore_{};
    QString stepName_;
    int stepDepth_ = 0;
    bool dragStepOpen_ = false;
    bool unsaved_ = false;
    tuner::CellSelection selection_;
};

#pragma once

#include "correction/CorrectionCells.h"
#include "correction/SliderInterpolation.h"

#include <QList>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

// The tuner as a table editor, without its window: the undo history of
// entry changes, the cell cursor and selection, the edits of a selection,
// the clipboard's text and the mouse's finer drag.
namespace tuner {

// --- undo and redo ---------------------------------------------------------------

struct EntryChange {
    int address;
    int before;
    int after;
    bool operator==(const EntryChange&) const = default;
};

// One edit as the user made it: its name and the entries it changed, in
// address order.
struct EditStep {
    QString name;
    QList<EntryChange> changes;
};

// The entries that differ between two states of the table.
QList<EntryChange> ChangesBetween(const Table& before, const Table& after);

// The writes that take `table` back to before the step (undo) or on to after
// it (redo): only the step's entries that do not already hold that value,
// undo in reverse address order (the last written first), redo in address order.
QList<EntryWrite> UndoWrites(const EditStep& step, const Table& table);
QList<EntryWrite> RedoWrites(const EditStep& step, const Table& table);

// The steps of the table on the sliders: a new step ends whatever could be
// redone; a step that changed nothing is not kept.
class EditHistory {
public:
    void record(const QString& name, const Table& before, const Table& after);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    const EditStep& nextUndo() const { return undo_.back(); }
    const EditStep& nextRedo() const { return redo_.back(); }
    // The step moves to the other list once its writes are all done.
    void undone();
    void redone();
    void clear();
    bool empty() const { return undo_.empty() && redo_.empty(); }

private:
    std::vector<EditStep> undo_;
    std::vector<EditStep> redo_;
};

// --- the cell cursor and the selection ---------------------------------------------

// The cursor cell and, when the user extended it (Shift, Ctrl+A), the run of
// neighbouring cells from the anchor to the cursor. Without one, an edit acts
// on the cursor cell alone.
class CellSelection {
public:
    int cursor() const { return cursor_; }
    bool extended() const { return anchor_.has_value(); }
    int first() const { return anchor_ ? std::min(*anchor_, cursor_) : cursor_; }
    int last() const { return anchor_ ? std::max(*anchor_, cursor_) : cursor_; }
    bool contains(int cell) const { return cell >= first() && cell <= last(); }

    // Left/Right (by = -1/+1): the cursor moves, the selection ends; with
    // Shift it grows or shrinks from the anchor.
    void step(int by, bool extend);
    void place(int cell);
    void selectAll();

private:
    int cursor_ = 0;
    std::optional<int> anchor_;
};

// --- edits of a selection ------------------------------------------------------------

enum class SelectionEditKind { Set, Add, Scale, Interpolate, Smooth };

// The cells' values after the edit (`amount`: the value set, the points
// added, the percentage scaled by); cells outside first..last keep theirs.
// Set and Add take the amount; Scale rounds cur x percent / 100; Interpolate
// runs a straight line between the selection's end cells; Smooth takes
// (left + 2 own + right) / 4 of the values before it, an end cell of the
// table standing in for its missing neighbour. Rounded halves to even.
CellAmounts EditedCells(const CellAmounts& cells, int first, int last, SelectionEditKind kind, int amount);

// The amounts each cell moves by to reach `target` from `cells`, for
// MoveCells; nullopt when a target leaves the slider's -100..100.
std::optional<CellAmounts> AmountsTo(const CellAmounts& cells, const CellAmounts& target);

// The name the step is given in the undo buttons.
QString SelectionEditName(SelectionEditKind kind, int amount);

// --- the clipboard -------------------------------------------------------------------

// Cells' values as one row of tab-separated numbers; the whole table as 16
// rows of 16 (entries 00-0F, 10-1F, ...), each row ended by a line break.
QString CellsText(const QList<int>& values);
QString TableText(const Table& table);

// What a paste holds: values for the cells from `start` on, or (exactly 256
// numbers) the whole table. A refusal names what is wrong; nothing changes.
struct Paste {
    QString refusal;
    int start = 0;
    QList<int> cells;
    std::optional<Table> table;
};
Paste ParsePaste(const QString& text, int cursor);

// --- the mouse -------------------------------------------------------------------

// A drag's value: at most 1 point per 2 pixels moved, or per 10 with Shift;
// downwards is richer (the larger value), kept within -100..100.
int DraggedValue(int startValue, int pixelsDown, bool fine);

// --- dialogs -------------------------------------------------------------------------

// Where a dialog of `wanted` size goes: centred on its window `near`, no
// larger than the screen's work area and wholly within it.
QRect PlaceNear(QSize wanted, const QRect& near, const QRect& screen);
// What a top-level window's frame takes beyond its content: the title bar
// above, the border at the sides and below (pixels, allowed generously).
inline constexpr int FrameTop = 32;
inline constexpr int FrameSide = 8;

} // namespace tuner

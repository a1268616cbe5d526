#include "tuner/TunerCells.h"

#include "correction/ChangeGraph.h"
#include "platform/Colours.h"
#include "tuner/CellSlider.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TunerSession.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>

using namespace tuner;
using namespace graphical_tune;

TunerCells::TunerCells(GraphicalTuneControls& controls, TunerSession& session, QWidget* window, Hooks hooks)
    : QObject(window), c_(controls), session_(session), window_(window), hooks_(std::move(hooks))
{
    for (int i = 0; i < CellCount; ++i) {
        OnUserMove(c_.sliders_[i], this, [this, i] { userMoved(i); });
        connect(c_.sliders_[i], &QScrollBar::sliderPressed, this, [this, i] { beginDrag(i); });
        connect(c_.sliders_[i], &QScrollBar::sliderReleased, this, [this, i] { sliderReleased(i); });
    }
}

SliderValues TunerCells::sliderValues() const
{
    SliderValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = c_.sliders_[i]->value();
    return values;
}

void TunerCells::placeSliders()
{
    for (int i = 0; i <= LastCell; ++i) {
        // Values beyond the slider's reach sit at its end; the table keeps them.
        const int value = table_[EntryOf(i, offset_)];
        c_.sliders_[i]->setValue(SliderPosition(value));
        showDelta(i, value);
        c_.sliders_[i]->setSingleStep(1);
        c_.sliders_[i]->setPageStep(5);
        c_.sliders_[i]->setEnabled(true);
    }
}

void TunerCells::showDelta(int cell, int value)
{
    QLineEdit* box = c_.deltas_[cell];
    box->setText(WholeNumber(value));
    colours::SetTextColour(box, value < 0 ? colours::Red : DarkGreen);
    // Beyond the slider's reach the slider sits at its end; the box, on
    // orange, still says what the entry holds.
    box->setToolTip(BeyondSlider(value)
                        ? QStringLiteral("The entry holds %1, beyond the slider's -100 to +100.").arg(value)
                        : QStringLiteral("Type a value and press Enter to set the cell."));
    if (cell != activeCell_)
        colours::SetBackground(box,
                               selection_.extended() && selection_.contains(cell) ? SelectedBlue
                                   : BeyondSlider(value)                          ? BeyondSliderOrange
                                                                                  : White);
}

QColor TunerCells::restingBackground(int cell) const
{
    if (selection_.extended() && selection_.contains(cell))
        return SelectedBlue;
    return BeyondSlider(table_[EntryOf(cell, offset_)]) ? BeyondSliderOrange : White;
}

void TunerCells::showSelection()
{
    for (int i = 0; i <= LastCell; ++i) {
        QLineEdit* box = c_.deltas_[i];
        if (i != activeCell_)
            colours::SetBackground(box, restingBackground(i));
        QFont font = box->font();
        font.setBold(i == selection_.cursor());
        box->setFont(font);
    }
}

void TunerCells::setSliderQuietly(int cell, int value)
{
    c_.sliders_[cell]->setValue(value);
    showDelta(cell, table_[EntryOf(cell, offset_)]);
}

// --- the user's moves --------------------------------------------------------------

void TunerCells::userMoved(int cell)
{
    if (!armed_)
        return;
    if (refusalPending_) {
        // A refused write ended the move: the slider stays with what the unit holds.
        setSliderQuietly(cell, SliderPosition(table_[EntryOf(cell, offset_)]));
        return;
    }
    if (session_.onLine() && c_.sliders_[cell]->isSliderDown()) {
        // A thumb drag on line: positions that come while the unit is still
        // being written are taken together, and only the latest is written,
        // so the window keeps up with the mouse. The release writes the last.
        dragPending_[cell] = true;
        if (!dragFlushQueued_) {
            dragFlushQueued_ = true;
            QTimer::singleShot(0, this, &TunerCells::flushDrag);
        }
        return;
    }
    beginStep(QStringLiteral("slider %1").arg(cell));
    writeSliderCell(cell);
    endStep();
}

void TunerCells::flushDrag()
{
    dragFlushQueued_ = false;
    for (int i = 0; i < CellCount; ++i) {
        if (!dragPending_[i])
            continue;
        dragPending_[i] = false;
        if (armed_)
            writeSliderCell(i);
    }
}

void TunerCells::sliderReleased(int cell)
{
    if (dragPending_[cell]) {
        dragPending_[cell] = false;
        if (armed_)
            writeSliderCell(cell);
    }
    // From press to release the drag is one step.
    if (dragStepOpen_) {
        dragStepOpen_ = false;
        endStep();
    }
}

void TunerCells::beginDrag(int cell)
{
    endStaleDrag();
    dragStepOpen_ = true;
    beginStep(QStringLiteral("slider %1").arg(cell));
}

bool TunerCells::busyWithStep()
{
    endStaleDrag();
    return stepDepth_ > 0;
}

void TunerCells::endStaleDrag()
{
    // A drag whose release never came (the mouse taken by a box meanwhile)
    // ends when nothing is held down any more.
    if (!dragStepOpen_)
        return;
    for (const CellSlider* slider : c_.sliders_)
        if (slider->isSliderDown())
            return;
    dragStepOpen_ = false;
    endStep();
}

void TunerCells::writeSliderCell(int cell)
{
    SetBusy(window_, true);
    const int cur = c_.sliders_[cell]->value();
    const int prev = cell > 0 ? c_.sliders_[cell - 1]->value() : cur;
    const int next = cell < LastCell ? c_.sliders_[cell + 1]->value() : cur;
    showDelta(cell, cur);
    for (const EntryWrite& write : SliderWrites(cell, prev, cur, next, offset_))
        if (!applyWrite(cell, write.address, write.value))
            return;
    // Each entry's strip is repainted with its part of the grid.
    SetBusy(window_, false);
}

bool TunerCells::applyWrite(int cell, int address, int value)
{
    const TunerSession::EntryOutcome outcome =
        session_.writeEntry(hooks_.tableLetter(), address, value, table_[address]);
    table_[address] = outcome.holds;
    c_.graph_->redrawEntry(address);
    if (outcome.written)
        return true;
    // The move ends here: an arrow held down steps no further.
    c_.sliders_[cell]->endMove();
    if (address == EntryOf(cell, offset_))
        setSliderQuietly(cell, SliderPosition(table_[address]));
    refuseMove(cell, !outcome.answered);
    return false;
}

void TunerCells::refuseMove(int cell, bool linkLost)
{
    dragPending_.fill(false);
    if (refusalPending_)
        return;
    refusalPending_ = true;
    refusalLinkLost_ = linkLost;
    refusalCell_ = cell;
    // Not from inside the slider's handler: a box opened there would take
    // the mouse release from a held arrow, and its repeat would go on.
    QTimer::singleShot(0, this, &TunerCells::reportRefusal);
}

void TunerCells::reportRefusal()
{
    if (!refusalPending_ || session_.closing())
        return;
    if (refusalCell_ >= 0)
        releaseSlider(refusalCell_);
    if (!session_.tell(MsgIcon::Exclamation, WriteFailureTitle,
                       QStringLiteral("Failed to Update Slider Value. Please try a manual update.")))
        return;
    refusalPending_ = false;
    refusalCell_ = -1;
    SetBusy(window_, false);
    if (refusalLinkLost_ && !session_.lost())
        hooks_.linkLost();
}

void TunerCells::releaseSlider(int cell)
{
    // The arrow or thumb pressed when the write was refused lets go now,
    // before the box takes the mouse.
    CellSlider* bar = c_.sliders_[cell];
    bar->endMove();
    const QPointF inside(bar->width() / 2.0, bar->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, bar->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
}

// --- every cell at once --------------------------------------------------------------

void TunerCells::shiftAll(int delta)
{
    if (editRunning_)
        return;
    switch (CheckShift(sliderValues(), delta)) {
    case ShiftRefusal::AboveMaximum:
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"), ShiftAboveText);
        return;
    case ShiftRefusal::BelowMinimum:
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"), ShiftBelowText);
        return;
    case ShiftRefusal::None:
        break;
    }
    CellAmounts amounts;
    amounts.fill(delta);
    moveCells(
        amounts,
        [&](const EntryWrite& beyond) {
            session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"),
                          QStringLiteral("Cannot make global table change. ")
                              + EntryBeyondText(beyond.address, beyond.value));
        },
        delta < 0 ? QStringLiteral("5% LEAN") : QStringLiteral("5% RICH"));
}

void TunerCells::zeroAll()
{
    if (editRunning_)
        return;
    QPointer<TunerCells> self(this);
    beginStep(QStringLiteral("ZERO"));
    editRunning_ = true;
    SetProgress(0);
    for (int i = 0; i <= LastCell; ++i) {
        // Each slider moved to 0 is written as the user's move of it would be.
        const bool moved = c_.sliders_[i]->value() != 0;
        c_.sliders_[i]->setValue(0);
        if (moved && armed_)
            userMoved(i);
        if (refusalPending_)
            break; // the first failed write ends the edit
        SetProgress(static_cast<int>(std::lround(i / 24.0 * 100.0)));
        // The sliders repaint as they go; the window may be closed meanwhile.
        QCoreApplication::processEvents();
        if (!self || session_.closing())
            return;
    }
    SetProgress(0);
    editRunning_ = false;
    endStep();
    reportRefusal();
}

bool TunerCells::moveCells(const CellAmounts& amounts, const std::function<void(const EntryWrite&)>& refused,
                           const QString& name)
{
    const CellsMove move = MoveCells(table_, amounts, offset_);
    if (move.beyond) {
        refused(*move.beyond);
        return false;
    }
    return writeAsStep(move.writes, name);
}

bool TunerCells::writeAsStep(const QList<EntryWrite>& writes, const QString& name)
{
    editRunning_ = true;
    beginStep(name);
    SetBusy(window_, true);
    const WritesOutcome outcome = writeEntries(writes);
    // The sliders show the table, which is what the unit holds on line.
    placeSliders();
    SetProgress(0);
    SetBusy(window_, false);
    editRunning_ = false;
    endStep();
    if (outcome.done)
        return true;
    refuseMove(-1, outcome.linkLost);
    reportRefusal();
    return false;
}

TunerCells::WritesOutcome TunerCells::writeEntries(const QList<EntryWrite>& writes)
{
    const char letter = hooks_.tableLetter();
    for (int n = 0; n < writes.size(); ++n) {
        const EntryWrite& write = writes[n];
        // In steps of 4 %, as the 25 cells of a slider-by-slider edit would
        // show it: each new value repaints the bar at once.
        SetProgress(static_cast<int>(n * 25 / writes.size() * 4));
        const TunerSession::EntryOutcome outcome =
            session_.writeEntry(letter, write.address, write.value, table_[write.address]);
        table_[write.address] = outcome.holds;
        c_.graph_->redrawEntry(write.address);
        // The first failed write ends it; the rest stay as the unit holds them.
        if (!outcome.written)
            return {false, !outcome.answered};
    }
    return {true, false};
}

// --- undo and redo -----------------------------------------------------------------

void TunerCells::beginStep(const QString& name)
{
    if (stepDepth_++ > 0)
        return;
    stepBefore_ = table_;
    stepName_ = name;
}

void TunerCells::endStep()
{
    if (stepDepth_ == 0 || --stepDepth_ > 0)
        return;
    if (!session_.onLine() && stepBefore_ != table_)
        unsaved_ = true;
    history_.record(stepName_, stepBefore_, table_);
    emit historyChanged();
}

void TunerCells::dropHistory()
{
    history_.clear();
    emit historyChanged();
}

void TunerCells::undo()
{
    stepBack(true);
}

void TunerCells::redo()
{
    stepBack(false);
}

void TunerCells::stepBack(bool undoing)
{
    if (!armed_ || editRunning_ || busyWithStep() || session_.lost())
        return;
    if (undoing ? !history_.canUndo() : !history_.canRedo())
        return;
    const EditStep& step = undoing ? history_.nextUndo() : history_.nextRedo();
    const QList<EntryWrite> writes = undoing ? UndoWrites(step, table_) : RedoWrites(step, table_);
    editRunning_ = true;
    SetBusy(window_, true);
    const WritesOutcome outcome = writeEntries(writes);
    placeSliders();
    SetProgress(0);
    SetBusy(window_, false);
    editRunning_ = false;
    if (outcome.done) {
        if (undoing)
            history_.undone();
        else
            history_.redone();
        if (!session_.onLine() && !writes.isEmpty())
            unsaved_ = true;
    }
    emit historyChanged();
    if (outcome.done)
        return;
    refuseMove(-1, outcome.linkLost);
    reportRefusal();
}

// --- the selection's edits -----------------------------------------------------------

CellAmounts TunerCells::cellValues() const
{
    CellAmounts values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = table_[EntryOf(i, offset_)];
    return values;
}

bool TunerCells::setCells(const CellAmounts& target, const QString& name)
{
    if (!armed_ || editRunning_ || busyWithStep())
        return false;
    const std::optional<CellAmounts> amounts = AmountsTo(cellValues(), target);
    if (!amounts) {
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"), CellsBeyondText);
        return false;
    }
    return moveCells(
        *amounts,
        [&](const EntryWrite& beyond) {
            session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"),
                          QStringLiteral("Cannot change the cells. ") + EntryBeyondText(beyond.address, beyond.value));
        },
        name);
}

void TunerCells::editSelection(SelectionEditKind kind, int amount)
{
    setCells(EditedCells(cellValues(), selection_.first(), selection_.last(), kind, amount),
             SelectionEditName(kind, amount));
}

bool TunerCells::setTable(const Table& table, const QString& name)
{
    if (!armed_ || editRunning_ || busyWithStep())
        return false;
    QList<EntryWrite> writes;
    for (int j = 0; j < TableSize; ++j)
        if (table[j] != table_[j])
            writes.append({j, table[j]});
    return writeAsStep(writes, name);
}

// --- the cell in use ---------------------------------------------------------------

void TunerCells::markActiveCell(int cell)
{
    if (cell == activeCell_)
        return;
    if (activeCell_ >= 0) {
        colours::SetBackground(c_.deltas_[activeCell_], restingBackground(activeCell_));
        c_.deltas_[activeCell_]->setFrame(true);
        colours::SetButtonFace(c_.captions_[activeCell_]);
    }
    activeCell_ = cell;
    colours::SetBackground(c_.deltas_[cell], ActiveCellYellow);
    c_.deltas_[cell]->setFrame(false);
    ShowOnColour(c_.captions_[cell], colours::Red);
}

void TunerCells::clearActiveCell()
{
    for (int i = 0; i <= LastCell; ++i) {
        colours::SetBackground(c_.deltas_[i], restingBackground(i));
        c_.deltas_[i]->setFrame(true);
        colours::SetButtonFace(c_.captions_[i]);
    }
    activeCell_ = -1;
}

#include "tuner/TunerKeys.h"

#include "tuner/CellSlider.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TableEditing.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerSession.h"
#include "platform/Services.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>

using namespace tuner;

namespace {

// A whole number from -100 to 100 as typed; nothing otherwise.
std::optional<int> CellNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,3}$"));
    const QString trimmed = text.trimmed();
    if (!whole.match(trimmed).hasMatch())
        return std::nullopt;
    const int value = trimmed.toInt();
    if (BeyondSlider(value))
        return std::nullopt;
    return value;
}

QString NotACellNumber(const QString& text)
{
    return QStringLiteral("\"%1\" is not a whole number from -100 to 100.\r\nNothing was changed.")
        .arg(text.trimmed().left(20));
}

} // namespace

TunerKeys::TunerKeys(GraphicalTuneControls& controls, TunerCells& cells, TunerSession& session, QWidget* window)
    : QObject(window), c_(controls), cells_(cells), session_(session), window_(window)
{
    for (int i = 0; i < CellCount; ++i) {
        CellSlider* slider = c_.sliders_[i];
        slider->setFocusPolicy(Qt::StrongFocus);
        slider->installEventFilter(this);
        slider->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(slider, &QWidget::customContextMenuRequested, this,
                [this, i, slider](const QPoint& at) { contextMenu(i, slider->mapToGlobal(at)); });

        QLineEdit* box = c_.deltas_[i];
        box->setReadOnly(false);
        box->setFocusPolicy(Qt::ClickFocus);
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, i, box](const QPoint& at) { contextMenu(i, box->mapToGlobal(at)); });
        connect(box, &QLineEdit::editingFinished, this, [this, i] { boxEdited(i); });
    }
}

void TunerKeys::focusCursor()
{
    c_.sliders_[cells_.selection().cursor()]->setFocus(Qt::OtherFocusReason);
    cells_.showSelection();
}

bool TunerKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        // A click puts the cursor on its cell; with Shift the selection grows to it.
        for (int i = 0; i < CellCount; ++i) {
            if (watched != c_.sliders_[i])
                continue;
            const bool shift = static_cast<QMouseEvent*>(event)->modifiers().testFlag(Qt::ShiftModifier);
            if (shift)
                cells_.selection().step(i - cells_.selection().cursor(), true);
            else if (!cells_.selection().contains(i) || !cells_.selection().extended())
                cells_.selection().place(i);
            setTyped(QString());
            cells_.showSelection();
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    return key(static_cast<QKeyEvent*>(event));
}

bool TunerKeys::key(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    CellSelection& selection = cells_.selection();
    if (ctrl) {
        switch (event->key()) {
        case Qt::Key_A:
            selection.selectAll();
            cells_.showSelection();
            return true;
        case Qt::Key_C:
            copy();
            return true;
        case Qt::Key_V:
            paste();
            return true;
        default:
            return false;
        }
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        moveCursor(event->key() == Qt::Key_Left ? -1 : 1, shift);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // Lean is up, as the sliders are drawn.
        const int points = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ? 1 : ShiftStep;
        const bool leaner = event->key() == Qt::Key_Up || event->key() == Qt::Key_PageUp;
        setTyped(QString());
        cells_.editSelection(SelectionEditKind::Add, leaner ? -points : points);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (typed_.isEmpty())
            return true;
        const QString typed = typed_;
        setTyped(QString());
        if (const std::optional<int> value = CellNumber(typed))
            cells_.editSelection(SelectionEditKind::Set, *value);
        else
            session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"), NotACellNumber(typed));
        return true;
    }
    case Qt::Key_Backspace:
        setTyped(typed_.chopped(typed_.isEmpty() ? 0 : 1));
        return true;
    case Qt::Key_Escape:
        setTyped(QString());
        selection.place(selection.cursor());
        cells_.showSelection();
        return true;
    case Qt::Key_Minus:
    case Qt::Key_Plus:
        if (!typed_.isEmpty())
            return true;
        setTyped(event->text());
        return true;
    default:
        break;
    }
    if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9) {
        if (typed_.size() < 4)
            setTyped(typed_ + QChar(u'0' + (event->key() - Qt::Key_0)));
        return true;
    }
    return false;
}

void TunerKeys::moveCursor(int by, bool extend)
{
    setTyped(QString());
    cells_.selection().step(by, extend);
    focusCursor();
}

void TunerKeys::setTyped(const QString& typed)
{
    const int cursor = cells_.selection().cursor();
    typed_ = typed;
    // The number typed so far stands in the cursor's box until Enter.
    if (typed_.isEmpty())
        cells_.showDelta(cursor, cells_.table()[EntryOf(cursor, cells_.offset())]);
    else
        c_.deltas_[cursor]->setText(typed_);
}

void TunerKeys::boxEdited(int cell)
{
    QLineEdit* box = c_.deltas_[cell];
    if (!box->isModified())
        return;
    box->setModified(false);
    const QString text = box->text();
    const std::optional<int> value = CellNumber(text);
    if (!value) {
        cells_.showDelta(cell, cells_.table()[EntryOf(cell, cells_.offset())]);
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Error!"), NotACellNumber(text));
        return;
    }
    cells_.selection().place(cell);
    cells_.showSelection();
    CellAmounts target = cells_.cellValues();
    target[cell] = *value;
    cells_.setCells(target, QStringLiteral("cell %1 typed").arg(cell));
}

void TunerKeys::copy()
{
    const CellSelection& selection = cells_.selection();
    if (!selection.extended()) {
        QGuiApplication::clipboard()->setText(TableText(cells_.table()));
        return;
    }
    const CellAmounts values = cells_.cellValues();
    QList<int> selected;
    for (int i = selection.first(); i <= selection.last(); ++i)
        selected << values[i];
    QGuiApplication::clipboard()->setText(CellsText(selected));
}

void TunerKeys::paste()
{
    const Paste pasted = ParsePaste(QGuiApplication::clipboard()->text(), cells_.selection().cursor());
    if (!pasted.refusal.isEmpty()) {
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Paste"),
                      pasted.refusal + QStringLiteral("\r\nNothing was changed."));
        return;
    }
    if (pasted.table) {
        cells_.setTable(*pasted.table, QStringLiteral("paste of the table"));
        return;
    }
    CellAmounts target = cells_.cellValues();
    for (int k = 0; k < pasted.cells.size(); ++k)
        target[pasted.start + k] = pasted.cells[k];
    cells_.setCells(target, QStringLiteral("paste"));
}

bool TunerKeys::askNumber(const QString& label, int low, int high, int* value)
{
    bool ok = false;
    *value = QInputDialog::getInt(window_, QStringLiteral("Selected Cells"), label, *value, low, high, 1, &ok);
    return ok;
}

void TunerKeys::contextMenu(int cell, const QPoint& at)
{
    if (!cells_.armed() || cells_.editRunning())
        return;
    CellSelection& selection = cells_.selection();
    if (!selection.contains(cell))
        selection.place(cell);
    cells_.showSelection();

    QMenu menu(window_);
    QAction* set = menu.addAction(QStringLiteral("Set to..."));
    QAction* add = menu.addAction(QStringLiteral("Add..."));
    QAction* scale = menu.addAction(QStringLiteral("Scale by %..."));
    QAction* interpolate = menu.addAction(QStringLiteral("Interpolate"));
    QAction* smooth = menu.addAction(QStringLiteral("Smooth"));
    interpolate->setEnabled(selection.last() - selection.first() >= 2);
    menu.addSeparator();
    QAction* copyAction = menu.addAction(QStringLiteral("Copy\tCtrl+C"));
    QAction* pasteAction = menu.addAction(QStringLiteral("Paste\tCtrl+V"));
    QAction* undo = menu.addAction(QStringLiteral("Undo\tCtrl+Z"));
    QAction* redo = menu.addAction(QStringLiteral("Redo\tCtrl+Y"));
    undo->setEnabled(cells_.history().canUndo());
    redo->setEnabled(cells_.history().canRedo());

    // The menu and the questions run their own event loops: the tuner may be closed meanwhile.
    QPointer<TunerKeys> self(this);
    QAction* chosen = menu.exec(at);
    if (!self || !chosen || session_.closing())
        return;
    int value = chosen == scale ? 100 : 0;
    if (chosen == set && askNumber(QStringLiteral("Set the selected cells to (-100 to 100):"), -100, 100, &value))
        cells_.editSelection(SelectionEditKind::Set, value);
    else if (chosen == add
             && askNumber(QStringLiteral("Add to the selected cells (+ richer, - leaner):"), -200, 200, &value))
        cells_.editSelection(SelectionEditKind::Add, value);
    else if (chosen == scale && askNumber(QStringLiteral("Scale the selected cells by (%):"), -200, 200, &value))
        cells_.editSelection(SelectionEditKind::Scale, value);
    else if (chosen == interpolate)
        cells_.editSelection(SelectionEditKind::Interpolate, 0);
    else if (chosen == smooth)
        cells_.editSelection(SelectionEditKind::Smooth, 0);
    else if (chosen == copyAction)
        copy();
    else if (chosen == pasteAction)
        paste();
    else if (chosen == undo)
        cells_.undo();
    else if (chosen == redo)
        cells_.redo();
}

QString KeyboardPageText()
{
    return QStringLiteral("GRAPHICAL TUNER\r\n"
                          "Left, Right: move the cell cursor\r\n"
                          "Shift+Left, Shift+Right: select neighbouring cells\r\n"
                          "Ctrl+A: select all 25 cells\r\n"
                          "Up, Down: selected cells 1 point leaner, richer\r\n"
                          "PageUp, PageDown: selected cells 5 points leaner, richer\r\n"
                          "A number, then Enter: set the selected cells to it (Esc forgets it)\r\n"
                          "Ctrl+C: copy the selected cells (nothing selected: the whole table)\r\n"
                          "Ctrl+V: paste numbers into the cells from the cursor on (256: the whole table)\r\n"
                          "Ctrl+Z: undo\r\n"
                          "Ctrl+Shift+Z, Ctrl+Y: redo\r\n"
                          "F5: ONLINE / OFFLINE\r\n"
                          "Space: a time stamp in the data log\r\n"
                          "\r\n"
                          "Dragging a slider moves it 1 point per 2 pixels, with Shift held 1 per 10. "
                          "A value typed into a cell's box and Enter sets that cell. "
                          "Right-click the cells to set, add, scale, interpolate or smooth the selection.");
}

void ShowKeyboardPage()
{
    services::dialogs().message(MsgIcon::Information, QStringLiteral("Keyboard"), KeyboardPageText());
}

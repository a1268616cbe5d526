#include "tuner/TableEditing.h"

#include "platform/WholeNumbers.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace tuner {

// --- undo and redo ---------------------------------------------------------------

QList<EntryChange> ChangesBetween(const Table& before, const Table& after)
{
    QList<EntryChange> changes;
    for (int j = 0; j < TableSize; ++j)
        if (before[j] != after[j])
            changes.append({j, before[j], after[j]});
    return changes;
}

QList<EntryWrite> UndoWrites(const EditStep& step, const Table& table)
{
    QList<EntryWrite> writes;
    for (auto it = step.changes.crbegin(); it != step.changes.crend(); ++it)
        if (table[it->address] != it->before)
            writes.append({it->address, it->before});
    return writes;
}

QList<EntryWrite> RedoWrites(const EditStep& step, const Table& table)
{
    QList<EntryWrite> writes;
    for (const EntryChange& change : step.changes)
        if (table[change.address] != change.after)
            writes.append({change.address, change.after});
    return writes;
}

void EditHistory::record(const QString& name, const Table& before, const Table& after)
{
    QList<EntryChange> changes = ChangesBetween(before, after);
    if (changes.isEmpty())
        return;
    undo_.push_back({name, std::move(changes)});
    redo_.clear();
}

void EditHistory::undone()
{
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

void EditHistory::redone()
{
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

void EditHistory::clear()
{
    undo_.clear();
    redo_.clear();
}

// --- the cell cursor and the selection ---------------------------------------------

void CellSelection::step(int by, bool extend)
{
    if (extend && !anchor_)
        anchor_ = cursor_;
    if (!extend)
        anchor_.reset();
    cursor_ = std::clamp(cursor_ + by, 0, LastCell);
}

void CellSelection::place(int cell)
{
    anchor_.reset();
    cursor_ = std::clamp(cell, 0, LastCell);
}

void CellSelection::selectAll()
{
    anchor_ = 0;
    cursor_ = LastCell;
}

// --- edits of a selection ------------------------------------------------------------

CellAmounts EditedCells(const CellAmounts& cells, int first, int last, SelectionEditKind kind, int amount)
{
    CellAmounts edited = cells;
    for (int i = first; i <= last; ++i) {
        switch (kind) {
        case SelectionEditKind::Set:
            edited[i] = amount;
            break;
        case SelectionEditKind::Add:
            edited[i] = cells[i] + amount;
            break;
        case SelectionEditKind::Scale:
            edited[i] = static_cast<int>(DividedHalfEven(static_cast<long long>(cells[i]) * amount, 100));
            break;
        case SelectionEditKind::Interpolate:
            if (last > first)
                edited[i] = static_cast<int>(
                    DividedHalfEven(static_cast<long long>(cells[first]) * (last - first)
                                        + static_cast<long long>(cells[last] - cells[first]) * (i - first),
                                    last - first));
            break;
        case SelectionEditKind::Smooth: {
            const int left = i > 0 ? cells[i - 1] : cells[i];
            const int right = i < LastCell ? cells[i + 1] : cells[i];
            edited[i] = static_cast<int>(DividedHalfEven(left + 2LL * cells[i] + right, 4));
            break;
        }
        }
    }
    return edited;
}

std::optional<CellAmounts> AmountsTo(const CellAmounts& cells, const CellAmounts& target)
{
    CellAmounts amounts{};
    for (int i = 0; i < CellCount; ++i) {
        if (target[i] != cells[i] && BeyondSlider(target[i]))
            return std::nullopt;
        amounts[i] = target[i] - cells[i];
    }
    return amounts;
}

QString SelectionEditName(SelectionEditKind kind, int amount)
{
    switch (kind) {
    case SelectionEditKind::Set:
        return QStringLiteral("set to %1").arg(amount);
    case SelectionEditKind::Add:
        return amount < 0 ? QStringLiteral("%1 leaner").arg(-amount) : QStringLiteral("%1 richer").arg(amount);
    case SelectionEditKind::Scale:
        return QStringLiteral("scale by %1%").arg(amount);
    case SelectionEditKind::Interpolate:
        return QStringLiteral("interpolate");
    case SelectionEditKind::Smooth:
        return QStringLiteral("smooth");
    }
    return {};
}

// --- the clipboard -------------------------------------------------------------------

QString CellsText(const QList<int>& values)
{
    QStringList numbers;
    for (const int v : values)
        numbers << QString::number(v);
    return numbers.join(QLatin1Char('\t'));
}

QString TableText(const Table& table)
{
    QString text;
    for (int row = 0; row < 16; ++row) {
        QList<int> values;
        for (int j = 0; j < 16; ++j)
            values << table[row * 16 + j];
        text += CellsText(values) + QStringLiteral("\r\n");
    }
    return text;
}

Paste ParsePaste(const QString& text, int cursor)
{
    Paste paste;
    static const QRegularExpression separators(QStringLiteral("[\\t\\r\\n ,;]+"));
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,4}$"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        paste.refusal = QStringLiteral("The clipboard holds no numbers to paste.");
        return paste;
    }
    const bool wholeTable = words.size() == TableSize;
    const int low = wholeTable ? EntryMinimum : SliderMinimum;
    const int high = wholeTable ? EntryMaximum : SliderMaximum;
    QList<int> values;
    for (const QString& word : words) {
        if (!whole.match(word).hasMatch()) {
            paste.refusal = QStringLiteral("\"%1\" is not a whole number.").arg(word.left(20));
            return paste;
        }
        const int v = word.toInt();
        if (v < low || v > high) {
            paste.refusal = QStringLiteral("%1 lies beyond %2 to %3.").arg(v).arg(low).arg(high);
            return paste;
        }
        values << v;
    }
    if (wholeTable) {
        Table table{};
        for (int j = 0; j < TableSize; ++j)
            table[j] = static_cast<qint16>(values[j]);
        paste.table = table;
        return paste;
    }
    const int room = CellCount - cursor;
    if (values.size() > room) {
        paste.refusal = QStringLiteral("%1 values do not fit the %2 cells from cell %3 on (a whole table is 256).")
                            .arg(values.size())
                            .arg(room)
                            .arg(cursor);
        return paste;
    }
    paste.start = cursor;
    paste.cells = values;
    return paste;
}

// --- the mouse -------------------------------------------------------------------

int DraggedValue(int startValue, int pixelsDown, bool fine)
{
    const int perPoint = fine ? 10 : 2;
    // Whole points only, towards the start: a pixel short of a point is no point.
    const int points = pixelsDown / perPoint;
    return std::clamp(startValue + points, SliderMinimum, SliderMaximum);
}

// --- dialogs -------------------------------------------------------------------------

QRect PlaceNear(QSize wanted, const QRect& near, const QRect& screen)
{
    const QSize size = wanted.boundedTo(screen.size());
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(near.center());
    if (placed.right() > screen.right())
        placed.moveRight(screen.right());
    if (placed.bottom() > screen.bottom())
        placed.moveBottom(screen.bottom());
    if (placed.left() < screen.left())
        placed.moveLeft(screen.left());
    if (placed.top() < screen.top())
        placed.moveTop(screen.top());
    return placed;
}

} // namespace tuner

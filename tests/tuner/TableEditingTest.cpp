#include "tuner/TableEditing.h"

#include <gtest/gtest.h>

namespace {

using namespace tuner;

TEST(TableEditing, EachSelectionEditGivesTheCellsWorkedByHand)
{
    CellAmounts cells{};
    const int start[] = {10, 20, 30, -7, 5};
    std::copy(std::begin(start), std::end(start), cells.begin());
    cells[24] = 9;
    struct Case {
        SelectionEditKind kind;
        int first, last, amount;
        std::vector<int> firstFive; // cells 0..4 afterwards
        int cell24;
    } const cases[] = {
        {SelectionEditKind::Set, 1, 2, 12, {10, 12, 12, -7, 5}, 9},
        {SelectionEditKind::Add, 0, 0, -3, {7, 20, 30, -7, 5}, 9},
        // -10.5 and 7.5 go to the even neighbour.
        {SelectionEditKind::Scale, 0, 4, 150, {15, 30, 45, -10, 8}, 9},
        {SelectionEditKind::Scale, 3, 4, -100, {10, 20, 30, 7, -5}, 9},
        // 10 to 5 over four cells: 8.75, 7.5, 6.25.
        {SelectionEditKind::Interpolate, 0, 4, 0, {10, 9, 8, 6, 5}, 9},
        {SelectionEditKind::Interpolate, 2, 2, 0, {10, 20, 30, -7, 5}, 9},
        // (10+20+20)/4 = 12.5, 80/4, 73/4, 21/4, (-7+10+0)/4; cell 24 (0+18+9)/4.
        {SelectionEditKind::Smooth, 0, 4, 0, {12, 20, 18, 5, 1}, 9},
        {SelectionEditKind::Smooth, 24, 24, 0, {10, 20, 30, -7, 5}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(SelectionEditName(c.kind, c.amount).toStdString());
        const CellAmounts edited = EditedCells(cells, c.first, c.last, c.kind, c.amount);
        EXPECT_EQ(std::vector<int>(edited.begin(), edited.begin() + 5), c.firstFive);
        EXPECT_EQ(edited[24], c.cell24);
        EXPECT_EQ(edited[10], 0);
    }
}

// A selection edit adds to the entries it covers and ramps the stretch to
// its unselected neighbours: cell 2 (entry 28) +10 moves 19..27 by 1..9,
// 28 by 10 and 29..37 by 9..1.
TEST(TableEditing, ASelectionEditRampsToItsUnselectedNeighbours)
{
    Table table{};
    table[25] = -128; // at the unit's end, it still moves up
    CellAmounts cells{};
    const auto amounts = AmountsTo(cells, EditedCells(cells, 2, 2, SelectionEditKind::Add, 10));
    ASSERT_TRUE(amounts);
    const CellsMove move = MoveCells(table, *amounts, 0);
    ASSERT_EQ(move.writes.size(), 19);
    EXPECT_EQ(move.writes.front(), (EntryWrite{19, 1}));
    EXPECT_EQ(move.writes[6], (EntryWrite{25, -121}));
    EXPECT_EQ(move.writes[9], (EntryWrite{28, 10}));
    EXPECT_EQ(move.writes.back(), (EntryWrite{37, 1}));

    // A target beyond the slider refuses the edit; a cell left alone may stay beyond it.
    cells[0] = 127;
    cells[5] = 98;
    EXPECT_TRUE(AmountsTo(cells, EditedCells(cells, 5, 5, SelectionEditKind::Add, 2)));
    EXPECT_FALSE(AmountsTo(cells, EditedCells(cells, 5, 5, SelectionEditKind::Add, 3)));
    EXPECT_FALSE(AmountsTo(cells, EditedCells(cells, 4, 5, SelectionEditKind::Set, -101)));
}

TEST(TableEditing, HistoryUndoesAndRedoesOnlyWhatEachStepChanged)
{
    Table t0{};
    Table t1 = t0;
    t1[3] = 5;
    t1[9] = -2;
    Table t2 = t1;
    t2[9] = 7;
    EditHistory history;
    history.record(QStringLiteral("nothing"), t0, t0);
    EXPECT_FALSE(history.canUndo());
    history.record(QStringLiteral("first"), t0, t1);
    history.record(QStringLiteral("second"), t1, t2);
    EXPECT_EQ(history.nextUndo().changes, (QList<EntryChange>{{9, -2, 7}}));

    history.undone();
    ASSERT_TRUE(history.canRedo());
    EXPECT_EQ(history.nextRedo().name, "second");
    // The first step undone from t1: the last entry first; an entry already
    // back where it was is not written again.
    const EditStep& first = history.nextUndo();
    EXPECT_EQ(UndoWrites(first, t1), (QList<EntryWrite>{{9, 0}, {3, 0}}));
    Table partly = t1;
    partly[9] = 0;
    EXPECT_EQ(UndoWrites(first, partly), (QList<EntryWrite>{{3, 0}}));
    EXPECT_EQ(RedoWrites(first, t0), (QList<EntryWrite>{{3, 5}, {9, -2}}));

    // A new step ends what could be redone.
    history.record(QStringLiteral("third"), t1, t0);
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.nextUndo().name, "third");
}

TEST(TableEditing, PasteTakesWholeNumbersThatFitAndRefusesTheRest)
{
    // The cells a paste takes; nullopt when it is refused, with no cells.
    const auto taken = [](const char* text, int cursor) -> std::optional<QList<int>> {
        const Paste paste = ParsePaste(QString::fromLatin1(text), cursor);
        EXPECT_FALSE(paste.table) << text;
        EXPECT_EQ(paste.refusal.isEmpty(), !paste.cells.isEmpty()) << text;
        return paste.refusal.isEmpty() ? std::optional(paste.cells) : std::nullopt;
    };
    EXPECT_EQ(taken("5\t-3\t100\r\n", 22), (QList<int>{5, -3, 100}));
    EXPECT_EQ(taken("-100 0,+7", 0), (QList<int>{-100, 0, 7}));
    for (const char* refused : {"12.5", "101", "-101", "", "\t\r\n"})
        EXPECT_FALSE(taken(refused, 0)) << refused;
    // 26 values are more than the cells.
    EXPECT_FALSE(ParsePaste(QString(QStringLiteral("1\t")).repeated(26), 0).refusal.isEmpty());

    Table table{};
    for (int j = 0; j < 256; ++j)
        table[j] = static_cast<qint16>(j - 128);
    const QString text = TableText(table);
    EXPECT_TRUE(text.startsWith(QStringLiteral("-128\t-127\t")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("126\t127\r\n")));
    const Paste whole = ParsePaste(text, 7);
    ASSERT_TRUE(whole.table);
    EXPECT_EQ(*whole.table, table);
    EXPECT_FALSE(
        ParsePaste(QString(text).replace(QStringLiteral("127\r\n"), QStringLiteral("128\r\n")), 0).refusal.isEmpty());
    EXPECT_EQ(CellsText({5, -3, 0}), "5\t-3\t0");
}

TEST(TableEditing, DragMovesOnePointPerTwoPixelsOrTenWithShift)
{
    const int cases[][4] = {
        // start, pixels down, fine, value
        {0, 1, 0, 0},  {0, 2, 0, 1},    {0, 3, 0, 1},     {0, -4, 0, -2},       {0, 9, 1, 0},
        {0, 19, 1, 1}, {0, -10, 1, -1}, {99, 10, 0, 100}, {-100, -50, 0, -100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DraggedValue(c[0], c[1], c[2] != 0), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(TableEditing, DialogsStayOnTheScreenNearTheirWindow)
{
    struct Case {
        QSize wanted;
        QRect near, screen, placed;
    } const cases[] = {
        {{720, 760}, {0, 0, 1000, 800}, {0, 0, 1440, 900}, {140, 20, 720, 760}},
        // Taller than the screen: as tall as it; pushed back inside.
        {{720, 760}, {600, 400, 400, 300}, {0, 0, 1024, 700}, {304, 0, 720, 700}},
        {{300, 200}, {-500, -100, 300, 200}, {0, 0, 1024, 700}, {0, 0, 300, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceNear(c.wanted, c.near, c.screen), c.placed);
}

} // namespace

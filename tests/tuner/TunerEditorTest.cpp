#include "TunerTestSupport.h"

#include "tunefile/frmTableSaveSelection.h"
#include "tuner/CellSlider.h"
#include "tuner/frmAutoTune.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleOptionSlider>

namespace {

QStringList Writes(int from, int to, int step, const char* value)
{
    QStringList writes;
    for (int j = from; j != to + step; j += step)
        writes << QStringLiteral("WO") + frame::HexByte(j) + QString::fromLatin1(value);
    return writes;
}

class TunerEditorTest : public TunerTest {
protected:
    // A key pressed while the sliders have the keyboard.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers,
                        key >= Qt::Key_0 && key <= Qt::Key_9 ? QString(QChar(u'0' + (key - Qt::Key_0))) : QString());
        QCoreApplication::sendEvent(slider(window->Cells().selection().cursor()), &event);
    }
    bool undoable() const { return control("cmdUndo")->isEnabled(); }
    QString undoTip() const { return control("cmdUndo")->toolTip(); }
};

// Slider 5 to 20 on line writes entries 58 down to 49, then 59 up to 67;
// its undo writes those 19 entries back to 0, the last written first, and
// the redo writes them again in address order.
TEST_F(TunerEditorTest, UndoOnLineWritesBackExactlyTheEntriesTheStepChanged)
{
    open();
    EXPECT_FALSE(undoable());
    goOnline();
    heard();
    messages().clear();
    move(slider(5), 20);
    ASSERT_EQ(heard().size(), 19);
    EXPECT_EQ(undoTip(), "Undo slider 5 (Ctrl+Z)");

    window->cmdUndo_Click();
    EXPECT_EQ(heard(), Writes(0x43, 0x31, -1, "00"));
    EXPECT_EQ(device.memory().cell('O', 58), 0);
    EXPECT_EQ(slider(5)->value(), 0);
    window->cmdRedo_Click();
    EXPECT_EQ(
        heard(),
        QStringList({"WO3102", "WO3204", "WO3306", "WO3408", "WO350A", "WO360C", "WO370E", "WO3810", "WO3912", "WO3A14",
                     "WO3B12", "WO3C10", "WO3D0E", "WO3E0C", "WO3F0A", "WO4008", "WO4106", "WO4204", "WO4302"}));
    EXPECT_EQ(slider(5)->value(), 20);
    EXPECT_EQ(messageTexts(), QStringList());
}

TEST_F(TunerEditorTest, KeysMoveTheSelectedCells)
{
    open();
    EXPECT_EQ(window->Cells().selection().cursor(), 0); // shown in bold
    EXPECT_TRUE(control("txtDelta_0")->font().bold());
    goOnline();
    heard();
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Down);
    EXPECT_EQ(heard(), Writes(0, 255, 1, "01"));
    press(Qt::Key_PageUp);
    EXPECT_EQ(heard(), Writes(0, 255, 1, "FC"));
    window->cmdUndo_Click();
    window->cmdUndo_Click();
    heard();

    // Cells 2 and 3 (entries 28, 38) one point leaner: 24..42 move by -1,
    // 19..23 and 43..47 round to 0.
    window->Cells().selection().place(1);
    press(Qt::Key_Right);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Up);
    EXPECT_EQ(heard(), Writes(24, 42, 1, "FF"));
    EXPECT_EQ(slider(2)->value(), -1);
    EXPECT_EQ(slider(4)->value(), 0);

    // A number typed, then Enter, sets them.
    press(Qt::Key_3);
    press(Qt::Key_7);
    EXPECT_EQ(text("txtDelta_3"), "37");
    press(Qt::Key_Return);
    EXPECT_EQ(slider(2)->value(), 37);
    EXPECT_EQ(slider(3)->value(), 37);
    EXPECT_EQ(undoTip(), "Undo set to 37 (Ctrl+Z)");

    // F5 goes off line; the history stays with the table.
    window->SwitchMode();
    EXPECT_FALSE(window->OnLine());
    EXPECT_TRUE(undoable());
    dialogs.answerNext(MsgAnswer::Yes);
    window->SwitchMode();
    EXPECT_TRUE(window->OnLine() && undoable());
}

TEST_F(TunerEditorTest, PasteRefusesWhatDoesNotFitAndChangesNothing)
{
    open();
    const struct {
        int cursor;
        const char* clipboard;
        const char* refusal;
    } refused[] = {
        {0, "12\tabc", "\"abc\" is not a whole number.\r\nNothing was changed."},
        {24, "1\t2", "2 values do not fit the 1 cells from cell 24 on (a whole table is 256).\r\nNothing was changed."},
    };
    const tuner::Table before = window->CorrectionTable();
    for (const auto& r : refused) {
        SCOPED_TRACE(r.clipboard);
        messages().clear();
        window->Cells().selection().place(r.cursor);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(r.clipboard));
        window->Keys().paste();
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, "Paste");
        EXPECT_EQ(messages()[0].text, QString::fromLatin1(r.refusal));
        EXPECT_EQ(window->CorrectionTable(), before);
        EXPECT_FALSE(undoable());
    }

    // A row into the cells from the cursor; copied back from a selection.
    window->Cells().selection().place(23);
    QGuiApplication::clipboard()->setText(QStringLiteral("5\t-5\r\n"));
    window->Keys().paste();
    EXPECT_EQ(slider(23)->value(), 5);
    EXPECT_EQ(slider(24)->value(), -5);
    EXPECT_EQ(window->CorrectionTable()[253], -5);
    window->Cells().selection().step(1, true);
    window->Keys().copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "5\t-5");
}

// Another table or LOAD TABLE asks first; No keeps the table and its option.
TEST_F(TunerEditorTest, UnsavedEditsAreNotDroppedWithoutAYes)
{
    open();
    move(slider(3), 25);
    heard();
    dialogs.answerNext(MsgAnswer::No);
    window->optTableSelect(1)->click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Discard Changes?");
    EXPECT_EQ(messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No);
    EXPECT_TRUE(window->optTableSelect(0)->isChecked());
    EXPECT_EQ(window->CorrectionTable()[38], 25);
    EXPECT_TRUE(heard().isEmpty());

    dialogs.answerNext(MsgAnswer::No);
    window->cmdLoadTable_Click();
    EXPECT_EQ(window->CorrectionTable()[38], 25);
    dialogs.answerNext(MsgAnswer::Yes);
    window->cmdLoadTable_Click();
    EXPECT_EQ(heard().size(), 256 + 6);
    EXPECT_EQ(window->CorrectionTable()[38], 0);
    EXPECT_FALSE(undoable());

    // Nothing to lose: no question.
    messages().clear();
    window->optTableSelect(1)->click();
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(window->TableLetter(), 'C');
}

// 1 point per 2 pixels, 1 per 10 with Shift; from press to release one step.
TEST_F(TunerEditorTest, AThumbDragIsFinerThanTheBar)
{
    open();
    QScrollBar* bar = slider(5);
    const QPointF thumb = partCentre(bar, QStyle::SC_ScrollBarSlider);
    const auto mouse = [&](QEvent::Type type, double down, Qt::KeyboardModifiers mods) {
        const QPointF at = thumb + QPointF(0, down);
        QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
        QCoreApplication::sendEvent(bar, &event);
    };
    mouse(QEvent::MouseButtonPress, 0, Qt::NoModifier);
    mouse(QEvent::MouseMove, 21, Qt::NoModifier);
    EXPECT_EQ(bar->value(), 10);
    mouse(QEvent::MouseMove, 21, Qt::ShiftModifier); // the pace changes here
    mouse(QEvent::MouseMove, 21 - 39, Qt::ShiftModifier);
    EXPECT_EQ(bar->value(), 7);
    mouse(QEvent::MouseButtonRelease, 21 - 39, Qt::ShiftModifier);
    EXPECT_EQ(window->CorrectionTable()[58], 7);
    EXPECT_EQ(undoTip(), "Undo slider 5 (Ctrl+Z)");
    window->cmdUndo_Click();
    EXPECT_EQ(window->CorrectionTable()[58], 0);
    EXPECT_FALSE(undoable());
}

TEST_F(TunerEditorTest, DialogsOpenWithinTheScreen)
{
    main->show();
    open();
    const QRect screen = window->screen()->availableGeometry();
    QRect chosen;
    QTimer::singleShot(0, main.get(), [&] {
        auto* selection = main->findChild<frmTableSaveSelection*>();
        ASSERT_NE(selection, nullptr);
        chosen = selection->geometry();
        selection->cmdQuitSaveTable_Click();
    });
    window->cmdSaveChanges_Click();
    EXPECT_TRUE(screen.contains(chosen));
    const QRect button(control("cmdSaveChanges")->mapToGlobal(QPoint(0, 0)), control("cmdSaveChanges")->size());
    EXPECT_LE(std::max({0, chosen.left() - button.right(), button.left() - chosen.right()}), 40);
    EXPECT_LE(std::max({0, chosen.top() - button.bottom(), button.top() - chosen.bottom()}), 40);
}

} // namespace

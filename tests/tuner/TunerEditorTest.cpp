#include "TunerTestSupport.h"

#include "tunefile/frmTableSaveSelection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>

namespace {

using namespace mdlPublicVars;

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

TEST_F(TunerTest, LeanAndRichShiftEverySliderOrNone)
{
    open(); // -96 refused: GlobalEdits.ShiftsThatWouldPassAnEndAreRefused, RichOnLineAddsToEveryEntryOnce
    move(slider(7), -95);
    window->cmdLean_Click();
    EXPECT_EQ(slider(7)->value(), -100);
    EXPECT_EQ(slider(0)->value(), -5);
    EXPECT_EQ(window->CorrectionTable()[8], -5);
    EXPECT_EQ(window->CorrectionTable()[78], -100);
    EXPECT_EQ(mdlMain::ProgressBar()->value(), 0);

    move(slider(20), 96);
    messages().clear();
    window->cmdRich_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].text, "Cannot make global table change. An individual slider will exceed 100%.");
    EXPECT_EQ(slider(0)->value(), -5);

    window->cmdZero_Click();
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(slider(i)->value(), 0);
    EXPECT_EQ(window->CorrectionTable()[78], 0);
}

// A shift adds its 5 points to every entry, each written once, so the
// detail between the cells stays; an entry beyond the slider is shown as it is.
TEST_F(TunerTest, RichOnLineAddsToEveryEntryOnce)
{
    VentrixMemory& memory = device.memory();
    for (const auto& [entry, byte] : {std::pair{0x58, 0x8C}, {0x53, 0xFE}, {0x5A, 0xFB}}) // -116 (cell 8), -2, -5
        memory.setCell('O', entry, byte);
    open();
    goOnline();
    heard();
    EXPECT_TRUE(window->txtDelta(8)->toolTip().contains("-116"));
    window->cmdRich_Click();
    const QStringList writes = heard();
    ASSERT_EQ(writes.size(), 256);
    for (int j = 0; j < 256; ++j) {
        const int value = j == 0x58 ? -111 : j == 0x53 ? 3 : j == 0x5A ? 0 : 5;
        EXPECT_EQ(writes[j], QStringLiteral("WO") + frame::HexByte(j) + frame::HexByte(value & 0xFF));
        EXPECT_EQ(memory.cell('O', j), value & 0xFF) << j;
    }
    EXPECT_EQ(slider(8)->value(), -100);
    EXPECT_EQ(text("txtDelta_8"), "-111");
    EXPECT_EQ(background("txtDelta_8"), QColor(255, 200, 140));
    EXPECT_EQ(slider(7)->value(), 5);
    EXPECT_EQ(background("txtDelta_7"), QColor(255, 255, 255));

    // Leaner would take the slider past its end: refused, nothing written.
    messages().clear();
    window->cmdLean_Click();
    EXPECT_EQ(messageTexts(),
              QStringList({"Cannot make global table change. An individual slider will exceed -100%."}));
    EXPECT_TRUE(heard().isEmpty());
}

// An entry between the cells at -126 cannot go 5 leaner: refused whole.
TEST_F(TunerTest, AShiftTakingAnEntryBeyondTheUnitsRangeIsRefused)
{
    device.memory().setCell('O', 0x53, 0x82);
    open();
    const tuner::Table before = window->CorrectionTable();
    messages().clear();
    window->cmdLean_Click();
    EXPECT_EQ(messageTexts(),
              QStringList({"Cannot make global table change. Entry 53 would reach -131%, beyond the "
                           "-128% to 127% the unit can hold."}));
    EXPECT_EQ(messages()[0].title, "Error!");
    EXPECT_EQ(window->CorrectionTable(), before);
}

class InjectorTest : public TunerTest {
protected:
    // A choice in a list, as the user makes it, answered Yes or No.
    void choose(const char* list, const char* size, MsgAnswer answer)
    {
        auto* combo = control<QComboBox>(QString::fromLatin1(list));
        combo->setCurrentIndex(combo->findText(QString::fromLatin1(size)));
        dialogs.answerNext(answer);
        emit combo->activated(combo->currentIndex());
    }
};

TEST_F(InjectorTest, CompensationMovesEverySliderByTheRatioChange)
{
    open(); // 19 lb/hr both: ratio 1
    heard();
    const QString question = QStringLiteral("Do you want to apply this change directly to the current map?\r\n");
    choose("cmbInjectors", "19lb/hr", MsgAnswer::Yes);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(titled(0), std::pair(QStringLiteral("Apply changes now?"), MsgIcon::Question));
    EXPECT_EQ(messages()[0].text,
              question + "The sliders stay where they are: the injector ratio is the one already applied.");
    EXPECT_EQ(slider(3)->value(), 0); // no change in ratio, no move

    choose("cmbInjectors", "24lb/hr", MsgAnswer::No); // 19 / 24: -20.8
    EXPECT_EQ(messages()[1].text, question + "Every slider will move 21 points leaner (-21).");
    EXPECT_EQ(InstalledInjectorSize, 24);
    EXPECT_EQ(slider(3)->value(), 0);
    // From the ratio last applied (1), not the one left by the No.
    choose("cmbInjectors", "30lb/hr", MsgAnswer::Yes); // 19 / 30: -36.7
    EXPECT_EQ(messages()[2].text, question + "Every slider will move 37 points leaner (-37).");
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(slider(i)->value(), -37) << i;
    for (const int j : {0, 128, 254, 255})
        EXPECT_EQ(window->CorrectionTable()[j], -37) << j;
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{19, 30}));
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 19.0 / 30.0);

    // The PCM's size too: 24 / 30 - 19 / 30 is +16.7 points.
    choose("cmbEECInjectors", "24lb/hr", MsgAnswer::Yes);
    EXPECT_EQ(messages()[3].text, question + "Every slider will move 17 points richer (+17).");
    EXPECT_EQ(slider(12)->value(), -20);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{24, 30}));
    EXPECT_TRUE(heard(true).isEmpty()); // off line
}

// The list, the size and its ratio stay as they were; a later "<Select>" moves nothing.
TEST_F(InjectorTest, ARefusedChoicePutsTheListBack)
{
    device.memory().setRegister(0x02, 24);
    device.memory().setCell('O', 0x30, 0xCE); // cell 4 at -50
    open();
    messages().clear();
    choose("cmbInjectors", "72lb/hr", MsgAnswer::Yes); // 19/72 - 19/24: -52.8
    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages()[0].text,
              "Do you want to apply this change directly to the current map?\r\n"
              "Every slider will move 53 points leaner (-53).");
    EXPECT_EQ(messages()[1].title, "Selection Error!");
    EXPECT_EQ(messages()[1].text,
              "Cannot compensate for such a large disparity in actual vs. programmed injector "
              "size.\r\nPlease make another selection.");
    EXPECT_EQ(text("cmbInjectors"), "24lb/hr");
    EXPECT_EQ(InstalledInjectorSize, 24);
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 19.0 / 24.0);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{19, 24}));
    EXPECT_EQ(slider(4)->value(), -50);
    EXPECT_EQ(slider(0)->value(), 0);

    choose("cmbInjectors", "<Select>", MsgAnswer::Yes);
    EXPECT_EQ(messages()[2].text,
              "Do you want to apply this change directly to the current map?\r\n"
              "The sliders stay where they are: the injector ratio is the one already applied.");
    EXPECT_EQ(text("cmbInjectors"), "24lb/hr");
    EXPECT_EQ(slider(4)->value(), -50);
}

} // namespace

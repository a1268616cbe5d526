#include "OffLineTestSupport.h"

#include "app/mdlMain.h"
#include "memory/ReadWriteByte.h"
#include "tunefile/frmTableSaveSelection.h"
#include "tuner/frmGraphicalTune.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace {

using namespace mdlPublicVars;

// The windows of the program at work on a tune opened off line.
class OffLineWindowsTest : public OffLineTest {
protected:
    ReadWriteByte* openMemoryModify()
    {
        w->main->mnuMemoryModifyItem_Click();
        return ReadWriteByte::Instance();
    }
    frmGraphicalTune* openTuner()
    {
        w->main->mnuGraphicalTunerItem_Click();
        return w->main->findChild<frmGraphicalTune*>();
    }
    static void type(QWidget* window, const char* name, const char* text)
    {
        window->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
    }
    // The tune chosen in the selection window SAVE TABLE opens.
    void chooseTuneToSaveInto(int index)
    {
        QTimer::singleShot(0, w->main.get(), [this, index] {
            auto* selection = w->main->findChild<frmTableSaveSelection*>();
            ASSERT_NE(selection, nullptr);
            selection->optSaveTableSelect(index)->setChecked(true);
            selection->cmdSaveTable_Click();
        });
    }
};

TEST_F(OffLineWindowsTest, MemoryModifyRefusesTheTransferFunctionWithTheReason)
{
    openOffLine(path);
    ReadWriteByte* window = openMemoryModify();
    ASSERT_NE(window, nullptr);
    const int before = memory().cell('F', 0xA0);
    window->optTableSelect(4)->click(); // the MAF transfer function
    type(window, "Text3", "3.125");
    type(window, "Text2", "200");
    w->dialogs.messages.clear();
    window->cmdWriteByte_Click();

    ASSERT_EQ(w->dialogs.messages.size(), 1);
    EXPECT_EQ(w->dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w->dialogs.messages[0].title, "Write Refused");
    EXPECT_EQ(w->dialogs.messages[0].text,
              "A tune file cannot keep the MAF transfer function, so it cannot be "
              "changed while a tune is open off line.");
    EXPECT_EQ(memory().cell('F', 0xA0), before);
    EXPECT_FALSE(w->main->isWindowModified());

    // Reading it shows the off-line unit's own transfer function.
    window->cmdReadByte_Click();
    EXPECT_EQ(w->dialogs.messages.size(), 1);
}

TEST_F(OffLineWindowsTest, TheTunersOnLineStaysShutOffWithTheReason)
{
    openOffLine(path);
    frmGraphicalTune* tuner = openTuner();
    ASSERT_NE(tuner, nullptr);
    auto* online = tuner->findChild<QPushButton*>(QStringLiteral("cmdONLINE"));
    EXPECT_FALSE(online->isEnabled());
    EXPECT_EQ(online->toolTip(), "Off line: a tune file has no engine to tune on line.");
    // The tuner gives it back after its own steps; it stays off.
    tuner->cmdOFFLINE_Click();
    EXPECT_FALSE(online->isEnabled());
    // SAVE TABLE and the table choice are there as ever.
    EXPECT_TRUE(tuner->findChild<QWidget*>(QStringLiteral("cmdSaveChanges"))->isEnabled());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(tuner->optTableSelect(i)->isEnabled()) << i;
}

// Open, edit a cell with Memory Modify and a slider in the tuner, save,
// open again: the file holds the two edits and nothing else changed.
TEST_F(OffLineWindowsTest, EditsInTheWindowsAreSavedAndNothingElse)
{
    // Cells 40 to 80 of table O at zero, so that the slider's line is plain
    // to work out; every other entry as the file has it.
    tunefile::Tune tune = FileTune();
    for (int address = 40; address <= 80; ++address)
        tune.setValue({'O', address}, 0);
    original = tunefile::TuneText(tune);
    write(path, original);
    openOffLine(path);

    // Memory Modify: table O at 3000 rpm (cell 0x4B) to -5 %.
    ReadWriteByte* memoryWindow = openMemoryModify();
    ASSERT_NE(memoryWindow, nullptr);
    memoryWindow->optTableSelect(2)->click();
    type(memoryWindow, "Text3", "3000");
    type(memoryWindow, "Text2", "-5");
    memoryWindow->cmdWriteByte_Click();
    EXPECT_TRUE(w->main->isWindowModified());
    memoryWindow->cmdQUIT_Click();

    // The tuner: slider 5 (cell 58) to +20 %, then SAVE TABLE into tune 1's
    // open loop, the table it shows.
    frmGraphicalTune* tuner = openTuner();
    ASSERT_NE(tuner, nullptr);
    ASSERT_EQ(tuner->TableLetter(), 'O');
    EXPECT_EQ(tuner->CorrectionTable()[0x4B], -5);
    tuner->VScroll1(5)->setSliderPosition(20); // the user moves it
    chooseTuneToSaveInto(0);
    tuner->cmdSaveChanges_Click();
    ASSERT_FALSE(w->dialogs.messages.isEmpty());
    EXPECT_EQ(w->dialogs.messages.last().title, "Write Successful!");

    w->main->mnuSaveTuneItem_Click();
    EXPECT_FALSE(w->main->isWindowModified());

    QString why;
    const std::optional<tunefile::Tune> saved = offline::ReadTune(path, &why);
    ASSERT_TRUE(saved.has_value()) << qPrintable(why);
    QList<tunefile::Difference> expected;
    // The slider's line: up from cell 48 to 58 and down to cell 68, 2 % a cell.
    for (int address = 49; address <= 67; ++address)
        expected.append({{'O', address}, 0, 20 - 2 * std::abs(address - 58)});
    expected.append({{'O', 0x4B}, 0, 0xFB});
    EXPECT_EQ(tunefile::Differences(tune, *saved), expected);
    EXPECT_EQ(saved->stamp, tune.stamp);

    // Opened again, the unit holds what the file holds.
    openOffLine(path);
    EXPECT_EQ(memory().cell('O', 58), 20);
    EXPECT_EQ(memory().cell('O', 0x4B), 0xFB);
    EXPECT_FALSE(w->main->isWindowModified());
}

} // namespace

#include "OffLineTestSupport.h"

#include "app/mdlMain.h"
#include "memory/CellAccess.h"
#include "memory/ReadWriteByte.h"
#include "platform/Colours.h"
#include "tunefile/frmCompareTunes.h"
#include "tunefile/frmTableSaveSelection.h"
#include "tuner/frmGraphicalTune.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
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
    // Refused unsent, a block too; the correction tables are written as ever.
    VentrixDevice& device = w->main->offLineTune().unit()->device();
    device.clearLog();
    EXPECT_EQ(cells::WriteCellByte('F', 0x10, memory().cell('F', 0x10) + 1), cells::WriteOutcome::Refused);
    EXPECT_EQ(cells::FillCellBytes('F', 0x10, 0x12, 0x01), cells::WriteOutcome::Refused);
    EXPECT_EQ(device.requestsHeard(), 0);
    EXPECT_EQ(cells::WriteCellByte('H', 0x10, 0x01), cells::WriteOutcome::Confirmed);
}

// Off line nothing looks like a car: the indicator says OFF LINE beside the
// file's name, Compare names the file, the title's mark of unsaved changes
// stays while other windows come and go (maximized or not), the tuner cannot
// go on line.
TEST_F(OffLineWindowsTest, OffLineShowsTheFileWhereACarWouldBe)
{
    openOffLine(path);
    const auto* indicator = w->main->findChild<QLineEdit*>(QStringLiteral("txtConnected"));
    const auto* label = w->main->findChild<QLabel*>(QStringLiteral("Label1"));
    EXPECT_EQ(indicator->text(), "OFF LINE");
    EXPECT_NE(colours::Background(indicator), colours::Green);
    EXPECT_EQ(label->text(), "track.tun");
    EXPECT_GT(label->x(), indicator->geometry().right());

    ASSERT_EQ(cells::WriteCellByte('L', 0x20, 0x9C), cells::WriteOutcome::Confirmed);
    for (const bool maximized : {false, true}) {
        ReadWriteByte* memoryWindow = openMemoryModify();
        ASSERT_NE(memoryWindow, nullptr);
        memoryWindow->parentWidget()->setWindowState(maximized ? Qt::WindowMaximized : Qt::WindowNoState);
        memoryWindow->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w->main->isWindowModified()) << maximized;
    }
    w->clock.setDateTime(QDateTime(QDate(2026, 12, 5), QTime(8, 15, 0)));
    w->main->mnuCompareTunesItem_Click();
    auto* compare = w->main->findChild<frmCompareTunes*>();
    ASSERT_NE(compare, nullptr);
    compare->parentWidget()->showMaximized();
    compare->cmdReadUnit_Click(1);
    EXPECT_EQ(compare->lblSource(1)->text(), "B: track.tun open off line, read at 08:15:00");
    // A copy into it asks about the file, not a unit.
    w->dialogs.chooseNextFile(path);
    compare->cmdOpenFile_Click(0);
    w->dialogs.answerNext(MsgAnswer::No);
    compare->cmdCopyToB()->click();
    ASSERT_FALSE(w->dialogs.messages.isEmpty());
    EXPECT_EQ(w->dialogs.messages.last().text,
              "Copying table C will OVERWRITE 256 entries in the tune open off line "
              "(track.tun).\nWould you like to continue?");
    compare->cmdQUIT_Click();
    EXPECT_TRUE(w->main->isWindowModified());

    // Saved under another name, the indicator follows the file.
    w->dialogs.chooseNextFile(dir.filePath(QStringLiteral("copy.tun")));
    w->main->mnuSaveTuneAsItem_Click();
    EXPECT_EQ(label->text(), "copy.tun");
    EXPECT_FALSE(w->main->isWindowModified());

    // The tuner's ON LINE stays shut off with the reason, even after the
    // tuner's own steps give it back; SAVE TABLE and the table choice are there.
    frmGraphicalTune* tuner = openTuner();
    ASSERT_NE(tuner, nullptr);
    auto* online = tuner->findChild<QPushButton*>(QStringLiteral("cmdONLINE"));
    EXPECT_FALSE(online->isEnabled());
    EXPECT_EQ(online->toolTip(), "Off line: a tune file has no engine to tune on line.");
    tuner->cmdOFFLINE_Click();
    EXPECT_FALSE(online->isEnabled());
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

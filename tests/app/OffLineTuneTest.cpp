#include "OffLineTestSupport.h"

#include "app/mdlMain.h"
#include "memory/CellAccess.h"
#include "tunefile/TuneHistory.h"

#include <QDir>
#include <QAction>
#include <QFileInfo>

namespace {

using namespace mdlPublicVars;

const QStringList LiveControls = {"cmdVentrixRun", "mnuVentrixRunItem", "cmdAccuracyTest", "mnuAccuracyTestItem",
                                  "mnuResetItem"};

// A second tune file, other.tun: O00 at 42, the breakpoint 0300.
QString writeOther(const QTemporaryDir& dir)
{
    tunefile::Tune tune;
    tune.setValue({'O', 0x00}, 0x42);
    tune.setValue({'T', 0x00}, 0x03);
    tune.setValue({'T', 0x01}, 0x00);
    tune.stamp = QStringLiteral("stamp");
    const QString path = dir.filePath(QStringLiteral("other.tun"));
    OffLineTest::write(path, tunefile::TuneText(tune));
    return path;
}

QString toolTipOf(const QMainWindow& main, const QString& name)
{
    if (const auto* widget = main.findChild<QWidget*>(name))
        return widget->toolTip();
    return main.findChild<QAction*>(name)->toolTip();
}

TEST_F(OffLineTest, TheFilesTuneIsFoundAsAConnectedUnit)
{
    // Saving is offered only with a tune open.
    for (const char* name : {"mnuSaveTuneItem", "mnuSaveTuneAsItem"})
        EXPECT_FALSE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
    EXPECT_EQ(w->main->findChild<QAction*>("mnuSaveTuneItem")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    openOffLine(path);

    EXPECT_TRUE(w->dialogs.messages.isEmpty());
    EXPECT_EQ(OffLineTunePath, path);
    EXPECT_TRUE(Connected);
    // The configuration read from it is the file's: a plus unit, so tune 2
    // is there to edit, with the file's breakpoint.
    EXPECT_TRUE(IsPlusStage);
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 0x0180 / 1024.0 * 5);
    EXPECT_EQ(RpmSwitchOn, 6000);
    EXPECT_EQ(memory().cell('H', 0xFF), 252); // entry 1023: (1023 x 7 + 3) mod 256
    // Nothing reached the cable once the off-line unit took its place.
    EXPECT_TRUE(w->heard().isEmpty());

    EXPECT_EQ(w->main->windowTitle(), "Off line: track.tun[*]");
    EXPECT_FALSE(w->main->isWindowModified());
    EXPECT_FALSE(OffLineTuneModified);
    // The rest of the program is there as with a unit, saving too; the live
    // displays stay shut off, with the reason, whatever a window gives back.
    for (const char* name : {"mnuSaveTuneItem", "mnuSaveTuneAsItem", "cmdGraphicalTune", "cmdMemoryModify", "mnuMemory",
                             "mnuIgnitionConfigItem"})
        EXPECT_TRUE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
    const QStringList tips = {offline::NoEngineTip, offline::NoEngineTip, offline::NoUnitToTestTip,
                              offline::NoUnitToTestTip, offline::NoUnitToResetTip};
    mdlMain::SetControlsEnabled(LiveControls, true);
    for (int i = 0; i < LiveControls.size(); ++i) {
        EXPECT_FALSE(mdlMain::IsControlEnabled(LiveControls[i])) << qPrintable(LiveControls[i]);
        EXPECT_EQ(toolTipOf(*w->main, LiveControls[i]), tips[i]) << qPrintable(LiveControls[i]);
    }
}

TEST_F(OffLineTest, AFileThatIsNoTuneChangesNothing)
{
    struct Case {
        const char* text;
        const char* refusedLine;
    } const cases[] = {
        {"&M110901\r\n12-05-2026-07:41:09\r\nC0080\r\nX0000\r\n", "Line 4: \"X0000\""},
        {"something else\r\n", "Line 1: \"something else\""},
    };
    for (const Case& c : cases) {
        const QString bad = dir.filePath(QStringLiteral("bad.tun"));
        write(bad, QString::fromLatin1(c.text));
        w->dialogs.messages.clear();
        openOffLine(bad);
        ASSERT_EQ(w->dialogs.messages.size(), 1) << c.text;
        EXPECT_EQ(w->dialogs.messages[0].text,
                  "The tune was not opened.\nIllegal File Format.\n" + QDir::toNativeSeparators(bad) + "\n"
                      + c.refusedLine);
        EXPECT_TRUE(OffLineTunePath.isEmpty());
        EXPECT_FALSE(w->main->offLineTune().isOpen());
        EXPECT_FALSE(Connected);
    }
    w->dialogs.messages.clear();
    openOffLine(dir.filePath(QStringLiteral("missing.tun")));
    ASSERT_EQ(w->dialogs.messages.size(), 1);
    EXPECT_TRUE(w->dialogs.messages[0].text.startsWith("The tune was not opened.\nThe tune file could not be read:\n"));
}

TEST_F(OffLineTest, AWriteMarksTheTitleAndSaveWritesItBack)
{
    openOffLine(path);
    // A write of the value the file holds leaves nothing to save.
    ASSERT_EQ(cells::WriteCellByte('C', 0x00, 0x03), cells::WriteOutcome::Confirmed);
    EXPECT_FALSE(w->main->isWindowModified());
    ASSERT_EQ(cells::WriteCellByte('L', 0x20, 0x9C), cells::WriteOutcome::Confirmed);
    EXPECT_TRUE(w->main->isWindowModified());
    EXPECT_TRUE(OffLineTuneModified);

    w->main->mnuSaveTuneItem_Click();
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
    EXPECT_FALSE(w->main->isWindowModified());
    EXPECT_FALSE(OffLineTuneModified);
    // L20 is the file's line 3 + 2 x 256 + 0x20; the rest, stamp included, as it was.
    EXPECT_EQ(changedLines(path), QStringList{"547: L209C"});
    const std::optional<tune_history::Record> saved = tune_history::History().numbered(1);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->source, tune_history::Source::OffLineSave);
    EXPECT_EQ(saved->port, QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(saved->tune.value({'L', 0x20}), 0x9C);
    // Saved, it closes without a question.
    w->main->show();
    EXPECT_TRUE(w->main->close());
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
}

// Cancelled, then failing, then to a new file the program goes on with.
TEST_F(OffLineTest, SaveAsWritesTheNewFileAndGoesOnWithIt)
{
    openOffLine(path);
    ASSERT_EQ(cells::WriteCellByte('C', 0x00, 0x01), cells::WriteOutcome::Confirmed);
    const QString copy = dir.filePath(QStringLiteral("copy.tun"));
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.tun"));
    for (const QString& chosen : {QString(), nowhere}) {
        w->dialogs.chooseNextFile(chosen);
        w->main->mnuSaveTuneAsItem_Click();
        EXPECT_TRUE(w->main->isWindowModified());
        EXPECT_EQ(OffLineTunePath, path);
        EXPECT_EQ(read(path), original);
    }
    ASSERT_EQ(w->dialogs.messages.size(), 1); // the failure's alone
    EXPECT_EQ(w->dialogs.messages[0].title, "Save Failure");
    EXPECT_TRUE(w->dialogs.messages[0].text.startsWith("The tune was not saved. The file could not be written:\n"
                                                       + QDir::toNativeSeparators(nowhere) + "\n"));

    w->dialogs.chooseNextFile(copy);
    w->main->mnuSaveTuneAsItem_Click();
    ASSERT_EQ(w->dialogs.fileRequests.size(), 4);
    EXPECT_EQ(w->dialogs.fileRequests[3].defaultName, "track.tun");
    EXPECT_EQ(changedLines(copy), QStringList{"3: C0001"});
    EXPECT_EQ(read(path), original);
    EXPECT_EQ(OffLineTunePath, copy);
    EXPECT_EQ(w->main->windowTitle(), "Off line: copy.tun[*]");
    EXPECT_FALSE(w->main->isWindowModified());
}

// Closing the window, File > Exit and opening another tune each ask first.
TEST_F(OffLineTest, UnsavedChangesAreAskedAboutBeforeTheyAreLost)
{
    struct Case {
        MsgAnswer answer;
        bool leaves;
        bool saved;
    } const cases[] = {
        {MsgAnswer::Cancel, false, false},
        {MsgAnswer::No, true, false},
        {MsgAnswer::Yes, true, true},
    };
    const QString other = writeOther(dir);

    for (const Case& c : cases) {
        for (const char* how : {"close", "exit", "open"}) {
            SCOPED_TRACE(std::string(how) + " " + std::to_string(static_cast<int>(c.answer)));
            restart();
            openOffLine(path);
            ASSERT_EQ(cells::WriteCellByte('O', 0x01, 0x00), cells::WriteOutcome::Confirmed);
            w->dialogs.answerNext(c.answer);
            bool left = false;
            if (QLatin1String(how) == QLatin1String("close")) {
                w->main->show();
                left = w->main->close();
            } else if (QLatin1String(how) == QLatin1String("exit")) {
                w->main->show();
                w->main->mnuExitItem_Click();
                left = w->main->isHidden();
            } else {
                w->dialogs.chooseNextFile(other);
                w->main->mnuOpenTuneOffLineItem_Click();
                left = OffLineTunePath == other && w->main->windowTitle() == "Off line: other.tun[*]";
            }
            ASSERT_EQ(w->dialogs.messages.size(), 1);
            EXPECT_EQ(w->dialogs.messages[0].title, "Unsaved Changes");
            EXPECT_EQ(w->dialogs.messages[0].text,
                      "The tune opened off line has changes that are not in track.tun.\nSave them?");
            EXPECT_EQ(w->dialogs.messages[0].buttons, MsgButtons::YesNoCancel);
            EXPECT_EQ(left, c.leaves);
            EXPECT_EQ(changedLines(path), c.saved ? QStringList{"260: O0100"} : QStringList{});
        }
    }
}

TEST_F(OffLineTest, AnotherTuneReplacesTheFirstFromTheFactoryContents)
{
    openOffLine(path);
    openOffLine(writeOther(dir));
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
    // The unit starts from the factory contents (the off-line unit's test); the configuration is read again.
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 0x0300 / 1024.0 * 5);
    EXPECT_TRUE(Connected);
}

} // namespace

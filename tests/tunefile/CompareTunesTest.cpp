#include "tunefile/frmCompareTunes.h"

#include "app/mdlMain.h"
#include "state/PublicVars.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tunefile/CompareGraph.h"
#include "tunefile/TuneTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr const char* Stamp = "12-05-2026-07:41:09";

QStringList rowTexts(const QTableWidget* grid, int row)
{
    QStringList texts;
    for (int column = 0; column < grid->columnCount(); ++column)
        texts << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
    return texts;
}

int visibleRows(const QTableWidget* grid)
{
    int visible = 0;
    for (int row = 0; row < grid->rowCount(); ++row)
        visible += grid->isRowHidden(row) ? 0 : 1;
    return visible;
}

// Two tunes that differ in four entries whose meanings are worked out by
// hand: tune A is what the first file holds, tune B the second file or the unit.
class CompareTunesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.connectAndLoad();
        w.clock.setDateTime(QDateTime(QDate(2026, 12, 5), QTime(8, 15, 0)));
        tune_test::FillTune(a, 1);
        a.setCell('C', 0x1F, 0xFB); // 31 x 5/255 = 0.608 V, -5 %
        a.setCell('H', 0x80, 0x00); // 128 x 5/255 = 2.510 V, 0 %
        a.setRegister(0x06, 0x81);  // waste spark
        a.setRegister(0x07, 0x32);  // 50 x 40 = 2000 rpm
        b = a;
        b.setCell('C', 0x1F, 0x03); // +3 %
        b.setCell('H', 0x80, 0xFF); // -1 %
        b.setRegister(0x06, 0x84);  // points, 8 cylinders
        b.setRegister(0x07, 0x4B);  // 3000 rpm
        pathA = dir.filePath(QStringLiteral("a.tun"));
        pathB = dir.filePath(QStringLiteral("b.tun"));
        tune_test::WriteFile(pathA, tune_test::ExpectedFile(a, Stamp));
        tune_test::WriteFile(pathB, tune_test::ExpectedFile(b, Stamp));
        device.memory() = b;
    }

    void open(int side, const QString& path)
    {
        dialogs.chooseNextFile(path);
        window.cmdOpenFile_Click(side);
    }
    // B with A's table C.
    VentrixMemory bWithTableCOfA() const
    {
        VentrixMemory expected = b;
        for (int address = 0; address < 256; ++address)
            expected.setCell('C', address, a.cell('C', address));
        return expected;
    }
    void chooseTable(char letter)
    {
        window.cmbCopyTable()->setCurrentIndex(window.cmbCopyTable()->findData(QChar::fromLatin1(letter)));
        ASSERT_EQ(window.copyTable(), letter);
    }

    SimulatedWorld w;
    ScriptedDialogs& dialogs = w.dialogs;
    VentrixDevice& device = w.device;
    QTemporaryDir& dir = w.dir;
    VentrixMemory a, b;
    QString pathA, pathB;
    frmCompareTunes window;
};

TEST_F(CompareTunesTest, TwoFilesShowEveryDifferenceAndTheRegistersWithTheirMeanings)
{
    EXPECT_FALSE(window.cmdCopyToB()->isEnabled());
    open(0, pathA);
    open(1, pathB);
    EXPECT_EQ(window.lblSource(0)->text(), QStringLiteral("A: a.tun (12-05-2026-07:41:09)"));
    EXPECT_EQ(window.lblSource(1)->text(), QStringLiteral("B: b.tun (12-05-2026-07:41:09)"));
    ASSERT_EQ(dialogs.fileRequests.size(), 2);
    EXPECT_EQ(dialogs.fileRequests[0].filter, QStringLiteral("Ventrix Tune Files (*.tun)"));

    const QTableWidget* list = window.lstDifferences();
    ASSERT_EQ(list->rowCount(), 4);
    EXPECT_EQ(window.tabLists()->tabText(0), QStringLiteral("&Differences (4)"));
    EXPECT_EQ(rowTexts(list, 0), (QStringList{"C", "1F", "0.608 V", "-5 %", "3 %"}));
    EXPECT_EQ(rowTexts(list, 3), (QStringList{"T", "07", "RPM switch on point", "32 (2,000 rpm)", "4B (3,000 rpm)"}));

    // Graphs in file order C, O, L, H, each titled with its count and marking its entries.
    EXPECT_EQ(window.fraTable(0)->title(), QStringLiteral("CLOSED-LOOP TABLE 1 (C): 1 entry differs"));
    EXPECT_EQ(window.fraTable(1)->title(), QStringLiteral("OPEN-LOOP TABLE 1 (O): the same"));
    EXPECT_EQ(window.fraTable(3)->title(), QStringLiteral("OPEN-LOOP TABLE 2 (H): 1 entry differs"));
    EXPECT_EQ(window.pctCompareGraph(0)->differingEntries(), QList<int>{0x1F});
    EXPECT_EQ(window.pctCompareGraph(3)->differingEntries(), QList<int>{0x80});

    // All twenty registers side by side; the filter leaves the two that differ.
    const QTableWidget* registers = window.grdRegisters();
    ASSERT_EQ(registers->rowCount(), 20);
    EXPECT_EQ(visibleRows(registers), 20);
    EXPECT_EQ(rowTexts(registers, 7), (QStringList{"T07  RPM switch on point", "32 (2,000 rpm)", "4B (3,000 rpm)"}));
    window.chkOnlyDifferences()->click();
    EXPECT_EQ(visibleRows(registers), 2);
    EXPECT_FALSE(registers->isRowHidden(6) || registers->isRowHidden(7));

    // A file that is no tune leaves the side as it was.
    const QString junk = dir.filePath(QStringLiteral("junk.tun"));
    tune_test::WriteFile(junk, "&M110901\r\nstamp\r\nC0G00\r\n");
    open(1, junk);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Compare Failure"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Illegal File Format.\n") + QDir::toNativeSeparators(junk) + "\nLine 3: \"C0G00\"");
    EXPECT_EQ(window.tune(1)->origin.path, pathB);
}

TEST_F(CompareTunesTest, ACopiedTableIsSavedWholeIntoTheOtherFile)
{
    open(0, pathA);
    open(1, pathB);
    chooseTable('C');
    window.cmdCopyToB()->click();

    // B is now its old tune with A's table C: time stamp and the rest kept.
    EXPECT_EQ(ReadFile(pathB), tune_test::ExpectedFile(bWithTableCOfA(), Stamp));
    EXPECT_EQ(ReadFile(pathA), tune_test::ExpectedFile(a, Stamp));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(window.lstDifferences()->rowCount(), 3);
    EXPECT_EQ(window.lblStatus()->text(), QStringLiteral("Table C copied from A into b.tun."));
    EXPECT_EQ(device.requestsHeard(), 0);

    // A file that can no longer be written stays as the window showed it.
    chooseTable('H');
    const QString sub = dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString lost = sub + QStringLiteral("/lost.tun");
    tune_test::WriteFile(lost, tune_test::ExpectedFile(b, Stamp));
    open(1, lost);
    ASSERT_TRUE(QDir(sub).removeRecursively());
    tune_test::WriteFile(sub, "a file where the folder was");
    window.cmdCopyToB()->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Copy Failure"));
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("Table H could not be saved into the file:\n")
                                                    + QDir::toNativeSeparators(lost)))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(window.tune(1)->value({'H', 0x80}), 0xFF);
}

TEST_F(CompareTunesTest, ACopiedTableIsWrittenIntoTheUnitAndReadBackUntilAWrongEcho)
{
    open(0, pathA);
    window.cmdReadUnit_Click(1);
    EXPECT_EQ(window.lblSource(1)->text(), QStringLiteral("B: the connected unit (port 1), read at 08:15:00"));

    // Declined: nothing is written.
    chooseTable('C');
    device.clearLog();
    dialogs.answerNext(MsgAnswer::No);
    window.cmdCopyToB()->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    const ScriptedDialogs::Message& question = dialogs.messages[0];
    EXPECT_EQ(question.text,
              QStringLiteral("Copying table C will OVERWRITE 256 entries in the unit.\nWould you like to continue?"));
    EXPECT_EQ(question.defaultAnswer, MsgAnswer::No);
    EXPECT_EQ(device.requestsHeard(), 0);

    const qsizetype backupsBefore = tunefile::ListBackups(tunefile::BackupFolder()).size();
    dialogs.answerNext(MsgAnswer::Yes);
    window.cmdCopyToB()->click();
    EXPECT_EQ(dialogs.messages.size(), 2);
    // The unit backed up whole first (one backup, what it held), then every
    // cell of C written with its echo checked, then read back, nothing else.
    const QList<tunefile::BackupFile> backups = tunefile::ListBackups(tunefile::BackupFolder());
    ASSERT_EQ(backups.size(), backupsBefore + 1);
    const std::optional<tunefile::Tune> backup = tunefile::ReadBackup(backups.first().path);
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->value({'C', 0x1F}), b.cell('C', 0x1F));
    const QStringList heard = w.heard();
    ASSERT_EQ(heard.size(), tunefile::DataLineCount + 512);
    const QStringList copy = heard.mid(tunefile::DataLineCount);
    EXPECT_EQ(copy.at(0x1F), QStringLiteral("WC1FFB"));
    EXPECT_EQ(copy.at(256), QStringLiteral("RC00"));
    EXPECT_EQ(copy.last(), QStringLiteral("RCFF"));
    EXPECT_TRUE(tune_test::SameTune(device.memory(), bWithTableCOfA()));
    // The window's B is what the unit now holds.
    EXPECT_EQ(window.tune(1)->table('C'), window.tune(0)->table('C'));
    EXPECT_EQ(window.lstDifferences()->rowCount(), 3);
    EXPECT_EQ(window.lblStatus()->text(), QStringLiteral("Table C written into the unit and read back (256 entries)."));

    // A wrong echo stops the copy and says where.
    chooseTable('O');
    device.faults().wrongEcho = true;
    device.clearLog();
    dialogs.answerNext(MsgAnswer::Yes);
    window.cmdCopyToB()->click();
    ASSERT_EQ(dialogs.messages.size(), 4);
    EXPECT_EQ(dialogs.messages[3].title, QStringLiteral("Copy Failure"));
    EXPECT_EQ(dialogs.messages[3].text,
              QStringLiteral("Copying table O failed at entry O00: the unit echoed another value.\n0 entries were "
                             "written before it; the unit still holds its own values from there on."));
    // After the backup's reads, the first write and nothing more.
    EXPECT_EQ(w.heard().mid(tunefile::DataLineCount),
              QStringList{QStringLiteral("WO00") + tune_test::Hex2(a.cell('O', 0))});
    // What the unit holds there is no longer known.
    EXPECT_FALSE(window.tune(1)->has({'O', 0x00}));
    EXPECT_EQ(window.tune(1)->value({'O', 0x01}), b.cell('O', 0x01));
}

TEST_F(CompareTunesTest, OneReadOfTheUnitAtATime)
{
    bool looked = false;
    device.setFrameListener([&](const QByteArray&, const QByteArray&) {
        if (device.requestsHeard() != 500 || looked)
            return;
        looked = true;
        EXPECT_TRUE(window.TalkingToUnit());
        EXPECT_FALSE(window.cmdReadUnit(0)->isEnabled() && window.isEnabled());
        window.cmdReadUnit_Click(0);
        EXPECT_FALSE(window.close());
        window.cmdQUIT_Click();
    });
    window.cmdReadUnit_Click(1);
    EXPECT_TRUE(looked);
    // One read of the 1044 entries, and the window still there with it.
    EXPECT_EQ(device.requestsHeard(), 1044);
    EXPECT_FALSE(window.tune(0));
    ASSERT_TRUE(window.tune(1));
    EXPECT_TRUE(window.tune(1)->isComplete());
    EXPECT_FALSE(window.TalkingToUnit());
    EXPECT_TRUE(window.isEnabled());

    // The unit is left alone while another window talks to it.
    device.clearLog();
    mdlMain::SetControlsEnabled({QStringLiteral("mnuMemory")}, false);
    window.cmdReadUnit_Click(0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Unit In Use"));
    EXPECT_FALSE(window.tune(0));
    EXPECT_EQ(device.requestsHeard(), 0);

    // Without a unit: the connection guard, and nothing read.
    mdlMain::SetControlsEnabled({QStringLiteral("mnuMemory")}, true);
    mdlPublicVars::Connected = false;
    window.cmdReadUnit_Click(0);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("Connection Error"));
    EXPECT_EQ(device.requestsHeard(), 0);
}

} // namespace

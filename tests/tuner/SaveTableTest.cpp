#include "TunerTestSupport.h"

#include "tunefile/TuneHistory.h"
#include "tunefile/frmTableSaveSelection.h"

#include <QProgressBar>

namespace {

using namespace mdlPublicVars;

class SaveTableTest : public TunerTest {
protected:
    // The user's answer in the selection window once it is open: an option
    // and SAVE, or QUIT (index -1), or its close button (-2), or the tuner's QUIT (-3).
    void answerSelection(int index)
    {
        QTimer::singleShot(0, main.get(), [this, index] {
            auto* selection = main->findChild<frmTableSaveSelection*>();
            ASSERT_NE(selection, nullptr);
            if (index == -3) {
                dialogs.answerNext(MsgAnswer::Yes);
                window->cmdQUIT_Click();
            } else if (index == -2)
                selection->close();
            else if (index < 0)
                selection->cmdQuitSaveTable_Click();
            else {
                selection->optSaveTableSelect(index)->setChecked(true);
                selection->cmdSaveTable_Click();
            }
        });
    }
};

TEST_F(SaveTableTest, SaveTableWritesTheWholeMapIntoTheChosenTune)
{
    struct Case {
        int index;
        char letter;
        int installedRegister, eecRegister;
    } const cases[] = {{0, 'O', 0x02, 0x03}, {1, 'C', 0x04, 0x05}, {2, 'H', 0x0A, 0x0B}, {3, 'L', 0x0C, 0x0D}};
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        move(slider(c.index + 3), -30 - c.index); // an edited table and settings off line
        move(bar("HScroll1"), 600 + c.index);
        move(bar("HScroll2"), 2400);
        move(bar("HScroll3"), 7000);
        InstalledInjectorSize = 24;
        EecInjectorSize = 30 + c.index;
        const tuner::Table edited = window->CorrectionTable();
        heard();
        messages().clear();

        answerSelection(c.index);
        window->cmdSaveChanges_Click();

        QStringList writes;
        for (int j = 0; j < 256; ++j)
            writes << QStringLiteral("W") + QLatin1Char(c.letter) + frame::HexByte(j)
                    + frame::HexByte(edited[j] & 0xFF);
        const int count = 600 + c.index;
        writes << QStringLiteral("WT00") + frame::HexByte(count >> 8) << QStringLiteral("WT01") + frame::HexByte(count)
               << QStringLiteral("WT") + frame::HexByte(c.installedRegister) + "18"
               << QStringLiteral("WT") + frame::HexByte(c.eecRegister) + frame::HexByte(30 + c.index) << "WT073C"
               << "WT08AF";
        const QStringList asked = heard(); // the whole unit backed up, the writes, the table read back
        EXPECT_EQ(asked.mid(0, 1044), readsOf('C') + readsOf('O') + readsOf('L') + readsOf('H') + registerReads());
        EXPECT_EQ(tunefile::ListBackups(tunefile::BackupFolder()).size(), c.index + 1);
        EXPECT_EQ(asked.mid(1044, 262), writes);
        EXPECT_EQ(asked.mid(1044 + 262, 256), readsOf(c.letter));
        ASSERT_EQ(messageTexts(), QStringList{"Map write successful."});
        EXPECT_EQ(titled(0), std::pair(QStringLiteral("Write Successful!"), MsgIcon::Exclamation));
        EXPECT_TRUE(window->optTableSelect(c.index)->isChecked());
        EXPECT_EQ(window->CorrectionTable(), edited);
        EXPECT_EQ(mdlMain::ProgressBar()->value(), 0);
        EXPECT_TRUE(control("cmdSaveChanges")->isEnabled());
        // The history holds the backup, then the unit as it now is: the backup with what was written.
        tune_history::History history;
        const std::optional<tune_history::Record> saved = history.numbered(1);
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->source, tune_history::Source::SaveTable);
        EXPECT_EQ(saved->tune.entryCount(), 1044);
        EXPECT_EQ(saved->tune.value({c.letter, 0x10}), edited[0x10] & 0xFF);
        EXPECT_EQ(saved->tune.value({'T', 0x07}), 0x3C);
        EXPECT_EQ(saved->tune.value({'T', c.eecRegister}), 30 + c.index);
        EXPECT_EQ(history.numbered(2)->source, tune_history::Source::Backup);
    }
}

TEST_F(SaveTableTest, TheBackupHoldsTheUnitAsItWasAndAFailedOneStopsTheSave)
{
    open();
    const VentrixMemory before = device.memory();
    move(slider(5), 40);
    answerSelection(0);
    // The backup lets window events run: SAVE TABLE and ON LINE wait meanwhile.
    bool frozenDuringBackup = false;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("RL80"))
            frozenDuringBackup = !control("cmdSaveChanges")->isEnabled() && !control("cmdONLINE")->isEnabled();
    });
    window->cmdSaveChanges_Click();
    device.setFrameListener({});
    EXPECT_TRUE(frozenDuringBackup);
    ASSERT_EQ(messages().size(), 1);
    const QList<tunefile::BackupFile> made = tunefile::ListBackups(tunefile::BackupFolder());
    ASSERT_EQ(made.size(), 1);
    const std::optional<tunefile::Tune> backup = tunefile::ReadBackup(made[0].path);
    ASSERT_TRUE(backup);
    for (int j = 0; j < 256; ++j)
        ASSERT_EQ(backup->value({'O', j}), before.cell('O', j)) << j;
    EXPECT_EQ(backup->value({'T', 0x07}), before.registerValue(0x07));
    EXPECT_FALSE(device.memory() == before) << "the edited table was saved";

    // A unit that does not answer the backup's read of H20: No keeps it as it is.
    move(slider(5), -40);
    const VentrixMemory saved = device.memory();
    port->silenced << "RH20";
    heard();
    messages().clear();
    dialogs.answerNext(MsgAnswer::No);
    answerSelection(0);
    window->cmdSaveChanges_Click();
    port->silenced.clear();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Backup Failure");
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No);
    EXPECT_TRUE(heard().filter(QRegularExpression("^W")).isEmpty());
    EXPECT_TRUE(device.memory() == saved);
    EXPECT_EQ(tunefile::ListBackups(tunefile::BackupFolder()).size(), 1);
    EXPECT_TRUE(control("cmdSaveChanges")->isEnabled());
}

TEST_F(SaveTableTest, TheTuneOpenedOffLineIsSavedWithoutABackup)
{
    open();
    OffLineTunePath = dir.filePath("offline.tun");
    heard();
    answerSelection(1);
    window->cmdSaveChanges_Click();
    EXPECT_EQ(heard().first(), "WC0000"); // table O's entry 0, into tune 2's closed loop
    EXPECT_TRUE(tunefile::ListBackups(tunefile::BackupFolder()).isEmpty());
}

TEST_F(SaveTableTest, ASelectionLeftWithoutSaveWritesNothing)
{
    open();
    move(slider(4), 50);
    for (const int way : {-1, -2, -3}) {
        heard();
        answerSelection(way);
        window->cmdSaveChanges_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(heard(true).isEmpty());
        EXPECT_EQ(main->findChild<frmTableSaveSelection*>(), nullptr);
        EXPECT_FALSE(TuneSelectionPending);
        if (way == -3) { // the wait for the choice ends with the tuner
            EXPECT_TRUE(window.isNull());
            EXPECT_TRUE(mdlMain::IsControlEnabled("cmdGraphicalTune"));
        } else {
            EXPECT_TRUE(messages().isEmpty());
            EXPECT_TRUE(control("cmdONLINE")->isEnabled());
            EXPECT_EQ(window->CorrectionTable()[48], 50);
        }
    }
}

TEST_F(SaveTableTest, EachFailedWriteOfTheMapIsReported)
{
    const QString mapFailed = QStringLiteral("Failed to update map. Please try again.");
    struct Case {
        const char* refused;
        QStringList texts;
    } const cases[] = {
        {"WO80", {mapFailed}},
        {"WT00", {mapFailed}},
        {"WT03", {mapFailed}},
        {"WT07", {QStringLiteral("Failed to Update RPM Switch Activation."), mapFailed}},
        {"WT08", {QStringLiteral("Failed to Update RPM Switch Deactivation."), mapFailed}},
    };
    open();
    move(slider(20), 25); // entry D0, never reached when WO80 is refused
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        port->replies.clear();
        port->replies[QString::fromLatin1(c.refused)] = "";
        messages().clear();
        answerSelection(0);
        window->cmdSaveChanges_Click();
        port->replies.clear();
        ASSERT_GE(messages().size(), c.texts.size());
        for (qsizetype m = 0; m < c.texts.size(); ++m) {
            EXPECT_EQ(messages()[m].text, c.texts[m]);
            EXPECT_EQ(titled(m), std::pair(QStringLiteral("Write Failure!"), MsgIcon::Exclamation));
        }
        EXPECT_EQ(window->CorrectionTable()[0xD0], 25); // the edits stay, to be saved again
    }
}

} // namespace

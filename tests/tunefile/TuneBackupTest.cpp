// What guards an import (the backup before it and the read-back after it),
// Tune > Restore Backup... and the history of tunes read and written.
#include "tunefile/TuneTransferFixture.h"

#include "tunefile/frmRestoreBackup.h"
#include "tunefile/frmTuneHistory.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

namespace {

class SafeImportTest : public TuneTransferTest {
protected:
    QList<BackupFile> backups() const { return ListBackups(BackupFolder()); }
};

TEST_F(SafeImportTest, AFailedBackupStopsTheImportUnlessTheUserChoosesToGoOn)
{
    const QByteArray file = tune_test::ExpectedFile(second.memory(), Stamp);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        tune_test::FillTune(first.memory(), 1);
        first.clearLog();
        dialogs.script.messages.clear();
        // Read 701 (entry 700, L BC) goes unanswered through its 50 attempts.
        auto count = std::make_shared<int>(0);
        first.setFrameListener([this, count](const QByteArray&, const QByteArray&) {
            ++*count;
            first.faults().silent = *count >= 700 && *count < 750;
        });
        dialogs.script.answerNext(MsgAnswer::Yes); // WARNING
        dialogs.script.answerNext(answer);         // Backup Failure
        importFile(file);
        first.setFrameListener({});
        first.faults() = {};

        ASSERT_EQ(titles().mid(0, 2), (QStringList{"WARNING", "Backup Failure"}));
        const ScriptedDialogs::Message& asked = dialogs.script.messages[1];
        EXPECT_EQ(asked.defaultAnswer, MsgAnswer::No);
        EXPECT_EQ(asked.icon, MsgIcon::Exclamation);
        EXPECT_EQ(asked.text,
                  QStringLiteral("The tune in the unit could not be backed up.\nThe unit did not answer "
                                 "\"RLBC\".\n\nOverwrite the unit without a backup? Its tune is then "
                                 "lost if the new one is wrong."));
        EXPECT_TRUE(backups().isEmpty());
        const bool goOn = answer == MsgAnswer::Yes;
        EXPECT_EQ(titles().last(), goOn ? "COMPLETE" : "Backup Failure");
        EXPECT_EQ(heard(first).filter(QRegularExpression(QStringLiteral("^W"))).isEmpty(), !goOn);
        EXPECT_EQ(tune_test::SameTune(first.memory(), second.memory()), goOn);
        expectRestored();
    }
}

TEST_F(SafeImportTest, TheReadBackNamesEntriesTheUnitDidNotKeep)
{
    // The unit confirms C1F and O80 but keeps 00 in them.
    first.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("WC1F"))
            first.memory().setCell('C', 0x1F, 0x00);
        if (frame.contains("WO80"))
            first.memory().setCell('O', 0x80, 0x00);
    });
    importFile(tune_test::ExpectedFile(second.memory(), Stamp));
    ASSERT_EQ(titles(), (QStringList{"WARNING", "Import Failure"}));
    EXPECT_EQ(dialogs.script.messages[1].text,
              QStringLiteral("The unit was read back after the import: 2 of 1040 entries differ from the file.\n\n"
                             "C1F: the file has %1, the unit has 00\nO80: the file has %2, the unit has 00")
                  .arg(QString::fromLatin1(tune_test::Hex2(second.memory().cell('C', 0x1F))),
                       QString::fromLatin1(tune_test::Hex2(second.memory().cell('O', 0x80)))));
    expectRestored();
}

class RestoreBackupTest : public SafeImportTest {
protected:
    QStringList row(frmRestoreBackup* window, int r) const
    {
        QStringList cells;
        for (int c = 0; c < window->lstBackups()->columnCount(); ++c)
            cells << window->lstBackups()->item(r, c)->text();
        return cells;
    }
};

TEST_F(RestoreBackupTest, TheListShowsEachBackupsDifferencesAndRestoreImportsTheChosenOne)
{
    const VentrixMemory before = first.memory();
    QString error;
    const std::optional<Tune> secondTune =
        TuneFromText(QString::fromLatin1(tune_test::ExpectedFile(second.memory(), Stamp)));
    ASSERT_TRUE(secondTune);
    ASSERT_FALSE(
        WriteBackup(BackupFolder(), *secondTune, QDateTime(QDate(2026, 11, 30), QTime(18, 5, 0)), 2, &error).isEmpty());
    // A table's two entries, one as the unit holds it, one not, and a register not.
    Tune partial;
    partial.setValue({'O', 0x10}, first.memory().cell('O', 0x10));
    partial.setValue({'O', 0x11}, first.memory().cell('O', 0x11) ^ 0x01);
    partial.setValue({'T', 0x07}, first.memory().registerValue(0x07) ^ 0x01);
    const QDateTime partialTime(QDate(2026, 12, 1), QTime(7, 0, 1));
    ASSERT_FALSE(WriteBackup(BackupFolder(), partial, partialTime, 1, &error).isEmpty());

    frmRestoreBackup* window = ShowRestoreBackup();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(first.payloadLog().size(), 1044); // the unit read once
    ASSERT_EQ(window->lstBackups()->rowCount(), 2);
    EXPECT_EQ(row(window, 0),
              (QStringList{"2026-12-01", "07:00:01", "1", "3 entries", "2", "2026-12-01_07-00-01_port1.tun"}));
    const QString wholeDiffers = QString::number(DifferingPlaces(before, second.memory()).size());
    EXPECT_EQ(
        row(window, 1),
        (QStringList{"2026-11-30", "18:05:00", "2", "whole tune", wholeDiffers, "2026-11-30_18-05-00_port2.tun"}));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblFolder"))->text(),
              QStringLiteral("2 backups in %1, newest first.").arg(QDir::toNativeSeparators(BackupFolder())));
    EXPECT_FALSE(window->cmdRestore()->isEnabled());

    // No to the question writes nothing.
    window->lstBackups()->selectRow(1);
    EXPECT_TRUE(window->cmdRestore()->isEnabled());
    dialogs.script.answerNext(MsgAnswer::No);
    window->cmdRestore_Click();
    ASSERT_EQ(titles(), QStringList{"WARNING"});
    EXPECT_EQ(dialogs.script.messages[0].text,
              QStringLiteral("Restoring the backup of 2026-11-30 18:05:00 (2026-11-30_18-05-00_port2.tun) will "
                             "OVERWRITE 1044 memory locations.\nWould you like to continue?"));
    EXPECT_EQ(dialogs.script.messages[0].defaultAnswer, MsgAnswer::No);
    EXPECT_EQ(first.payloadLog().size(), 1044);

    dialogs.script.messages.clear();
    bool lockedWhileWriting = false;
    first.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("WC00"))
            lockedWhileWriting = !window->cmdRestore()->isEnabled()
                && !window->findChild<QPushButton*>(QStringLiteral("cmdClose"))->isEnabled()
                && !window->lstBackups()->isEnabled();
    });
    window->cmdRestore_Click();
    first.setFrameListener({});
    EXPECT_TRUE(lockedWhileWriting);
    EXPECT_EQ(titles(), (QStringList{"WARNING", "COMPLETE"}));
    EXPECT_TRUE(tune_test::SameTune(first.memory(), second.memory()));
    // The unit as it was is the newest backup now; the restored one matches the unit.
    ASSERT_EQ(window->lstBackups()->rowCount(), 3);
    EXPECT_EQ(row(window, 0).mid(2, 3), (QStringList{"1", "whole tune", wholeDiffers}));
    EXPECT_EQ(row(window, 2).at(4), QStringLiteral("0"));
    // The chosen backup stays selected where the list moved it.
    EXPECT_EQ(window->lstBackups()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(window->lstBackups()->currentRow(), 2);
    const VentrixMemory& now = second.memory();
    const int partialDiffers = (before.cell('O', 0x10) != now.cell('O', 0x10))
        + ((before.cell('O', 0x11) ^ 0x01) != now.cell('O', 0x11))
        + ((before.registerValue(0x07) ^ 0x01) != now.registerValue(0x07));
    EXPECT_EQ(row(window, 1).at(4), QString::number(partialDiffers));
    window->cmdClose_Click();
    expectRestored();
}

TEST_F(RestoreBackupTest, AUnitThatCannotBeReadLeavesTheDifferencesUnknown)
{
    QString error;
    ASSERT_FALSE(WriteBackup(BackupFolder(), Tune::FromValues(QList<int>(DataLineCount, 0x80)), ExportTime, 1, &error)
                     .isEmpty());
    first.faults().silent = true;
    frmRestoreBackup* window = ShowRestoreBackup();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->lstBackups()->rowCount(), 1);
    EXPECT_EQ(window->lstBackups()->item(0, 4)->text(), QStringLiteral("?"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblFolder"))->text(),
              QStringLiteral("1 backup in %1. The unit could not be read: the differences are not known.")
                  .arg(QDir::toNativeSeparators(BackupFolder())));
    window->cmdClose_Click();
    expectRestored();
}

TEST_F(SafeImportTest, TheHistoryRecordsWhatWasReadAndRestoresOneTableAfterTheQuestion)
{
    const VentrixMemory before = first.memory();
    importFile(tune_test::ExpectedFile(second.memory(), Stamp));
    ASSERT_EQ(titles().last(), QStringLiteral("COMPLETE"));
    const QString imported = tune_history::Fingerprint(*TuneFromText(tune_test::ExpectedFile(second.memory(), Stamp)));
    EXPECT_EQ(w.main->statusBar()->currentMessage(), "Tune fingerprint " + imported + ", no record matches");
    // The unit read whole again holds the tune the import recorded (5 December 2026 was a Saturday).
    dialogs.script.chooseNextFile(path);
    ExportTune();
    EXPECT_EQ(w.main->statusBar()->currentMessage(), "Tune fingerprint " + imported + ", matches Saturday 07:41");

    frmTuneHistory* window = ShowTuneHistory();
    const QList<tune_history::Record>& shown = window->shown();
    ASSERT_EQ(shown.size(), 3);
    QTableWidget* grid = window->findChild<QTableWidget*>("grdHistory");
    EXPECT_EQ(grid->item(0, 2)->text() + grid->item(1, 2)->text() + grid->item(2, 2)->text(), "exportimportbackup");
    grid->item(2, 6)->setText("before the import"); // the backup's note, typed in
    EXPECT_EQ(tune_history::History().numbered(3)->note, "before the import");

    // Table C of the backup back into the unit: No writes nothing, Yes writes only table C.
    grid->selectRow(2);
    window->findChild<QComboBox*>("cboRestorePart")->setCurrentText("Table C");
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        first.clearLog();
        dialogs.script.messages.clear();
        dialogs.script.answerNext(answer);
        window->findChild<QPushButton*>("cmdRestoreToUnit")->click();
        ASSERT_FALSE(dialogs.script.messages.isEmpty());
        EXPECT_EQ(dialogs.script.messages[0].defaultAnswer, MsgAnswer::No);
        EXPECT_TRUE(dialogs.script.messages[0].text.contains("table C"))
            << dialogs.script.messages[0].text.toStdString();
        EXPECT_EQ(first.payloadLog().isEmpty(), answer == MsgAnswer::No);
    }
    EXPECT_EQ(titles().last(), QStringLiteral("COMPLETE"));
    for (int address = 0; address < 256; ++address) {
        ASSERT_EQ(first.memory().cell('C', address), before.cell('C', address)) << address;
        ASSERT_EQ(first.memory().cell('O', address), second.memory().cell('O', address)) << address;
    }
    EXPECT_EQ(first.memory().registerValue(0x05), second.memory().registerValue(0x05));
    window->close();
}

} // namespace

// kestrel-cli import and restore with their backups, and the backups list.
#include "CliFixture.h"

#include "tunefile/Backups.h"

#include <QFileInfo>

namespace {

using tunefile::BackupFile;
using tunefile::ListBackups;

class CliBackupsTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        tune_test::FillTune(device.memory(), 1);
    }
    QList<BackupFile> backups() const { return ListBackups(tunefile::BackupFolder()); }
    static QByteArray dataPart(const QByteArray& file)
    {
        return file.mid(file.indexOf("\r\n", file.indexOf("\r\n") + 2));
    }
};

TEST_F(CliBackupsTest, AFailedBackupWritesNothingUnlessTheUserGoesOnAtATerminal)
{
    VentrixMemory other;
    tune_test::FillTune(other, 2);
    const QString path = writeFile("other.tun", tune_test::ExpectedFile(other, Stamp));
    const VentrixMemory before = device.memory();
    // The read of H10 gets no answer through its 50 attempts, once.
    const auto silenceH10 = [this] {
        auto silentFor = std::make_shared<int>(-1);
        device.setFrameListener([this, silentFor](const QByteArray& frame, const QByteArray&) {
            if (frame.contains("RH0F") && *silentFor < 0)
                *silentFor = 50;
            else if (*silentFor > 0)
                --*silentFor;
            device.faults().silent = *silentFor > 0;
        });
    };
    struct Case {
        QStringList args;
        bool terminal;
        QStringList answers; // to overwriting, then to going on without a backup
        int status;
    } const cases[] = {
        {{"import", path, "--yes"}, false, {}, exit_status::UnitFailed},
        {{"import", path, "--yes"}, true, {}, exit_status::UnitFailed}, // --yes never means "without a backup"
        {{"import", path}, true, {"y", "n"}, exit_status::UnitFailed},
        {{"import", path}, true, {"y", "y"}, exit_status::Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString() + (c.terminal ? " on a terminal, " : ", ")
                     + c.answers.join(',').toStdString());
        device.memory() = before;
        answerAgain(device);
        heard(device);
        silenceH10();
        terminal = c.terminal;
        answers = c.answers;
        questions = 0;
        EXPECT_EQ(run(c.args), c.status) << err.toStdString();
        EXPECT_EQ(questions, c.answers.size());
        EXPECT_TRUE(err.contains("The tune in the unit could not be backed up.\nThe unit did not answer \"RH10\"."))
            << err.toStdString();
        EXPECT_TRUE(backups().isEmpty());
        if (c.status == exit_status::Done) {
            // Without a backup the unit is not known: every line is written.
            EXPECT_EQ(writesIn(heard(device)), 1044);
            EXPECT_TRUE(tune_test::SameTune(device.memory(), other));
        } else {
            EXPECT_TRUE(err.contains("Nothing was written.\nGive --no-backup to import without a backup."));
            EXPECT_EQ(writesIn(heard(device)), 0);
            EXPECT_TRUE(device.memory() == before);
        }
    }
}

TEST_F(CliBackupsTest, TheBackupsAreListedAndRestoreBringsTheUnitBackByteForByte)
{
    const VentrixMemory original = device.memory();
    VentrixMemory wrong;
    tune_test::FillTune(wrong, 2);
    const QString path = writeFile("wrong.tun", tune_test::ExpectedFile(wrong, Stamp));
    ASSERT_EQ(run({"import", path, "--yes"}), exit_status::Done) << err.toStdString();
    ASSERT_TRUE(tune_test::SameTune(device.memory(), wrong));

    ASSERT_EQ(run({"backups"}), exit_status::Done);
    const QList<BackupFile> list = backups();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(out,
              QStringLiteral("  1  %1  port 1  whole tune    %2\n")
                  .arg(list[0].when.toString("yyyy-MM-dd HH:mm:ss"), QFileInfo(list[0].path).fileName()));
    heard(device);

    EXPECT_EQ(run({"restore", "1", "--yes"}), exit_status::Done) << err.toStdString();
    EXPECT_TRUE(device.memory() == original);
    EXPECT_TRUE(out.contains("Verified ")) << out.toStdString();
    // The wrong tune was backed up before the restore overwrote it.
    ASSERT_EQ(backups().size(), 2);
    EXPECT_EQ(dataPart(contents(backups()[0].path)), dataPart(tune_test::ExpectedFile(wrong, Stamp)));

    EXPECT_EQ(run({"restore", "3", "--yes"}), exit_status::BadInput);
    EXPECT_TRUE(err.contains("restore needs the number of a backup, 1 to 2")) << err.toStdString();
}

// The backup a restore takes first never rotates away itself or the backup
// being restored: the folder full, its backups dated after the clock (set
// back since), or before it.
TEST_F(CliBackupsTest, ARestoreIntoAFullFolderKeepsItsOwnBackupAndTheOneItRestores)
{
    struct Case {
        const char* name;
        QDateTime firstBackup; // the other 99 follow a minute apart
        const char* number;
        const char* restored;
    } const cases[] = {
        {"clock behind the backups", QDateTime(QDate(2030, 1, 1), QTime(0, 0)), "1", "2030-01-01_01-39-00_port1.tun"},
        {"clock after the backups", QDateTime(QDate(2026, 1, 1), QTime(0, 0)), "100", "2026-01-01_00-00-00_port1.tun"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        tunefile::SetBackupFolder(folder.path());
        QString error;
        for (int i = 0; i < 100; ++i) {
            tunefile::Tune tune;
            tune.setValue({'C', 0x1F}, i);
            const QDateTime when = c.firstBackup.addSecs(60 * i);
            ASSERT_FALSE(tunefile::WriteBackup(folder.path(), tune, when, 1, &error).isEmpty());
        }
        EXPECT_EQ(run({"restore", c.number, "--yes"}), exit_status::Done) << err.toStdString();
        const QString restored = folder.filePath(c.restored);
        EXPECT_TRUE(out.contains("(" + QDir::toNativeSeparators(restored) + ")\n")) << out.toStdString();
        const QRegularExpressionMatch taken = QRegularExpression("Backed up 1044 entries to (.*)\n").match(out);
        ASSERT_TRUE(taken.hasMatch()) << out.toStdString();
        const QList<BackupFile> list = backups();
        ASSERT_EQ(list.size(), 100);
        EXPECT_EQ(QDir::toNativeSeparators(list.first().path), taken.captured(1));
        EXPECT_TRUE(QFile::exists(restored));
    }
}

TEST_F(CliBackupsTest, CtrlCDuringTheBackupWritesNothing)
{
    const QString path = writeFile("other.tun", "&M110901\r\nstamp\r\nC0000\r\n\r\n");
    interruptWhen = [this] { return device.requestsHeard() >= 200; };
    EXPECT_EQ(run({"import", path, "--yes"}), exit_status::Interrupted);
    EXPECT_TRUE(err.contains("while backing up the unit; nothing was written.")) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 0);
    EXPECT_TRUE(backups().isEmpty());
}

} // namespace

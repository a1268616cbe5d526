#include "tunefile/Backups.h"

#include "tunefile/TuneTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace tunefile;

const QDateTime When(QDate(2026, 12, 7), QTime(9, 34, 19));

QStringList namesIn(const QList<BackupFile>& backups)
{
    QStringList names;
    for (const BackupFile& b : backups)
        names << QFileInfo(b.path).fileName();
    return names;
}

Tune smallTune(int value)
{
    Tune tune;
    tune.setValue({'C', 0x1F}, value);
    return tune;
}

TEST(BackupNameTest, NamesCarryDateTimePortAndSequence)
{
    EXPECT_EQ(BackupFileName(When, 1), QStringLiteral("2026-12-07_09-34-19_port1.tun"));
    EXPECT_EQ(BackupFileName(When, 4, 2), QStringLiteral("2026-12-07_09-34-19_port4_2.tun"));

    const std::optional<BackupFile> parsed = ParseBackupFileName(QStringLiteral("2026-12-07_09-34-19_port4_12.tun"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->when, When);
    EXPECT_EQ(parsed->port, 4);
    EXPECT_EQ(parsed->sequence, 12);

    for (const char* name : {"2026-12-07_09-34-19_port1.txt", "MAF_Data.tun", "2026-13-07_09-34-19_port1.tun",
                             "2026-12-07_25-34-19_port1.tun", "2026-12-07_09-34-19_port1_1.tun",
                             "2026-12-07_09-34-19_port.tun", "x2026-12-07_09-34-19_port1.tun"})
        EXPECT_FALSE(ParseBackupFileName(QString::fromLatin1(name))) << name;
}

TEST(BackupFolderTest, BackupsAreListedLastWrittenFirstWhateverTheirNamesSay)
{
    struct Case {
        const char* name;
        QStringList byHand;       // backups the folder's order does not name
        QList<QDateTime> written; // in this order
        QStringList listed;
    } const cases[] = {
        {"two in one second, then one a minute earlier: the clock was set back",
         {},
         {When, When, When.addSecs(-60)},
         {"2026-12-07_09-33-19_port1.tun", "2026-12-07_09-34-19_port1_2.tun", "2026-12-07_09-34-19_port1.tun"}},
        {"backups it does not name are older than any it names, and go by their names' date",
         {"2030-01-01_00-00-00_port1.tun", "2026-12-07_09-00-00_port2.tun"},
         {When.addSecs(-3600)},
         {"2026-12-07_08-34-19_port1.tun", "2030-01-01_00-00-00_port1.tun", "2026-12-07_09-00-00_port2.tun"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        for (const QString& name : c.byHand)
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        QFile(dir.filePath("MAF_Data.tun")).open(QIODevice::WriteOnly);
        QString error;
        for (const QDateTime& when : c.written)
            ASSERT_FALSE(WriteBackup(dir.path(), smallTune(1), when, 1, &error).isEmpty()) << error.toStdString();
        EXPECT_EQ(namesIn(ListBackups(dir.path())), c.listed);
    }
}

TEST(BackupFolderTest, ABackupIsTheTuneFileOfWhatItHolds)
{
    QTemporaryDir dir;
    QString error;
    const QString path = WriteBackup(dir.path(), smallTune(2), When, 1, &error);
    EXPECT_EQ(ReadFile(path), QByteArray("&M110901\r\n12-07-2026-09:34:19\r\nC1F02\r\n\r\n"));
    const std::optional<Tune> back = ReadBackup(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value({'C', 0x1F}), 2);
    EXPECT_EQ(back->entryCount(), 1);
    EXPECT_EQ(back->origin.kind, TuneOrigin::Kind::Backup);
    EXPECT_EQ(back->origin.when, When);
    QFile(dir.filePath("MAF_Data.tun")).open(QIODevice::WriteOnly);
    EXPECT_FALSE(ReadBackup(dir.filePath("MAF_Data.tun"))); // empty: no tune
    // A folder that cannot be made is reported.
    EXPECT_TRUE(WriteBackup(dir.filePath("MAF_Data.tun/backups"), smallTune(1), When, 1, &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("backups"))) << error.toStdString();
}

TEST(BackupFolderTest, TheNewest100AreKept)
{
    QTemporaryDir dir;
    QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly);
    QString error;
    // 201 backups a minute apart, written oldest first: the first 101 go.
    for (int i = 0; i < 201; ++i)
        ASSERT_FALSE(WriteBackup(dir.path(), smallTune(i), When.addSecs(60 * i), 1, &error).isEmpty()) << i;
    const QList<BackupFile> kept = ListBackups(dir.path());
    ASSERT_EQ(kept.size(), 100);
    EXPECT_EQ(kept.first().when, When.addSecs(60 * 200));
    EXPECT_EQ(kept.last().when, When.addSecs(60 * 101));
    EXPECT_TRUE(QFile::exists(dir.filePath("notes.txt")));
    EXPECT_FALSE(QFile::exists(dir.filePath(BackupFileName(When.addSecs(60 * 100), 1))));
    // The order list, grown past twice the backups kept, names only those left.
    const QStringList noted =
        QString::fromLatin1(ReadFile(dir.filePath(BackupOrderFileName))).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(noted.size(), 100);
    EXPECT_EQ(noted.last(), BackupFileName(When.addSecs(60 * 200), 1));
}

// 100 backups taken while the clock was years ahead; it has been put right.
TEST(BackupFolderTest, NeitherTheBackupJustTakenNorOneBeingRestoredIsRotatedAway)
{
    QTemporaryDir dir;
    const QDateTime ahead(QDate(2030, 1, 1), QTime(0, 0, 0));
    QString error;
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(WriteBackup(dir.path(), smallTune(i), ahead.addSecs(60 * i), 1, &error).isEmpty()) << i;
    const QString oldest = dir.filePath("2030-01-01_00-00-00_port1.tun");
    QString taken;
    {
        const BackupInUse restoring(oldest);
        taken = WriteBackup(dir.path(), smallTune(7), When, 1, &error);
    }
    const QList<BackupFile> kept = ListBackups(dir.path());
    ASSERT_EQ(kept.size(), 100);
    EXPECT_EQ(QFileInfo(kept.first().path).fileName(), QStringLiteral("2026-12-07_09-34-19_port1.tun"));
    EXPECT_EQ(ReadFile(taken), QByteArray("&M110901\r\n12-07-2026-09:34:19\r\nC1F07\r\n\r\n"));
    EXPECT_TRUE(QFile::exists(oldest));
    EXPECT_FALSE(QFile::exists(dir.filePath("2030-01-01_00-01-00_port1.tun")));

    // No longer in use, the oldest goes with the next backup.
    ASSERT_FALSE(WriteBackup(dir.path(), smallTune(8), When.addSecs(1), 1, &error).isEmpty());
    EXPECT_FALSE(QFile::exists(oldest));
    EXPECT_EQ(ListBackups(dir.path()).size(), 100);
}

TEST(BackupLinesTest, OnlyLinesThatChangeTheUnitAreKept)
{
    Tune unit;
    unit.setValue({'C', 0x00}, 0x10);
    unit.setValue({'C', 0x01}, 0x10);
    unit.setValue({'T', 0x13}, 0xF6);
    // C01 named twice: 11 changes it, and then 10 changes it back, though
    // the unit held 10 before.
    const FileLines file{{"C0010", "", "C0111", "C0110", "T13f6", "C0010", "O0000"}};
    EXPECT_EQ(LinesThatChange(file, unit).lines, (QList<QString>{"", "", "C0111", "C0110", "", "", "O0000"}));
}

TEST(VerifyTuneTest, AnEntryNamedTwiceIsCheckedAgainstItsLastLine)
{
    const QMap<QString, QString> unit{{"RC01", "rc017F"}, {"RC02", "rc0280"}};
    const Transact transact = [&](const QString& payload, int, int, QString& reply) {
        reply = unit.value(payload);
        return !reply.isEmpty();
    };
    const QList<Mismatch> mismatches = VerifyTune(transact, FileLines{{"C0180", "C0281", "C017f"}});
    ASSERT_EQ(mismatches.size(), 1);
    EXPECT_EQ(mismatches[0].entry, QStringLiteral("C02"));
    EXPECT_EQ(mismatches[0].found, QStringLiteral("80"));
}

} // namespace

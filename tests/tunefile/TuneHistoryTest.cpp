// The tune history: fingerprints, records kept across runs, and a history
// file that cannot be used.
#include "tunefile/ConnectCheck.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"
#include "tunefile/TuneTestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

using namespace tune_history;
using tunefile::Tune;

QString fileOfAll80(const QString& stamp, const QString& lineEnd, bool reversed)
{
    QStringList lines;
    for (const tunefile::Entry& entry : tunefile::TuneOrder())
        lines << tunefile::EntryName(entry) + QStringLiteral("80");
    if (reversed)
        std::reverse(lines.begin(), lines.end());
    return QStringLiteral("&M110901") + lineEnd + stamp + lineEnd + lines.join(lineEnd) + lineEnd + lineEnd;
}

TEST(TuneHistoryTest, AFingerprintIsTheTunesNotTheFilesAndMovesWithOneEntry)
{
    // sha256 of "80" x 1044 (and with the sixth entry 81; and of 1043
    // absent entries then T13 at 13), first 12 digits, worked out apart.
    const Tune crlf = *tunefile::TuneFromText(fileOfAll80("12-05-2026-07:41:09", "\r\n", false));
    const Tune lfReversed = *tunefile::TuneFromText(fileOfAll80("01-01-2027-00:00:00", "\n", true));
    EXPECT_EQ(Fingerprint(crlf), "5b20e80903b9");
    EXPECT_EQ(Fingerprint(lfReversed), "5b20e80903b9");
    Tune oneOff = crlf;
    oneOff.setValue({'C', 0x05}, 0x81);
    EXPECT_EQ(Fingerprint(oneOff), "75c580e4a926");
    Tune onlyT13;
    onlyT13.setValue({'T', 0x13}, 0x13);
    EXPECT_EQ(Fingerprint(onlyT13), "7ef47bdbed69");
}

// The unit's registers against a record holding 0x10 + n in Tn (T07 absent in
// one): which differ and what the status line says.
TEST(TuneHistoryTest, ConnectCheckNamesTheRegistersThatDiffer)
{
    connect_check::Registers same{};
    for (int reg = 0; reg < 20; ++reg)
        same[reg] = 0x10 + reg;
    const QString seen = QStringLiteral("the tune last seen on port 3 (2026-12-05 14:02, save-table)");
    enum Held { All, AllButT07, None }; // the registers the record holds
    struct Row {
        QList<std::pair<int, int>> unitChanges; // register, the unit's byte
        Held held;
        QList<int> differing;
        QString text;
    };
    const Row rows[] = {
        {{}, All, {}, "Registers match " + seen},
        {{{0x13, 0x24}}, All, {0x13}, "Register T13 differs from " + seen},
        {{{0x00, 0x11}, {0x0A, 0x00}, {0x13, 0x22}},
         All,
         {0x00, 0x0A, 0x13},
         "Registers T00, T0A, T13 differ from " + seen},
        {{{0x07, 0x00}}, AllButT07, {}, "Registers match " + seen},
        {{{0x07, 0x00}}, None, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        Record record;
        record.port = "3";
        record.source = Source::SaveTable;
        record.when = QDateTime(QDate(2026, 12, 5), QTime(14, 2, 59));
        record.tune.setValue({'C', 0x00}, 0x80);
        for (int reg = 0; reg < 20 && row.held != None; ++reg)
            record.tune.setValue({'T', reg}, 0x10 + reg);
        if (row.held == AllButT07)
            record.tune.clear({'T', 0x07});
        connect_check::Registers unit = same;
        for (const auto& [reg, byte] : row.unitChanges)
            unit[reg] = byte;
        const connect_check::Outcome outcome = connect_check::Compare(unit, record);
        EXPECT_EQ(outcome.differing, row.differing);
        EXPECT_EQ(outcome.text, row.text);
    }
}

TEST(TuneHistoryTest, RecordsComeNewestFirstSearchableAndSurviveAReopening)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    const Tune all80 = *tunefile::TuneFromText(fileOfAll80("x", "\r\n", false));
    Tune other = all80;
    other.setValue({'T', 0x00}, 0x01);
    const QDateTime saturday(QDate(2026, 12, 5), QTime(14, 2));
    {
        History history(path);
        ASSERT_TRUE(history.isOpen()) << history.error().toStdString();
        const std::optional<qint64> first = history.add(Source::Export, "1", all80, saturday);
        ASSERT_TRUE(first);
        ASSERT_TRUE(history.add(Source::Backup, "2", other, saturday.addSecs(60)));
        ASSERT_TRUE(history.add(Source::OffLineSave, "/tunes/a.tun", all80, saturday.addSecs(120)));
        EXPECT_TRUE(history.setNote(*first, "after dyno"));
        EXPECT_TRUE(history.setLabel(*first, "Red Mustang"));
        EXPECT_FALSE(history.setNote(*first + 100, "nobody"));
    }
    History history(path);
    const QList<Record> records = history.records();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].source, Source::OffLineSave);
    EXPECT_EQ(records[0].port, "/tunes/a.tun");
    EXPECT_EQ(records[1].source, Source::Backup);
    EXPECT_EQ(records[1].fingerprint, Fingerprint(other));
    EXPECT_TRUE(records[1].tune.sameEntries(other));
    EXPECT_EQ(records[2].when, saturday);
    EXPECT_EQ(records[2].note, "after dyno");
    for (const QString search : {"DYNO", "mustang"}) {
        const QList<Record> found = history.records(search);
        ASSERT_EQ(found.size(), 1) << search.toStdString();
        EXPECT_EQ(found[0].id, records[2].id);
    }
    EXPECT_EQ(history.numbered(2)->id, records[1].id);
    EXPECT_FALSE(history.numbered(4));
    // The newest record of the same tune is the one matched.
    EXPECT_EQ(history.matching(Fingerprint(all80))->id, records[0].id);
    EXPECT_EQ(MatchText("5b20e80903b9", records[2]),
              "Tune fingerprint 5b20e80903b9, matches Saturday 14:02, \"after dyno\"");
    EXPECT_EQ(MatchText("5b20e80903b9", std::nullopt), "Tune fingerprint 5b20e80903b9, no record matches");
}

TEST(TuneHistoryTest, TwoWritersAtOnceBothRecordEverything)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    History(path).isOpen();
    constexpr int Each = 40;
    int recorded[2] = {0, 0};
    auto writer = [&](int w) {
        History history(path);
        for (int i = 0; i < Each; ++i)
            recorded[w] +=
                history.add(Source::Export, QString::number(w), Tune(), QDateTime::currentDateTime()) ? 1 : 0;
    };
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    EXPECT_EQ(recorded[0] + recorded[1], 2 * Each);
    EXPECT_EQ(History(path).records().size(), 2 * Each);
}

TEST(TuneHistoryTest, AHistoryThatCannotBeUsedIsToldOnceAndHoldsNothing)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        std::function<void(const QString& path)> spoil;
    } cases[] = {
        {"not a database", [](const QString& path) { tune_test::WriteFile(path, QByteArray(4096, 'x')); }},
        {"truncated",
         [](const QString& path) {
             {
                 History history(path);
                 for (int i = 0; i < 30; ++i)
                     history.add(Source::Export, "1", Tune(), QDateTime::currentDateTime());
             }
             QFile file(path);
             ASSERT_TRUE(file.resize(1500));
         }},
        {"a folder in its place", [](const QString& path) { QDir().mkpath(path); }},
        {"read-only",
         [](const QString& path) {
             History(path).isOpen();
             QFile::setPermissions(path, QFile::ReadOwner);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (QLatin1String(c.name) == QLatin1String("read-only") && geteuid() == 0)
            continue; // the superuser writes to read-only files
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".sqlite");
        c.spoil(path);
        SetHistoryPath(path);
        QStringList told;
        SetFailureReporter([&told](const QString& text) { told << text; });
        EXPECT_FALSE(Remember(Source::Export, "1", Tune(), {}).recorded);
        EXPECT_FALSE(Remember(Source::Backup, "1", Tune(), {}).recorded);
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(QDir::toNativeSeparators(path)));
        // What the history window shows: no record, and why.
        History history(path);
        EXPECT_TRUE(history.records().isEmpty());
        if (!history.isOpen()) {
            EXPECT_FALSE(history.error().isEmpty());
        }
    }
    SetHistoryPath({});
    SetFailureReporter({});
}

TEST(TuneHistoryTest, ALockedHistoryIsWaitedForThenRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    History(path).isOpen();
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(path);
        ASSERT_TRUE(locker.open());
        QSqlQuery(locker).exec("BEGIN EXCLUSIVE");
        History history(path, 50);
        EXPECT_FALSE(history.add(Source::Export, "1", Tune(), QDateTime::currentDateTime()));
        EXPECT_TRUE(history.error().contains("locked")) << history.error().toStdString();
        EXPECT_TRUE(QSqlQuery(locker).exec("COMMIT"));
        EXPECT_TRUE(history.add(Source::Export, "1", Tune(), QDateTime::currentDateTime()))
            << history.error().toStdString();
        locker.close();
    }
    QSqlDatabase::removeDatabase("locker");
}

} // namespace

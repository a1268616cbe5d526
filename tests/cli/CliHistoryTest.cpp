// kestrel-cli history, and the records every whole-tune command leaves in it.
#include "CliFixture.h"

#include "tunefile/TuneHistory.h"

namespace {

class CliHistoryTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        tune_test::FillTune(device.memory(), 1);
    }
    QStringList listed()
    {
        EXPECT_EQ(run({"history"}), exit_status::Done) << err.toStdString();
        return out.split('\n', Qt::SkipEmptyParts);
    }
    QString printedFingerprint() const
    {
        const QRegularExpressionMatch m = QRegularExpression("Fingerprint ([0-9a-f]{12})").match(out);
        return m.hasMatch() ? m.captured(1) : QString();
    }
};

TEST_F(CliHistoryTest, EachWholeTuneCommandRecordsOnceWithItsFingerprint)
{
    const QString exported = dir.filePath("unit.tun");
    ASSERT_EQ(run({"export", exported}), exit_status::Done);
    const QString exportPrint = printedFingerprint();
    VentrixMemory wanted = device.memory();
    wanted.setCell('H', 0x10, wanted.cell('H', 0x10) ^ 0x01);
    ASSERT_EQ(run({"import", writeFile("edited.tun", tune_test::ExpectedFile(wanted, Stamp)), "--yes"}),
              exit_status::Done)
        << err.toStdString();
    const QString importPrint = printedFingerprint();
    EXPECT_NE(importPrint, exportPrint);

    const QStringList lines = listed();
    ASSERT_EQ(lines.size(), 3) << out.toStdString();
    const struct {
        const char* source;
        QString fingerprint;
    } expected[] = {{"import", importPrint}, {"backup", exportPrint}, {"export", exportPrint}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].source);
        EXPECT_EQ(lines[i].simplified(),
                  QStringLiteral("%1 2026-12-05 07:41:09 %2 port 1 %3")
                      .arg(i + 1)
                      .arg(QString::fromLatin1(expected[i].source), expected[i].fingerprint));
    }
}

// A command that opens a session on the unit says on stderr when its
// registers differ from the whole tune last seen on its port; what it prints
// and its exit status stay its own, and without such a tune nothing more is read.
TEST_F(CliHistoryTest, ARegisterChangedSinceTheLastTuneSeenIsSaidOnStderr)
{
    ASSERT_EQ(run({"read", "O", "3000"}), exit_status::Done);
    const QString readOut = out;
    EXPECT_FALSE(heard(device).contains("RT13")); // no tune seen yet: the configuration's RT00..RT0D only
    ASSERT_EQ(run({"export", dir.filePath("unit.tun")}), exit_status::Done);
    const int t06 = device.memory().registerValue(6);
    const struct {
        int t06;
        QString said;
    } rows[] = {
        {t06, ""},
        {t06 ^ 0x10, "Register T06 differs from the tune last seen on port 1 (2026-12-05 07:41, export)\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t06);
        device.memory().setRegister(6, row.t06);
        heard(device);
        EXPECT_EQ(run({"read", "O", "3000"}), exit_status::Done);
        EXPECT_EQ(out, readOut);
        EXPECT_EQ(err, row.said);
        EXPECT_EQ(writesIn(heard(device)), 0);
    }
}

TEST_F(CliHistoryTest, NotesShowAndExportWorkWithoutAUnit)
{
    ASSERT_EQ(run({"export", dir.filePath("unit.tun")}), exit_status::Done);
    device.faults().silent = true;
    EXPECT_EQ(run({"history", "note", "1", "after dyno"}), exit_status::Done) << err.toStdString();
    EXPECT_TRUE(listed().value(0).endsWith("  after dyno")) << out.toStdString();
    EXPECT_EQ(run({"history", "show", "1"}), exit_status::Done);
    EXPECT_TRUE(out.contains("Note         after dyno\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("Entries      1044\n"));
    const QString copy = dir.filePath("copy.tun");
    EXPECT_EQ(run({"history", "export", "1", copy}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(contents(copy), tune_test::ExpectedFile(device.memory(), Stamp));

    for (const QStringList& refused : {QStringList{"history", "show", "2"}, QStringList{"history", "show", "x"},
                                       QStringList{"history", "frob", "1"}, QStringList{"history", "note", "1"}}) {
        SCOPED_TRACE(refused.join(' ').toStdString());
        EXPECT_EQ(run(refused), exit_status::BadInput);
    }
}

TEST_F(CliHistoryTest, APartialRestoreChangesOnlyTheChosenPart)
{
    ASSERT_EQ(run({"export", dir.filePath("unit.tun")}), exit_status::Done);
    const VentrixMemory recorded = device.memory();
    tune_test::FillTune(device.memory(), 2);
    const VentrixMemory changed = device.memory();

    // History: 1 the export. Restoring table C of it leaves O, L, H and the registers as they are.
    ASSERT_EQ(run({"history", "restore", "1", "--table", "c", "--yes"}), exit_status::Done) << err.toStdString();
    for (const char table : tune_test::TuneTables)
        for (int address = 0; address < 256; address += 51)
            EXPECT_EQ(device.memory().cell(table, address), (table == 'C' ? recorded : changed).cell(table, address))
                << table << address;
    EXPECT_EQ(device.memory().registerValue(0x05), changed.registerValue(0x05));

    // History now: restore, backup, export. The registers of the export (3).
    ASSERT_EQ(run({"history", "restore", "3", "--registers", "--yes"}), exit_status::Done) << err.toStdString();
    for (int reg = 0; reg < 20; ++reg)
        EXPECT_EQ(device.memory().registerValue(reg), recorded.registerValue(reg)) << reg;
    EXPECT_EQ(device.memory().cell('O', 0x33), changed.cell('O', 0x33));
    EXPECT_EQ(listed().value(0).split(' ', Qt::SkipEmptyParts).value(3), "restore");
}

TEST_F(CliHistoryTest, AnUnusableHistoryIsToldOnceAndTheExportStillCompletes)
{
    QDir().mkpath(dir.filePath("backups"));
    writeFile("backups/history.sqlite", QByteArray(4096, 'x'));
    const QString path = dir.filePath("unit.tun");
    EXPECT_EQ(run({"export", path}), exit_status::Done);
    EXPECT_EQ(contents(path), tune_test::ExpectedFile(device.memory(), Stamp));
    EXPECT_EQ(err.count("The tune history could not be used"), 1) << err.toStdString();
}

} // namespace

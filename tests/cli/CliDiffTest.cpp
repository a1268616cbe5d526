// kestrel-cli diff: two tunes, each a file or the simulated unit.
#include "CliFixture.h"
#include "cli/CliDiff.h"
#include "tunefile/Tune.h"

namespace {

class CliDiffTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        tune_test::FillTune(device.memory(), 1);
        device.memory().setCell('O', 0x4B, 0x05); // +5 % at 75 x 5/255 = 1.471 V
        device.memory().setRegister(0x07, 0x32);  // switch on at 2000 rpm
        device.memory().setCell('C', 0x00, 0x00);
        device.memory().setRegister(0x13, 0x10); // 16 x 5/1024 = 0.078 V
        saved = dir.filePath("saved.tun");
        ASSERT_EQ(run({"export", saved}), exit_status::Done);
    }

    QString saved;
};

TEST_F(CliDiffTest, AFileAgainstTheUnitListsWhatChangedSince)
{
    EXPECT_EQ(run({"diff", saved, "unit"}), cli_diff::Same);
    EXPECT_EQ(out, QString());
    EXPECT_TRUE(err.contains("The tunes hold the same entries.")) << err.toStdString();

    device.memory().setCell('O', 0x4B, 0xFB); // -5 %
    device.memory().setRegister(0x07, 0x4B);  // 75 x 40 = 3000 rpm
    device.clearLog();
    EXPECT_EQ(run({"diff", saved, "unit"}), cli_diff::Differ);
    EXPECT_EQ(out,
              QStringLiteral("O 4B  1.471 V  5 % -> -5 %\n"
                             "T 07  RPM switch on point  32 (2,000 rpm) -> 4B (3,000 rpm)\n"));
    EXPECT_TRUE(err.contains("2 entries differ.")) << err.toStdString();
    // The unit was only read: the probe, the twenty registers compared with
    // the saved export (the tune last seen on the port), then every entry once.
    const QStringList payloads = heard(device);
    EXPECT_EQ(writesIn(payloads), 0);
    EXPECT_EQ(payloads.filter(QRegularExpression("^R")).size(), 20 + tunefile::DataLineCount);

    // The other way round, old and new change places.
    EXPECT_EQ(run({"diff", "unit", saved}), cli_diff::Differ);
    EXPECT_TRUE(out.startsWith(QStringLiteral("O 4B  1.471 V  -5 % -> 5 %\n"))) << out.toStdString();

    // Two files need no unit.
    const QString same = writeFile("same.tun", contents(saved));
    device.clearLog();
    EXPECT_EQ(run({"diff", saved, same}), cli_diff::Same);
    EXPECT_EQ(device.requestsHeard(), 0);
}

// A unit that fails is status 2, as bad input is (in the runner's table).
TEST_F(CliDiffTest, AFailingUnitIsStatusTwo)
{
    silentAfter(device, "RO10");
    EXPECT_EQ(run({"diff", saved, "unit"}), cli_diff::Trouble);
    EXPECT_TRUE(err.contains("No usable answer to \"RO11\"; nothing was compared.")) << err.toStdString();
    EXPECT_TRUE(out.isEmpty());

    // No unit at all.
    answerAgain(device);
    device.faults().silent = true;
    EXPECT_EQ(run({"diff", "unit", saved}), cli_diff::Trouble);
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(CliDiffTest, CtrlCStopsTheReadWithNothingCompared)
{
    device.clearLog();
    // The probe, the twenty registers compared with the saved export, 99 entries.
    interruptWhen = [this] { return device.requestsHeard() >= 120; };
    EXPECT_EQ(run({"diff", saved, "unit"}), exit_status::Interrupted);
    EXPECT_TRUE(err.contains("Interrupted.\nStopped before \"RC63\" (99 of 1044 entries read); nothing was compared."))
        << err.toStdString();
    EXPECT_TRUE(out.isEmpty());
}

} // namespace

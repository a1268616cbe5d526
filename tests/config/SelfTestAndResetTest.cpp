#include "ConfigFixture.h"

#include "app/AccuracyTest.h"
#include "support/FakePorts.h"

namespace {

using namespace mdlPublicVars;

const QStringList HeldDuringTest = {"cmdDisconnect", "mnuMemory",        "mnuDiagnostics",  "mnuVentrix",
                                    "mnuHelp",       "cmdGraphicalTune", "cmdMemoryModify", "cmdAccuracyTest",
                                    "cmdVentrixRun", "cmdAbout"};

class SelfTestAndResetTest : public ConnectedUnit {
protected:
    void expectRestored()
    {
        for (const QString& name : HeldDuringTest)
            EXPECT_TRUE(mdlMain::IsControlEnabled(name)) << name.toStdString();
    }
};

TEST_F(SelfTestAndResetTest, ReportsTheUnitsVerdict)
{
    struct Case {
        SelfTestOutcome outcome;
        MsgIcon icon;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {SelfTestOutcome::Pass, MsgIcon::Information, "VentrixTM Accuracy Test - PASS", "Accuracy Test Passed."},
        {SelfTestOutcome::Fail, MsgIcon::Exclamation, "VentrixTM Accuracy Test - FAIL",
         "Accuracy Test Failed! Do not use on vehicle!"},
        {SelfTestOutcome::Silent, MsgIcon::Exclamation, "VentrixTM Accuracy Test - TIMEOUT",
         "Accuracy Test Time-out Error. Try Again."},
    };
    device.setSelfTestMs(30000); // well within one attempt's 50 s (the attempts table)
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        dialogs.messages.clear();
        heard();
        device.faults().selfTest = c.outcome;
        // While the unit works on the test, the main window's commands are held.
        bool heldWhileTesting = true;
        device.setFrameListener([&](const QByteArray&, const QByteArray&) {
            for (const QString& name : HeldDuringTest)
                heldWhileTesting = heldWhileTesting && !mdlMain::IsControlEnabled(name);
        });
        RunAccuracyTest();

        ASSERT_EQ(dialogs.messages.size(), 2);
        EXPECT_EQ(dialogs.messages[0].text,
                  "Do not run this test with engine running!\r\nHit OK to continue or Cancel to exit this test.");
        EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(said(1), std::tuple(c.icon, c.title, c.text));
        EXPECT_TRUE(heldWhileTesting);
        expectRestored();
        if (c.outcome != SelfTestOutcome::Silent) {
            EXPECT_EQ(heard(), QStringList({"T"}));
        }
        answerAll();
    }
}

// Cancelled, nothing is sent; of the unit's verdict only the first two
// characters count, and another answer ends the test silently.
TEST_F(SelfTestAndResetTest, CancelOrAnotherAnswerEndsItSilently)
{
    dialogs.answerNext(MsgAnswer::Cancel);
    RunAccuracyTest();
    EXPECT_EQ(device.requestsHeard(), 0);
    EXPECT_EQ(dialogs.messages.size(), 1);
    expectRestored();

    FakePorts fake(clock);
    QByteArray answer;
    fake.device(1).answer = [&answer](const QByteArray&) { return answer; };
    fake.setPortNumber(1);
    fake.open();
    services::installPort(&fake);

    answer = "uu01tpXYZ$";
    dialogs.messages.clear();
    RunAccuracyTest();
    EXPECT_EQ(dialogs.messages.last().title, "VentrixTM Accuracy Test - PASS");

    dialogs.messages.clear();
    answer = "uu01ok$";
    RunAccuracyTest();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "WARNING!");
    expectRestored();
}

TEST_F(SelfTestAndResetTest, WithoutAConnectionOnlyTheTitleChanges)
{
    Connected = false;
    for (const auto& run : {RunAccuracyTest, RunSoftReset}) {
        dialogs.messages.clear();
        w.main->setWindowTitle("Connected - VentrixTM Communcations Software");
        run();
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].title, "Connection Error");
        EXPECT_EQ(w.main->windowTitle(), "Not Connected");
        EXPECT_FALSE(mdlMain::IsControlEnabled("cmdConnect"));
        EXPECT_TRUE(mdlMain::IsControlEnabled("cmdDisconnect"));
        EXPECT_EQ(indicator()->text(), "Com 1");
        EXPECT_EQ(colours::Background(indicator()), colours::Green);
    }
    EXPECT_EQ(device.requestsHeard(), 0);
}

TEST_F(SelfTestAndResetTest, OnlyAFailedResetSaysSoAndDisconnects)
{
    RunSoftReset();
    EXPECT_EQ(heard(), QStringList({"K"}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(w.simulated.isOpen());
    EXPECT_TRUE(Connected);

    device.faults().silent = true;
    RunSoftReset();
    heard(); // the reset and its attempts (the attempts table's)
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(
        said(),
        std::tuple(MsgIcon::Exclamation, "Reset Error", "Soft Reset Failed!\r\nPlease cycle power to VentrixTM."));
    EXPECT_FALSE(w.simulated.isOpen());
    EXPECT_FALSE(Connected);
    EXPECT_EQ(w.main->windowTitle(), "Not Connected"); // the rest of that look is the main window's test

    // The next command is refused instead of going to the closed port.
    device.faults().silent = false;
    RunAccuracyTest();
    EXPECT_EQ(dialogs.messages.last().title, "Connection Error");
    EXPECT_EQ(device.requestsHeard(), 0);
}

} // namespace

#include "ConfigFixture.h"

#include "config/frmIgnitionConfig.h"

#include <QRadioButton>

#include <functional>

namespace {

using namespace mdlPublicVars;

class IgnitionConfigTest : public ConnectedUnit {
protected:
    void SetUp() override
    {
        ConnectedUnit::SetUp();
        window.SetIndicator(colours::Green);
    }

    void pick(int ignition, int rpm)
    {
        window.optIgnitionType(ignition)->click();
        if (rpm >= 0)
            window.optRPMConfig(rpm)->click();
        dialogs.messages.clear();
        heard();
    }

    frmIgnitionConfig window;
};

TEST_F(IgnitionConfigTest, UpdatesAndReadsBackWhatTheStageHas)
{
    struct Case {
        bool plus;
        int ignition, rpm;
        QStringList heard;
    } const cases[] = {
        {true, 3, 1, {"WT0684", "RT06", "WT0901", "RT09"}},
        {false, 0, -1, {"WT0680", "RT06"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plus);
        IsPlusStage = c.plus;
        window.SelectRpmConfig(1);
        window.show();
        EXPECT_EQ(window.optRPMConfig(0)->isEnabled(), c.plus);
        EXPECT_EQ(window.optRPMConfig(1)->isEnabled(), c.plus);
        pick(c.ignition, c.rpm);

        window.cmdIgnitionChange()->click();

        EXPECT_EQ(heard(), c.heard);
        ASSERT_EQ(dialogs.messages.size(), 1) << "the read-backs' selections raise no warning";
        EXPECT_EQ(said(),
                  std::tuple(MsgIcon::Exclamation, "Configuration Update Successful!", "Ventrix Update Successful!"));
        EXPECT_EQ(window.SelectedIgnitionType(), c.ignition);
        EXPECT_EQ(window.SelectedRpmConfig(), c.plus ? c.rpm : 1);
        EXPECT_EQ(colours::Background(window.Shape1()), colours::Green);
        window.hide();
    }
}

TEST_F(IgnitionConfigTest, EachFailureIsReportedWhereItHappens)
{
    struct Case {
        const char* what;
        std::function<void()> fault;
        QString title;
        QString text;
        bool turnsRed;
    };
    const QString updateFailed = "Configuration update failed! Please try again.";
    const Case cases[] = {
        {"ignition write refused", [this] { device.faults().negativeCommands = {"WT"}; },
         "Configuration Update Failure!", updateFailed, false},
        {"ignition read-back lost", [this] { answerOnly(1); }, "Configuration Failure!",
         "Failed to change ignition mode. Please try again.", true},
        {"ignition read back different", [this] { device.faults().wrongEcho = true; }, "Configuration Failure!",
         "Failed to change ignition mode. Please try again.", true},
        {"switch write lost", [this] { answerOnly(2); }, "Configuration Update Failure!", updateFailed, false},
        {"switch read-back lost", [this] { answerOnly(3); }, "Configuration Failure!",
         "Failed to change RPM Switch mode. Please try again.", true},
    };
    IsPlusStage = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.SetIndicator(colours::Green);
        pick(2, 0);
        c.fault();

        window.cmdIgnitionChange()->click();

        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(said(), std::tuple(MsgIcon::Exclamation, c.title, c.text));
        EXPECT_EQ(colours::Background(window.Shape1()), c.turnsRed ? colours::Red : colours::Green);
        answerAll();
        device.faults() = SimFaults{};
    }
}

TEST_F(IgnitionConfigTest, WarnsOnTheUsersClicksOnlyAndQuitKeepsTheSelection)
{
    IsPlusStage = true;
    window.show();
    window.SelectIgnitionType(4);
    window.SelectRpmConfig(0);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    window.optIgnitionType(1)->click();
    window.optRPMConfig(1)->click();
    ASSERT_EQ(dialogs.messages.size(), 2);
    for (const auto& message : dialogs.messages) {
        EXPECT_EQ(message.title, "Warning!");
        EXPECT_EQ(message.text, "Changes will NOT take effect until you UPDATE VENTRIX!");
    }

    ConfigLoading = true;
    window.optIgnitionType(2)->click();
    EXPECT_EQ(dialogs.messages.size(), 2);

    // Quit hides the window and ends the loading; the selection stays.
    window.cmdQUIT()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(ConfigLoading);
    window.show();
    EXPECT_EQ(window.SelectedIgnitionType(), 2);
}

TEST_F(IgnitionConfigTest, RefusesWithoutAConnectionOrASelection)
{
    IsPlusStage = true;
    Connected = false;
    window.cmdIgnitionChange_Click();
    EXPECT_EQ(dialogs.messages.last().title, "Connection Error");
    Connected = true;
    window.SelectIgnitionType(-1);
    window.SelectRpmConfig(0);
    window.cmdIgnitionChange_Click();
    EXPECT_EQ(dialogs.messages.last().text, "No ignition type is selected. Please select one and try again.");

    window.SelectIgnitionType(1);
    window.SelectRpmConfig(-1);
    window.cmdIgnitionChange_Click();
    EXPECT_EQ(dialogs.messages.last().text, "No RPM switch mode is selected. Please select one and try again.");
    EXPECT_EQ(device.requestsHeard(), 0);

    // A base unit has no switch mode to send, so none is needed.
    IsPlusStage = false;
    window.cmdIgnitionChange_Click();
    EXPECT_EQ(heard(), QStringList({"WT0681", "RT06"}));
}

} // namespace

#include "ConfigFixture.h"

#include "config/ConfigurationLoad.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "link/Commands.h"

namespace {

using namespace mdlPublicVars;

const QStringList LoadSteps = {"Y",    "RT00", "RT01", "RT02", "RT03", "RT04", "RT05", "RT06",
                               "RT07", "RT08", "RT09", "RT0A", "RT0B", "RT0C", "RT0D"};

class ConfigurationLoadTest : public ConnectedUnit {
protected:
    void setRegisters(std::initializer_list<std::pair<int, int>> values)
    {
        for (const auto& [reg, value] : values)
            device.memory().setRegister(reg, value);
    }

    int load() { return LoadConfiguration(configure, ignition); }

    // The window's boxes: MAF and TPS minimum, W.O.T. breakpoint, then the
    // injector sizes, open loop and closed loop, bank 1 then bank 2.
    QStringList texts() const
    {
        const frmConfigure& c = configure;
        return {c.txtMAFMinimum()->text(),     c.txtTPSMinimum()->text(),       c.txtWOTBreakpoint()->text(),
                c.txtInjectorsOL()->text(),    c.txtEECInjectorsOL()->text(),   c.txtInjectors()->text(),
                c.txtEECInjectors()->text(),   c.txtInjectorsOLBank2()->text(), c.txtEECInjectorsOLBank2()->text(),
                c.txtInjectorsBank2()->text(), c.txtEECInjectorsBank2()->text()};
    }

    frmConfigure configure;
    frmIgnitionConfig ignition;
};

TEST_F(ConfigurationLoadTest, FillsEveryValueAndControlFromTheUnit)
{
    device.setKeyOnVolts(51 / 256.0 * 5, 41 / 256.0 * 5);
    device.memory().setStageCode(2);
    setRegisters({{cmd::WotBreakpointHigh, 0x01}, {cmd::WotBreakpointLow, 0xFF}, {cmd::IgnitionType, 0x84}});
    setRegisters({{cmd::InjectorsOL, 0x18}, {cmd::EecInjectorsOL, 0x13}, {cmd::Injectors, 30}});
    setRegisters({{cmd::EecInjectors, 24}, {cmd::RpmSwitchOnPoint, 0x32}, {cmd::RpmSwitchOffPoint, 0x30}});
    setRegisters({{cmd::RpmSwitchMode, 0x01}, {cmd::InjectorsOLBank2, 0}, {cmd::EecInjectorsOLBank2, 22}});
    setRegisters({{cmd::InjectorsBank2, 32}, {cmd::EecInjectorsBank2, 0}});

    EXPECT_EQ(load(), 1);

    EXPECT_EQ(heard(), LoadSteps);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no warning for the load's own selections";
    // Bank 2's zeros read as 19.
    EXPECT_EQ(texts(), QStringList({"0.996", "0.801", "2.495", "24", "19", "30", "24", "19", "22", "32", "19"}));
    EXPECT_DOUBLE_EQ(WotBreakpointVolts, 511 / 1024.0 * 5);
    EXPECT_NEAR(InjectorRatioOL, 19.0 / 24, 1e-12);
    EXPECT_NEAR(InjectorRatioCL, 24.0 / 30, 1e-12);
    EXPECT_NEAR(InjectorRatioOLBank2, 22.0 / 19, 1e-12);
    EXPECT_NEAR(InjectorRatioCLBank2, 19.0 / 32, 1e-12);
    EXPECT_EQ(std::tuple(InstalledInjectorSize, EecInjectorSize, RpmSwitchOn, RpmSwitchOff),
              std::tuple(30.0, 24.0, 2000.0, 1920.0));
    EXPECT_EQ(std::tuple(ignition.SelectedIgnitionType(), ignition.SelectedRpmConfig(), ConfigLoading),
              std::tuple(3, 1, false));
    EXPECT_EQ(colours::Background(configure.Shape1()), colours::Green);
    EXPECT_EQ(colours::Background(ignition.Shape1()), colours::Green);
}

TEST_F(ConfigurationLoadTest, StageCodeDecidesTheStageOnlyWhenItIsKnown)
{
    struct Case {
        int code;
        bool plusBefore;
        QString text;
        bool plusAfter;
    };
    const Case cases[] = {{0, false, "STAGE2(PLUS)", true},    {1, true, "STAGE1(BASE)", false},
                          {2, false, "STAGE2(PLUS)", true},    {3, true, "STAGE1(BASE)", false},
                          {4, true, "STAGE1(BASE)", true},     {5, true, "STAGE1(BASE)", true},
                          {0xFF, false, "STAGE1(BASE)", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        frmConfigure fresh;
        device.memory().setStageCode(c.code);
        IsPlusStage = c.plusBefore;
        EXPECT_EQ(LoadConfiguration(fresh, ignition), 1);
        EXPECT_EQ(fresh.txtVentrixConfig()->text(), c.text);
        EXPECT_EQ(IsPlusStage, c.plusAfter);
        EXPECT_EQ(StageCode, c.code);
    }
}

TEST_F(ConfigurationLoadTest, AnUnlistedIgnitionCodeSelectsNoOption)
{
    ignition.SelectIgnitionType(1);
    setRegisters({{cmd::IgnitionType, 0x83}, {cmd::RpmSwitchMode, 0x00}});
    EXPECT_EQ(load(), 1);
    EXPECT_EQ(ignition.SelectedIgnitionType(), -1);
    EXPECT_EQ(ignition.SelectedRpmConfig(), 0);
}

TEST_F(ConfigurationLoadTest, EachFailedStepStopsTheLoadAndBlamesItsWindow)
{
    const QStringList& steps = LoadSteps;
    for (int failing = 0; failing < steps.size(); ++failing) {
        SCOPED_TRACE(steps[failing].toStdString());
        frmConfigure freshConfigure;
        frmIgnitionConfig freshIgnition;
        dialogs.messages.clear();
        heard();
        w.port->ledger() = ReplyLedger(); // a fresh line: the replies the last round gave up on are not pending
        answerOnly(failing);

        EXPECT_EQ(LoadConfiguration(freshConfigure, freshIgnition), 0);

        const QStringList sent = heard();
        ASSERT_FALSE(sent.isEmpty());
        EXPECT_EQ(sent.last(), steps[failing]);
        EXPECT_EQ(sent.size() - sent.count(steps[failing]), failing);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, "Failed to load configuration data from Ventrix. Please try manual load.");
        const bool ignitionStep = steps[failing] == "RT06" || steps[failing] == "RT09";
        const bool both = failing == 0;
        EXPECT_EQ(colours::Background(freshConfigure.Shape1()), ignitionStep ? colours::Green : colours::Red);
        EXPECT_EQ(colours::Background(freshIgnition.Shape1()), both || ignitionStep ? colours::Red : colours::Green);
        answerAll();
    }
}

TEST_F(ConfigurationLoadTest, AFailureAtRegister05KeepsWhatWasReadBefore)
{
    setRegisters({{cmd::WotBreakpointHigh, 0x01}, {cmd::WotBreakpointLow, 0xFF}});
    setRegisters({{cmd::InjectorsOL, 24}, {cmd::EecInjectorsOL, 21}, {cmd::Injectors, 30}, {cmd::EecInjectors, 26}});
    device.setKeyOnVolts(51 / 256.0 * 5, 41 / 256.0 * 5);
    answerOnly(6);       // Y and RT00 to RT04
    EecInjectorSize = 0; // as before any load
    InjectorRatioCL = 0;

    EXPECT_EQ(load(), 0);

    // What was read, and the design texts from the EEC size on.
    const QStringList texts = this->texts();
    EXPECT_EQ(texts[0], "0.996");
    EXPECT_EQ(texts.mid(3), QStringList({"24", "21", "30", "19", "19", "19", "19", "19"}));
    EXPECT_NEAR(InjectorRatioOL, 21.0 / 24, 1e-12);
    EXPECT_EQ(InstalledInjectorSize, 30);
    EXPECT_EQ(std::tuple(EecInjectorSize, InjectorRatioCL), std::tuple(0.0, 0.0)) << "never read, never computed";
    EXPECT_EQ(colours::Background(configure.Shape1()), colours::Red);
    EXPECT_EQ(colours::Background(ignition.Shape1()), colours::Green);
    EXPECT_EQ(ignition.SelectedIgnitionType(), -1);
}

} // namespace

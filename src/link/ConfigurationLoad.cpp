#include "link/ConfigurationLoad.h"

#include "app/mdlMain.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "link/Transaction.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QLineEdit>

#include <optional>

namespace {

constexpr int Attempts = 25;
constexpr int TimeoutMs = 1000;

// Which indicators a failed step turns red.
enum class Blame { Both, Ignition, Configure };

class Load {
public:
    Load(frmConfigure& configure, frmIgnitionConfig& ignition) : configure_(configure), ignition_(ignition) {}

    int run();

private:
    // One transaction; false (after the user is told) when it failed.
    bool request(const QString& payload, Blame blame);
    // A register's value, or nothing when the read failed.
    std::optional<int> readRegister(int reg, Blame blame = Blame::Configure);
    void fail(Blame blame);

    frmConfigure& configure_;
    frmIgnitionConfig& ignition_;
};

QString volts(double value)
{
    return number_format::Format(value, QStringLiteral("0.000"));
}

QString injectorSize(int value)
{
    return number_format::Format(value, QStringLiteral("#0"));
}

bool Load::request(const QString& payload, Blame blame)
{
    mdlPublicVars::RxBuffer.clear();
    if (SendFrame(payload, Attempts, TimeoutMs) != 0)
        return true;
    fail(blame);
    return false;
}

std::optional<int> Load::readRegister(int reg, Blame blame)
{
    if (!request(cmd::ReadRegister(reg), blame))
        return std::nullopt;
    return cmd::HexValue(mdlPublicVars::RxBuffer, cmd::reply::RegisterValue);
}

void Load::fail(Blame blame)
{
    mdlMain::SetBusyPointer(false);
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Configuration Failure!"),
                                QStringLiteral("Failed to load configuration data from Ventrix. Please try manual load."),
                                MsgButtons::Ok);
    if (blame != Blame::Ignition)
        configure_.SetIndicator(colours::Red);
    if (blame != Blame::Configure)
        ignition_.SetIndicator(colours::Red);
}

int Load::run()
{
    using namespace mdlPublicVars;
    namespace rm = register_map;

    // Power-up values and the firmware stage.
    if (!request(cmd::PowerUpValues(), Blame::Both))
        return 0;
    configure_.SetIndicator(colours::Green);
    ignition_.SetIndicator(colours::Green);
    MafKeyOnVolts = rm::KeyOnVolts(cmd::HexValue(RxBuffer, cmd::reply::MafKeyOn));
    TpsKeyOnVolts = rm::KeyOnVolts(cmd::HexValue(RxBuffer, cmd::reply::TpsKeyOn));
    StageCode = static_cast<qint16>(cmd::HexValue(RxBuffer, cmd::reply::StageCode));
    configure_.txtMAFMinimum()->setText(volts(MafKeyOnVolts));
    configure_.txtTPSMinimum()->setText(volts(TpsKeyOnVolts));
    // An unknown code leaves both the text and the stage as they were.
    const rm::Stage stage = rm::StageOf(StageCode);
    if (stage != rm::Stage::Unknown) {
        configure_.txtVentrixConfig()->setText(rm::StageText(stage));
        IsPlusStage = stage == rm::Stage::Plus;
    }

    // The W.O.T. breakpoint, high byte first.
    const std::optional<int> high = readRegister(cmd::WotBreakpointHigh);
    if (!high)
        return 0;
    const std::optional<int> low = readRegister(cmd::WotBreakpointLow);
    if (!low)
        return 0;
    WotBreakpointVolts = rm::BreakpointVolts(rm::BreakpointCount(*high, *low));
    configure_.txtWOTBreakpoint()->setText(volts(WotBreakpointVolts));

    // Bank 1, open loop.
    const std::optional<int> installedOL = readRegister(cmd::InjectorsOL);
    if (!installedOL)
        return 0;
    configure_.txtInjectorsOL()->setText(injectorSize(*installedOL));
    const std::optional<int> eecOL = readRegister(cmd::EecInjectorsOL);
    if (!eecOL)
        return 0;
    configure_.txtEECInjectorsOL()->setText(injectorSize(*eecOL));
    InjectorRatioOL = rm::InjectorRatio(*eecOL, *installedOL);

    // Bank 1, closed loop: these are the sizes the rest of the program works with.
    const std::optional<int> installedCL = readRegister(cmd::Injectors);
    if (!installedCL)
        return 0;
    configure_.txtInjectors()->setText(injectorSize(*installedCL));
    InstalledInjectorSize = *installedCL;
    const std::optional<int> eecCL = readRegister(cmd::EecInjectors);
    if (!eecCL)
        return 0;
    configure_.txtEECInjectors()->setText(injectorSize(*eecCL));
    EecInjectorSize = *eecCL;
    InjectorRatioCL = rm::InjectorRatio(*eecCL, *installedCL);

    // The window's own click handlers stay quiet while the load selects.
    const std::optional<int> ignitionCode = readRegister(cmd::IgnitionType, Blame::Ignition);
    if (!ignitionCode)
        return 0;
    ConfigLoading = true;
    ignition_.SelectIgnitionType(rm::IgnitionIndexOf(*ignitionCode));
    ConfigLoading = false;

    const std::optional<int> switchOn = readRegister(cmd::RpmSwitchOnPoint);
    if (!switchOn)
        return 0;
    RpmSwitchOn = rm::RpmFromSteps(*switchOn);
    const std::optional<int> switchOff = readRegister(cmd::RpmSwitchOffPoint);
    if (!switchOff)
        return 0;
    RpmSwitchOff = static_cast<qint16>(rm::RpmFromSteps(*switchOff));

    // The mode is matched as text, so a garbled value selects nothing.
    if (!request(cmd::ReadRegister(cmd::RpmSwitchMode), Blame::Ignition))
        return 0;
    const std::optional<int> mode = rm::ParseByte(cmd::Text(RxBuffer, cmd::reply::RegisterValue));
    ConfigLoading = true;
    const int modeIndex = mode ? rm::RpmModeIndexOf(*mode) : -1;
    if (modeIndex >= 0)
        ignition_.SelectRpmConfig(modeIndex);
    ignition_.SetIndicator(colours::Green);
    ConfigLoading = false;

    // Bank 2: an unset register means the default size.
    int bank2[4] = {};
    const int bank2Registers[4] = {cmd::InjectorsOLBank2, cmd::EecInjectorsOLBank2, cmd::InjectorsBank2,
                                   cmd::EecInjectorsBank2};
    QLineEdit* const bank2Boxes[4] = {configure_.txtInjectorsOLBank2(), configure_.txtEECInjectorsOLBank2(),
                                      configure_.txtInjectorsBank2(), configure_.txtEECInjectorsBank2()};
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> value = readRegister(bank2Registers[i]);
        if (!value)
            return 0;
        bank2[i] = rm::Bank2InjectorSize(*value);
        bank2Boxes[i]->setText(injectorSize(bank2[i]));
        if (i == 1)
            InjectorRatioOLBank2 = rm::InjectorRatio(bank2[1], bank2[0]);
        if (i == 3)
            InjectorRatioCLBank2 = rm::InjectorRatio(bank2[3], bank2[2]);
    }
    return 1;
}

} // namespace

int LoadConfiguration(frmConfigure& configure, frmIgnitionConfig& ignition)
{
    mdlMain::SetBusyPointer(true);
    const int result = Load(configure, ignition).run();
    mdlMain::SetBusyPointer(false);
    return result;
}

#include "config/ConfigurationLoad.h"

#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "link/ConfigurationRead.h"
#include "link/RegisterMap.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QLineEdit>

namespace {

using Blame = UnitConfiguration::Blame;

QString volts(double value)
{
    return number_format::Format(value, QStringLiteral("0.000"));
}

void showSize(QLineEdit* box, const std::optional<int>& size)
{
    if (size)
        box->setText(number_format::Format(*size, QStringLiteral("#0")));
}

// The power-up window shows every value read, in the order it was read.
void fillConfigureWindow(frmConfigure& w, const UnitConfiguration& c)
{
    if (c.powerUp) {
        w.SetIndicator(colours::Green);
        w.txtMAFMinimum()->setText(volts(c.powerUp->mafKeyOnVolts));
        w.txtTPSMinimum()->setText(volts(c.powerUp->tpsKeyOnVolts));
        // An unknown code leaves the text as it was.
        const register_map::Stage stage = register_map::StageOf(c.powerUp->stageCode);
        if (stage != register_map::Stage::Unknown)
            w.txtVentrixConfig()->setText(register_map::StageText(stage));
    }
    if (c.wotBreakpointVolts)
        w.txtWOTBreakpoint()->setText(volts(*c.wotBreakpointVolts));
    showSize(w.txtInjectorsOL(), c.installedOL);
    showSize(w.txtEECInjectorsOL(), c.eecOL);
    showSize(w.txtInjectors(), c.installedCL);
    showSize(w.txtEECInjectors(), c.eecCL);
    showSize(w.txtInjectorsOLBank2(), c.bank2[0]);
    showSize(w.txtEECInjectorsOLBank2(), c.bank2[1]);
    showSize(w.txtInjectorsBank2(), c.bank2[2]);
    showSize(w.txtEECInjectorsBank2(), c.bank2[3]);
}

// The window's own click handlers stay quiet while the load selects.
void fillIgnitionWindow(frmIgnitionConfig& w, const UnitConfiguration& c)
{
    if (c.powerUp)
        w.SetIndicator(colours::Green);
    mdlPublicVars::ConfigLoading = true;
    if (c.ignitionCode)
        w.SelectIgnitionType(register_map::IgnitionIndexOf(*c.ignitionCode));
    if (c.rpmSwitchMode) {
        const int index = register_map::RpmModeIndexOf(*c.rpmSwitchMode);
        if (index >= 0)
            w.SelectRpmConfig(index);
    }
    mdlPublicVars::ConfigLoading = false;
}

void reportFailure(Blame blame, frmConfigure& configure, frmIgnitionConfig& ignition)
{
    mdlMain::SetBusyPointer(false);
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Configuration Failure!"), ConfigurationFailedText,
                                MsgButtons::Ok);
    if (blame != Blame::Ignition)
        configure.SetIndicator(colours::Red);
    if (blame != Blame::Configure)
        ignition.SetIndicator(colours::Red);
}

} // namespace

int LoadConfiguration(frmConfigure& configure, frmIgnitionConfig& ignition)
{
    mdlMain::SetBusyPointer(true);
    const UnitConfiguration read = ReadUnitConfiguration();
    ApplyToProgramState(read);
    fillConfigureWindow(configure, read);
    fillIgnitionWindow(ignition, read);
    if (read.failure)
        reportFailure(*read.failure, configure, ignition);
    mdlMain::SetBusyPointer(false);
    return read.complete ? 1 : 0;
}

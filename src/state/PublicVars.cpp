#include "state/PublicVars.h"

namespace mdlPublicVars {

void Reset()
{
    Connected = false;
    CommPortNumber = 1;
    PortCandidate = 0;
    ProbeStatus = 0;
    LastFrame.clear();
    LinkBusy = false;
    WidebandModel = 1;
    FJOCalibration = 0;
    MafKeyOnVolts = 0.0;
    TpsKeyOnVolts = 0.0;
    StageCode = 0;
    IsPlusStage = false;
    WotBreakpointVolts = 0.0;
    InstalledInjectorSize = 0.0;
    EecInjectorSize = 0.0;
    InjectorRatioOL = 0.0;
    InjectorRatioCL = 0.0;
    InjectorRatioOLBank2 = 0.0;
    InjectorRatioCLBank2 = 0.0;
    RpmSwitchOn = 0.0;
    RpmSwitchOff = 0;
    ConfigLoading = false;
    TuneSelectionPending = false;
    TuneSelectionCancelled = false;
    SelectedTuneLetter.clear();
    OffLineTunePath.clear();
    OffLineTuneModified = false;
}

} // namespace mdlPublicVars

#pragma once

#include <QString>

// The program-wide state shared by every window. Plain values, one place:
// windows talk to each other only through these.
namespace mdlPublicVars {

// Connection (start-up and port search).
inline bool Connected = false;
inline qint16 CommPortNumber = 1;
inline int PortCandidate = 0;
inline int ProbeStatus = 0; // 3 ready, 2 ask again, 255 none found

// The frame transaction.
inline QString LastFrame; // the last frame written, for raw-traffic displays
inline bool LinkBusy = false;

// Wideband sensor and its calibration.
inline int WidebandModel = 1;     // 0 to 8 name a model; any other number shows the sensor voltage
inline qint16 FJOCalibration = 0; // -10 to +10

// Configuration read from the unit at start-up.
inline double MafKeyOnVolts = 0.0;
inline double TpsKeyOnVolts = 0.0;
inline qint16 StageCode = 0;
inline bool IsPlusStage = false;
inline double WotBreakpointVolts = 0.0;
inline double InstalledInjectorSize = 0.0;
inline double EecInjectorSize = 0.0;
inline double InjectorRatioOL = 0.0;
inline double InjectorRatioCL = 0.0;
inline double InjectorRatioOLBank2 = 0.0;
inline double InjectorRatioCLBank2 = 0.0;
inline double RpmSwitchOn = 0.0;
inline qint16 RpmSwitchOff = 0;
inline bool ConfigLoading = false;

// The tune save selection handshake between the tuner and its chooser.
inline bool TuneSelectionPending = false;
inline bool TuneSelectionCancelled = false;
inline QString SelectedTuneLetter;

// The tune file opened off line: while it is set, the connected unit is the
// simulated one holding that file's tune, and nothing is written to a car.
inline QString OffLineTunePath;
inline bool OffLineTuneModified = false;

// Back to the values of a fresh start (used by tests).
void Reset();

} // namespace mdlPublicVars

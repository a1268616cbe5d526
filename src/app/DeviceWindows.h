#pragma once

#include "state/MainWindowServices.h"

#include <QStringList>

// The main-window controls (object names) disabled while the window is open:
// the one list the main window disables when it opens the window and enables
// again when the window gives them back (mdlMain::GiveBackCommands).
QStringList ControlsDisabledFor(DeviceWindow window);

// The main-window controls disabled while the port search runs: Connect and
// Disconnect, and the commands that would talk to a port being probed.
QStringList ControlsDisabledWhileSearching();

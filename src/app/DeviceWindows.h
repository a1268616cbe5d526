#pragma once

#include <QStringList>

// The three windows that hold a conversation with the unit. While one is
// open, the main-window commands that could start a second conversation are
// disabled; the window enables them again when it quits.
enum class DeviceWindow { GraphicalTuner, LiveMonitor, MemoryModify };

// The main-window controls (object names) disabled while the window is open.
QStringList ControlsDisabledFor(DeviceWindow window);

// The main-window controls disabled while the port search runs: Connect and
// Disconnect, and the commands that would talk to a port being probed.
QStringList ControlsDisabledWhileSearching();

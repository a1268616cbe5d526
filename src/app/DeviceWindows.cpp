#include "app/DeviceWindows.h"

QStringList ControlsDisabledFor(DeviceWindow window)
{
    // Every device window shuts out the other device windows, the self-test
    // and the "Tune" menu.
    QStringList controls{"cmdGraphicalTune", "cmdVentrixRun",  "cmdMemoryModify",
                         "cmdAccuracyTest",  "mnuDiagnostics", "mnuMemory"};
    switch (window) {
    case DeviceWindow::GraphicalTuner:
    case DeviceWindow::LiveMonitor:
        // Reconnecting under a running conversation would pull the port away.
        controls << "cmdConnect"
                 << "cmdDisconnect"
                 << "mnuVentrixRunItem"
                 << "mnuResetItem";
        break;
    case DeviceWindow::MemoryModify:
        controls << "mnuVentrix";
        break;
    }
    return controls;
}

QStringList ControlsDisabledWhileSearching()
{
    return {"cmdConnect",      "cmdDisconnect",  "cmdGraphicalTune",  "cmdVentrixRun", "cmdMemoryModify",
            "cmdAccuracyTest", "mnuDiagnostics", "mnuVentrixRunItem", "mnuResetItem",  "mnuMemory"};
}

#include "app/Startup.h"

#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "link/Autodetect.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QPointer>

void RunStartupSequence(frmMain& main)
{
    main.show();

    // The splash may be closed early by a key or a click; the pointer keeps
    // that from disturbing the rest of the start.
    QPointer<frmSplash> splash = new frmSplash(&main);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->setWindowFlag(Qt::WindowStaysOnTopHint);
    splash->show();
    splash->move(main.geometry().center() - splash->rect().center());
    splash->raise();

    // The wideband calibration the user last set on the monitor.
    mdlPublicVars::FJOCalibration = mdlMonitor::StoredFjoCalibration();

    services::clock().waitProcessingEvents(2000);

    AutodetectPort(main);
    ShowConnectedState(main);
    if (mdlPublicVars::Connected && main.LoadConfigurationAtStartup())
        main.CheckAgainstLastTune();

    if (splash)
        splash->close();
}

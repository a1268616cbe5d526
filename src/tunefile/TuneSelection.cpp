#include "tunefile/TuneSelection.h"

#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tunefile/frmTableSaveSelection.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>

using namespace mdlPublicVars;

TuneSelection AskForTuneSelection(int tunerTableIndex)
{
    TuneSelectionCancelled = false;
    TuneSelectionPending = true;
    auto* window = new frmTableSaveSelection(mdlMain::MainWindow());
    window->Form_Load(tunerTableIndex);
    window->show();
    window->raise();
    window->activateWindow();
    WaitForTuneSelection(window);
    return {TuneSelectionCancelled, SelectedTuneLetter};
}

void WaitForTuneSelection(frmTableSaveSelection* window)
{
    QPointer<frmTableSaveSelection> watched(window);
    while (TuneSelectionPending && watched && !watched->ended())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (TuneSelectionPending) {
        TuneSelectionPending = false;
        TuneSelectionCancelled = true;
    }
}

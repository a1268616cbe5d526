#include "tuner/TunerClosing.h"

#include "platform/Colours.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tuner/CellSlider.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerReadout.h"
#include "tuner/TunerSession.h"
#include "tuner/TunerTableSave.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace tuner;
using namespace graphical_tune;

TunerClosing::TunerClosing(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells,
                           TunerReadout& readout, TunerTableSave& saving, QWidget* window)
    : QObject(window),
      c_(controls),
      session_(session),
      cells_(cells),
      readout_(readout),
      saving_(saving),
      window_(window)
{ }

void TunerClosing::quit()
{
    // The boxes run their own event loops: the window may be closed meanwhile.
    QPointer<QWidget> self(window_);
    if (!session_.onLine()) {
        // Yes throws the edits away: Enter and Escape answer No.
        const MsgAnswer answer =
            services::dialogs().askBeforeWriting(MsgIcon::Question, QStringLiteral("Exit Warning!"),
                                                 QStringLiteral("Would you still like to quit?\r\n") + OffLineWarning);
        if (!self || answer != MsgAnswer::Yes)
            return;
    }
    mdlPublicVars::LinkBusy = false;
    session_.goOffLine();
    if (readout_.logging()) {
        readout_.close(true);
        if (!self || session_.closing())
            return;
    }
    for (int i = 0; i <= LastCell; ++i) {
        c_.sliders_[i]->setEnabled(false);
        c_.deltas_[i]->setFrame(true);
    }
    c_.options_[0]->setEnabled(true);
    c_.options_[1]->setEnabled(true);
    c_.cmdOFFLINE->setEnabled(false);
    c_.cmdONLINE->setEnabled(true);
    colours::SetButtonFace(c_.txtHeartbeat);

    release();
    mdlMain::HideChild(window_);
    mdlMain::UnloadChild(window_);
}

void TunerClosing::release()
{
    session_.close();
    cells_.arm(false);
    saving_.cancelChoice();
    // Every line already written is in the file.
    readout_.closeQuietly();
    mdlMain::GiveBackCommands(DeviceWindow::GraphicalTuner);
    mdlMain::SetBusyPointer(false);
}

#include "tuner/TunerLinkLoss.h"

#include "correction/ChangeGraph.h"
#include "monitor/LinkStatusLine.h"
#include "platform/Services.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerReadout.h"
#include "tuner/TunerSession.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <utility>

using namespace tuner;

TunerLinkLoss::TunerLinkLoss(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells,
                             TunerReadout& readout, QWidget* window, Hooks hooks)
    : QObject(window),
      c_(controls),
      session_(session),
      cells_(cells),
      readout_(readout),
      window_(window),
      hooks_(std::move(hooks))
{
    buildStatus();
}

void TunerLinkLoss::buildStatus()
{
    // Along the bottom, under the buttons: shown only while a lost link is looked for.
    QWidget* area = c_.cmdQUIT->parentWidget();
    // The line, then its Cancel (left, top, width, height).
    const LinkStatusLine line(area, {120, 8280, 3780, 240, 3900, 8265, 1260, 255});
    status_ = line.label();
    cancel_ = line.cancel();
    session_.attachStatus(status_, cancel_);
    connect(&session_, &TunerSession::linkBack, this, &TunerLinkLoss::back);
}

void TunerLinkLoss::lost()
{
    // Nothing shown may look live: the readouts grey, the marked cell gone.
    readout_.linkLost();
    cells_.clearActiveCell();
    // Only QUIT is left (and STOP of a log that runs), until the unit is back.
    disabledAtLoss_.clear();
    for (QWidget* control : c_.content_->findChildren<QWidget*>()) {
        if ((qobject_cast<QPushButton*>(control) || qobject_cast<QScrollBar*>(control)
             || qobject_cast<QRadioButton*>(control) || qobject_cast<QComboBox*>(control))
            && control != cancel_ && control->isEnabled()) {
            disabledAtLoss_ << control;
            control->setEnabled(false);
        }
    }
    for (QWidget* box : std::initializer_list<QWidget*>{c_.txtRPMOFF, c_.txtRPMON, c_.txtRPMandWOT, c_.txtWindowSwitch})
        box->setEnabled(false);
    c_.cmdQUIT->setEnabled(true);
    c_.cmdDatalog->setEnabled(readout_.armed());
    session_.loseLink();
}

void TunerLinkLoss::back()
{
    for (const QPointer<QWidget>& control : disabledAtLoss_)
        if (control)
            control->setEnabled(true);
    disabledAtLoss_.clear();
    for (QWidget* box : std::initializer_list<QWidget*>{c_.txtRPMOFF, c_.txtRPMON, c_.txtRPMandWOT, c_.txtWindowSwitch})
        box->setEnabled(true);
    c_.cmdDatalog->setEnabled(true);
    readout_.linkBack();
    // The writes the loss caught come first: each lands once, never twice.
    if (!session_.unsettledWrites().isEmpty()) {
        const bool settled = session_.settleWrites(hooks_.tableLetter(), cells_.table());
        c_.graph_->redrawAll();
        cells_.placeSliders();
        if (!settled) {
            lost();
            return;
        }
    }
    QPointer<QWidget> window(window_);
    if (!reconcileTable() || !window || session_.closing() || session_.lost())
        return;
    hooks_.resumed();
}

bool TunerLinkLoss::reconcileTable()
{
    // The unit may have been reset, or written by another tool, while the
    // link was down: its table is read again and compared with the window's.
    const char letter = hooks_.tableLetter();
    Table unit{};
    for (int j = 0; j < TableSize; ++j) {
        const std::optional<int> byte = session_.readEntry(letter, j);
        if (!byte) {
            lost();
            return false;
        }
        unit[j] = static_cast<qint16>(DecodeEntry(*byte));
    }
    Table& shown = cells_.table();
    const QList<int> differing = TunerSession::DifferingEntries(unit, shown);
    if (differing.isEmpty())
        return true;
    QPointer<QWidget> window(window_);
    const MsgAnswer answer =
        services::dialogs().message(MsgIcon::Question, QStringLiteral("Table Differs"),
                                    TunerSession::DifferenceQuestion(differing, unit, shown), MsgButtons::YesNo);
    if (!window || session_.closing())
        return false;
    if (answer == MsgAnswer::Yes) {
        shown = unit;
        for (const int j : differing)
            c_.graph_->redrawEntry(j);
        cells_.placeSliders();
        return true;
    }
    for (const int j : differing) {
        const TunerSession::EntryOutcome outcome = session_.writeEntry(letter, j, shown[j], unit[j]);
        if (!outcome.answered) {
            shown[j] = outcome.holds;
            lost();
            return false;
        }
        if (!outcome.written)
            shown[j] = outcome.holds;
        c_.graph_->redrawEntry(j);
    }
    cells_.placeSliders();
    return true;
}

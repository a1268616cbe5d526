// The graphical tuner: the edits of every cell at once, and the
// breakpoint, switch and offset controls.
#include "tuner/frmGraphicalTune.h"
#include "tuner/GraphicalTuneShared.h"

#include "tunefile/Backups.h"

#include "config/frmIgnitionConfig.h"
#include "correction/ChangeGraph.h"
#include "correction/SliderInterpolation.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"
#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tuner/CellSlider.h"
#include "tuner/MapWrite.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerLink.h"
#include "tuner/TunerLive.h"
#include "tuner/TunerSettings.h"
#include "tunefile/TuneSelection.h"
#include "tunefile/frmTableSaveSelection.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

using namespace mdlPublicVars;
using namespace tuner;

using namespace graphical_tune;

// --- global edits ------------------------------------------------------------------

void frmGraphicalTune::cmbInjectors_Click()
{
    compensate(true);
}

void frmGraphicalTune::cmbEECInjectors_Click()
{
    compensate(false);
}

void frmGraphicalTune::compensate(bool installedList)
{
    if (injectorEventsSuppressed_ || globalEditRunning_)
        return;
    QPointer<frmGraphicalTune> self(this);
    QComboBox* list = installedList ? cmbInjectors : cmbEECInjectors;
    double& size = installedList ? InstalledInjectorSize : EecInjectorSize;

    const double sizeBefore = size;
    const int index = list->currentIndex();
    if (index >= 0 && index < InjectorSizeCount)
        size = InjectorSizeAt(index);
    else if (index > SelectItem)
        size = list->itemData(index).toInt();  // a size not in the list, shown as its number
    // "<Select>" keeps the size; the list shows it again.
    showInjectorSize(list, size);

    const bool tune1 = selectedTable() == 0;
    const SizeRatio ratio = RatioOfSizes(EecInjectorSize, InstalledInjectorSize);
    SizeRatio& lastApplied = tune1 ? LastAppliedRatioOL : LastAppliedRatioCL;
    const int compensation = Compensation(ratio, lastApplied);

    const MsgAnswer answer = services::dialogs().message(
        MsgIcon::Question, QStringLiteral("Apply changes now?"),
        QStringLiteral("Do you want to apply this change directly to the current map?\r\n")
            + CompensationMoveText(compensation),
        MsgButtons::YesNo);
    // No keeps the size chosen; a later choice compensates from the ratio last applied.
    if (!self || answer != MsgAnswer::Yes)
        return;

    double& storedRatio = tune1 ? InjectorRatioOL : InjectorRatioCL;
    const double ratioBefore = storedRatio;
    storedRatio = register_map::InjectorRatio(EecInjectorSize, InstalledInjectorSize);

    // A refused choice changes nothing: the size, its ratio and the list are
    // as they were before it.
    bool refused = false;
    const auto refuse = [&] {
        refused = true;
        if (!tell(MsgIcon::Exclamation, QStringLiteral("Selection Error!"), CompensationRefusedText))
            return;
        size = sizeBefore;
        storedRatio = ratioBefore;
        showInjectorSize(list, size);
    };
    if (!CompensationFits(sliderValues(), compensation)) {
        refuse();
        return;
    }
    CellAmounts amounts;
    amounts.fill(compensation);
    const bool moved = moveCells(amounts, [&](const EntryWrite&) { refuse(); });
    if (!self || refused || !moved)
        return;
    lastApplied = ratio;
}

void frmGraphicalTune::cmdLean_Click()
{
    shiftAll(-ShiftStep);
}

void frmGraphicalTune::cmdRich_Click()
{
    shiftAll(ShiftStep);
}

void frmGraphicalTune::shiftAll(int delta)
{
    if (globalEditRunning_)
        return;
    switch (CheckShift(sliderValues(), delta)) {
    case ShiftRefusal::AboveMaximum:
        tell(MsgIcon::Exclamation, QStringLiteral("Error!"), ShiftAboveText);
        return;
    case ShiftRefusal::BelowMinimum:
        tell(MsgIcon::Exclamation, QStringLiteral("Error!"), ShiftBelowText);
        return;
    case ShiftRefusal::None:
        break;
    }
    CellAmounts amounts;
    amounts.fill(delta);
    moveCells(amounts, [&](const EntryWrite& beyond) {
        tell(MsgIcon::Exclamation, QStringLiteral("Error!"),
             QStringLiteral("Cannot make global table change. ") + EntryBeyondText(beyond.address, beyond.value));
    });
}

void frmGraphicalTune::cmdZero_Click()
{
    if (globalEditRunning_)
        return;
    runOverSliders([](int) { return 0; });
}

void frmGraphicalTune::runOverSliders(const std::function<int(int cell)>& target)
{
    QPointer<frmGraphicalTune> self(this);
    globalEditRunning_ = true;
    setProgress(0);
    for (int i = 0; i <= LastCell; ++i) {
        // A change of value runs WriteSliderCell for the cell.
        sliders_[i]->setValue(target(i));
        if (!self || closing_)
            return;
        if (refusalPending_)
            break;  // the first failed write ends the edit
        setProgress(static_cast<int>(std::lround(i / 24.0 * 100.0)));
        QCoreApplication::processEvents();
        if (!self || closing_)
            return;
    }
    setProgress(0);
    globalEditRunning_ = false;
    reportRefusal();
}

bool frmGraphicalTune::moveCells(const CellAmounts& amounts, const std::function<void(const EntryWrite&)>& refused)
{
    const CellsMove move = MoveCells(table_, amounts, sliderOffset_);
    if (move.beyond) {
        refused(*move.beyond);
        return false;
    }
    globalEditRunning_ = true;
    const bool armed = sliderEventsArmed_;
    sliderEventsArmed_ = false;
    setBusy(true);
    takeTableLetter(false);
    const char letter = tableLetter_;
    bool failed = false;
    bool linkLost = false;
    for (const EntryWrite& write : move.writes) {
        setProgress(static_cast<int>(std::lround(write.address / 255.0 * 100.0)));
        const qint16 old = table_[write.address];
        table_[write.address] = static_cast<qint16>(write.value);
        if (onLine_ && !held([&] { return tuner_link::WriteEntry(letter, write.address, write.value); })) {
            // The first failed write ends the edit; the rest stay as the unit holds them.
            failed = true;
            linkLost = !readBackAfterFailure(write.address, old);
            break;
        }
        graph_->redrawEntry(write.address);
    }
    // The sliders show the table, which is what the unit holds on line.
    placeSliders();
    sliderEventsArmed_ = armed;
    setProgress(0);
    setBusy(false);
    globalEditRunning_ = false;
    if (!failed)
        return true;
    refuseMove(-1, linkLost);
    reportRefusal();
    return false;
}

// --- breakpoint, switch and offset -------------------------------------------------

void frmGraphicalTune::HScroll1_Change()
{
    const int count = HScroll1->value();
    if (onLine_) {
        const BreakpointBytes bytes = BytesOfBreakpoint(count);
        const bool written = held([&] {
            return tuner_link::WriteRegister(cmd::WotBreakpointHigh, bytes.high)
                && tuner_link::WriteRegister(cmd::WotBreakpointLow, bytes.low);
        });
        if (!written) {
            tell(MsgIcon::Exclamation, WriteFailureTitle,
                 QStringLiteral("Failed to Update TPS Breakpoint Value. Please try a manual update."));
            return;
        }
    }
    WotBreakpointVolts = BreakpointVolts(count);
    txtTPSBreakpoint->setText(BreakpointText(count));
}

void frmGraphicalTune::HScroll2_Change()
{
    const int rpm = HScroll2->value();
    if (onLine_ && !held([&] { return tuner_link::WriteRegister(cmd::RpmSwitchOnPoint, SwitchStepOf(rpm)); })) {
        tell(MsgIcon::Exclamation, WriteFailureTitle,
             QStringLiteral("Failed to Update RPM Switch Activation. Please try a manual update."));
        return;
    }
    RpmSwitchOn = rpm;
    txtRPMON->setText(SwitchText(rpm));
}

void frmGraphicalTune::HScroll3_Change()
{
    const int rpm = HScroll3->value();
    if (onLine_ && !held([&] { return tuner_link::WriteRegister(cmd::RpmSwitchOffPoint, SwitchStepOf(rpm)); })) {
        tell(MsgIcon::Exclamation, WriteFailureTitle,
             QStringLiteral("Failed to Update RPM Switch Deactivation. Please try a manual update."));
        return;
    }
    RpmSwitchOff = static_cast<qint16>(rpm);
    txtRPMOFF->setText(SwitchText(rpm));
}

void frmGraphicalTune::HScroll4_Change()
{
    sliderEventsArmed_ = false;
    sliderOffset_ = SnapOffset(HScroll4->value());
    for (int i = 0; i <= LastCell; ++i) {
        captions_[i]->setText(CellCaption(i, sliderOffset_));
        showDelta(i, table_[EntryOf(i, sliderOffset_)]);
    }
    graph_->setSliderOffset(sliderOffset_);
    if (onLine_) {
        // The load arms the sliders only when it read everything.
        LoadTable();
        return;
    }
    for (int j = 0; j < TableSize; ++j)
        setProgress(static_cast<int>(std::lround(j / 255.0 * 100.0)));
    placeSliders();
    setProgress(0);
    sliderEventsArmed_ = true;
}

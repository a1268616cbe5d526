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
    const double& other = installedList ? EecInjectorSize : InstalledInjectorSize;

    const int index = list->currentIndex();
    if (index >= 0 && index < InjectorSizeCount)
        size = InjectorSizeAt(index);

    const MsgAnswer answer = services::dialogs().message(
        MsgIcon::Question, QStringLiteral("Apply changes now?"),
        QStringLiteral("Do you want to apply this change directly to the current map?"), MsgButtons::YesNo);
    if (!self || answer != MsgAnswer::Yes)
        return;

    const bool tune1 = selectedTable() == 0;
    const double ratio = register_map::InjectorRatio(EecInjectorSize, InstalledInjectorSize);
    (tune1 ? InjectorRatioOL : InjectorRatioCL) = ratio;
    float& lastApplied = tune1 ? LastAppliedRatioOL : LastAppliedRatioCL;
    const int compensation = Compensation(ratio, lastApplied);

    if (!CompensationFits(sliderValues(), compensation)) {
        if (!tell(MsgIcon::Exclamation, QStringLiteral("Selection Error!"), CompensationRefusedText))
            return;
        injectorEventsSuppressed_ = true;
        list->setCurrentIndex(SelectItem);
        injectorEventsSuppressed_ = false;
        size = other;
        return;
    }

    runOverSliders([&](int cell) { return sliders_[cell]->value() + compensation; });
    if (!self)
        return;
    lastApplied = static_cast<float>(ratio);
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
    runOverSliders([&](int cell) { return sliders_[cell]->value() + delta; });
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
        setProgress(static_cast<int>(std::lround(i / 24.0 * 100.0)));
        QCoreApplication::processEvents();
        if (!self || closing_)
            return;
    }
    setProgress(0);
    globalEditRunning_ = false;
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
        deltas_[i]->setText(WholeNumber(sliders_[i]->value()));
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

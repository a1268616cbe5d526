#include "tuner/TunerSettingsPanel.h"

#include "correction/ChangeGraph.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/Tune.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerSession.h"
#include "tuner/TunerSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>

#include <cmath>

using namespace mdlPublicVars;
using namespace tuner;
using namespace graphical_tune;

TunerSettingsPanel::TunerSettingsPanel(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells,
                                       QWidget* window, Hooks hooks)
    : QObject(window), c_(controls), session_(session), cells_(cells), window_(window), hooks_(std::move(hooks))
{ }

// --- read with the table -----------------------------------------------------------

bool TunerSettingsPanel::load(tunefile::Tune& loaded, int tableIndex)
{
    const auto readRegister = [&](int reg, const QString& failure) {
        const std::optional<int> byte = session_.readRegister(reg);
        if (!byte) {
            if (session_.tell(MsgIcon::Exclamation, ReadFailureTitle, failure))
                SetBusy(window_, false);
        } else {
            loaded.setValue({tunefile::RegisterLetter, reg}, *byte);
        }
        return byte;
    };

    // What the unit holds is shown, never written back.
    const QString breakpointFailure = QStringLiteral("Unable to load TPS Breakpoint from VentrixTM. ");
    const std::optional<int> high =
        readRegister(cmd::WotBreakpointHigh, breakpointFailure + "Please try manual update.");
    if (!high)
        return false;
    const std::optional<int> low = readRegister(cmd::WotBreakpointLow, breakpointFailure + "Please try manual read.");
    if (!low)
        return false;
    showBreakpoint(register_map::BreakpointCount(*high, *low));

    const std::optional<int> on = readRegister(
        cmd::RpmSwitchOnPoint, QStringLiteral("Unable to load RPM SWITCH ON from VentrixTM. Please try manual read."));
    if (!on)
        return false;
    showSwitchOn(register_map::RpmFromSteps(*on));

    const std::optional<int> off =
        readRegister(cmd::RpmSwitchOffPoint,
                     QStringLiteral("Unable to load RPM SWITCH OFF from VentrixTM. Please try manual read."));
    if (!off)
        return false;
    showSwitchOff(register_map::RpmFromSteps(*off));

    const TableKind& kind = TableKindAt(tableIndex);
    const std::optional<int> installed =
        readRegister(kind.injectorRegister, QStringLiteral("Unable to load Injector Size from VentrixTM."));
    if (!installed)
        return false;
    InstalledInjectorSize = InjectorChoiceFor(*installed).size;
    showInjectorSize(c_.cmbInjectors, InstalledInjectorSize);

    const std::optional<int> eec =
        readRegister(kind.eecInjectorRegister, QStringLiteral("Unable to load EEC Injectors from VentrixTM."));
    if (!eec)
        return false;
    EecInjectorSize = InjectorChoiceFor(*eec).size;
    showInjectorSize(c_.cmbEECInjectors, EecInjectorSize);

    const double ratio = register_map::InjectorRatio(EecInjectorSize, InstalledInjectorSize);
    const SizeRatio applied = RatioOfSizes(EecInjectorSize, InstalledInjectorSize);
    if (tableIndex == 0) {
        InjectorRatioOL = ratio;
        LastAppliedRatioOL = applied;
    } else {
        InjectorRatioCL = ratio;
        LastAppliedRatioCL = applied;
    }
    return true;
}

// --- shown --------------------------------------------------------------------------

void TunerSettingsPanel::showBreakpoint(int count)
{
    // Beyond the bar's reach it sits at its end; the unit keeps its own breakpoint.
    c_.HScroll1->setValue(std::clamp(count, 0, BreakpointMaximum));
    WotBreakpointVolts = BreakpointVolts(count);
    c_.txtTPSBreakpoint->setText(BreakpointText(count));
}

void TunerSettingsPanel::showSwitchOn(int rpm)
{
    c_.HScroll2->setValue(rpm);
    RpmSwitchOn = c_.HScroll2->value();
    c_.txtRPMON->setText(SwitchText(c_.HScroll2->value()));
}

void TunerSettingsPanel::showSwitchOff(int rpm)
{
    c_.HScroll3->setValue(rpm);
    RpmSwitchOff = static_cast<qint16>(c_.HScroll3->value());
    c_.txtRPMOFF->setText(SwitchText(c_.HScroll3->value()));
}

void TunerSettingsPanel::fillInjectorLists()
{
    injectorEventsSuppressed_ = true;
    for (QComboBox* list : {c_.cmbInjectors, c_.cmbEECInjectors}) {
        list->clear();
        list->addItems(InjectorListItems());
        list->setCurrentIndex(SelectItem);
    }
    injectorEventsSuppressed_ = false;
}

void TunerSettingsPanel::showInjectorSize(QComboBox* list, double size)
{
    const bool suppressed = injectorEventsSuppressed_;
    injectorEventsSuppressed_ = true;
    // A number shown for an earlier size that is not listed goes.
    while (list->count() > InjectorSizeCount + 1)
        list->removeItem(list->count() - 1);
    const int whole = static_cast<int>(number_format::RoundHalfEven(size));
    int index = NotListed;
    for (int i = 0; i < InjectorSizeCount; ++i)
        if (InjectorSizeAt(i) == whole)
            index = i;
    if (index == NotListed) {
        list->addItem(InjectorSizeText(whole), whole);
        index = list->count() - 1;
    }
    list->setCurrentIndex(index);
    injectorEventsSuppressed_ = suppressed;
}

// --- the user's moves ---------------------------------------------------------------

bool TunerSettingsPanel::writeBreakpoint()
{
    const int count = c_.HScroll1->value();
    if (!session_.writeBreakpoint(count))
        return false;
    WotBreakpointVolts = BreakpointVolts(count);
    c_.txtTPSBreakpoint->setText(BreakpointText(count));
    return true;
}

bool TunerSettingsPanel::writeSwitchOn()
{
    const int rpm = c_.HScroll2->value();
    if (!session_.writeSwitchOn(rpm))
        return false;
    RpmSwitchOn = rpm;
    c_.txtRPMON->setText(SwitchText(rpm));
    return true;
}

bool TunerSettingsPanel::writeSwitchOff()
{
    const int rpm = c_.HScroll3->value();
    if (!session_.writeSwitchOff(rpm))
        return false;
    RpmSwitchOff = static_cast<qint16>(rpm);
    c_.txtRPMOFF->setText(SwitchText(rpm));
    return true;
}

namespace {

const QString BreakpointRefused = QStringLiteral("Failed to Update TPS Breakpoint Value. Please try a manual update.");
const QString SwitchOnRefused = QStringLiteral("Failed to Update RPM Switch Activation. Please try a manual update.");
const QString SwitchOffRefused =
    QStringLiteral("Failed to Update RPM Switch Deactivation. Please try a manual update.");

} // namespace

void TunerSettingsPanel::sendBreakpoint()
{
    if (!writeBreakpoint())
        session_.tell(MsgIcon::Exclamation, WriteFailureTitle, BreakpointRefused);
}

void TunerSettingsPanel::sendSwitchOn()
{
    if (!writeSwitchOn())
        session_.tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOnRefused);
}

void TunerSettingsPanel::sendSwitchOff()
{
    if (!writeSwitchOff())
        session_.tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOffRefused);
}

bool TunerSettingsPanel::sendShown(bool switchPoints)
{
    QStringList refused;
    if (switchPoints) {
        if (!writeSwitchOn())
            refused << SwitchOnRefused;
        if (!writeSwitchOff())
            refused << SwitchOffRefused;
    }
    if (!writeBreakpoint())
        refused << BreakpointRefused;
    for (const QString& text : refused)
        if (!session_.tell(MsgIcon::Exclamation, WriteFailureTitle, text))
            return false;
    return true;
}

void TunerSettingsPanel::offsetMoved()
{
    cells_.arm(false);
    const int offset = SnapOffset(c_.HScroll4->value());
    cells_.setOffset(offset);
    for (int i = 0; i <= LastCell; ++i) {
        c_.captions_[i]->setText(CellCaption(i, offset));
        cells_.showDelta(i, cells_.table()[EntryOf(i, offset)]);
    }
    c_.graph_->setSliderOffset(offset);
    if (session_.onLine()) {
        // The load arms the sliders only when it read everything.
        hooks_.reload();
        return;
    }
    for (int j = 0; j < TableSize; ++j)
        SetProgress(static_cast<int>(std::lround(j / 255.0 * 100.0)));
    cells_.placeSliders();
    SetProgress(0);
    cells_.arm(true);
}

bool TunerSettingsPanel::resetOffset()
{
    // On line the load may meet a failure, whose box runs its own event loop.
    QPointer<TunerSettingsPanel> self(this);
    c_.HScroll4->setValue(0);
    offsetMoved();
    return self && !session_.closing() && !session_.lost() && cells_.offset() == 0;
}

void TunerSettingsPanel::compensate(bool installedList)
{
    if (injectorEventsSuppressed_ || cells_.editRunning())
        return;
    QComboBox* list = installedList ? c_.cmbInjectors : c_.cmbEECInjectors;
    double& size = installedList ? InstalledInjectorSize : EecInjectorSize;

    const double sizeBefore = size;
    const int index = list->currentIndex();
    if (index >= 0 && index < InjectorSizeCount)
        size = InjectorSizeAt(index);
    else if (index > SelectItem)
        size = list->itemData(index).toInt(); // a size not in the list, shown as its number
    // "<Select>" keeps the size; the list shows it again.
    showInjectorSize(list, size);

    const bool tune1 = hooks_.tableIndex() == 0;
    const SizeRatio ratio = RatioOfSizes(EecInjectorSize, InstalledInjectorSize);
    SizeRatio& lastApplied = tune1 ? LastAppliedRatioOL : LastAppliedRatioCL;
    const int compensation = Compensation(ratio, lastApplied);

    // The question runs its own event loop: the tuner may be closed meanwhile.
    QPointer<TunerSettingsPanel> self(this);
    const MsgAnswer answer =
        services::dialogs().message(MsgIcon::Question, QStringLiteral("Apply changes now?"),
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
        if (!session_.tell(MsgIcon::Exclamation, QStringLiteral("Selection Error!"), CompensationRefusedText))
            return;
        size = sizeBefore;
        storedRatio = ratioBefore;
        showInjectorSize(list, size);
    };
    if (!CompensationFits(cells_.sliderValues(), compensation)) {
        refuse();
        return;
    }
    CellAmounts amounts;
    amounts.fill(compensation);
    const bool moved = cells_.moveCells(
        amounts, [&](const EntryWrite&) { refuse(); }, QStringLiteral("injector compensation"));
    if (!self || refused || !moved)
        return;
    lastApplied = ratio;
}

#include "tuner/frmGraphicalTune.h"

#include "tunefile/Backups.h"

#include "app/mdlMain.h"
#include "config/frmIgnitionConfig.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"
#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tuner/ChangeGraph.h"
#include "tuner/MapWrite.h"
#include "tuner/SliderInterpolation.h"
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

namespace {

constexpr int TickMs = 50;
const QString ProgramTitle = QStringLiteral("KESTREL - VentrixTM Communications Software");
const QString ReadFailureTitle = QStringLiteral("Read Failure!");
const QString WriteFailureTitle = QStringLiteral("Write Failure!");
const QString OffLineWarning = QStringLiteral("Any off-line map changes will be lost unless explicity saved!");

const QColor DarkGreen(0, 128, 0);
const QColor White(255, 255, 255);
const QColor ActiveCellYellow(255, 255, 128);

constexpr int ShiftLightMode = 0;
constexpr int RpmAndWotMode = 1;
constexpr int WasteSparkIgnition = 1;

// The main-window commands QUIT gives back.
const QStringList GivenBackOnQuit = {
    QStringLiteral("cmdGraphicalTune"), QStringLiteral("mnuMemory"),         QStringLiteral("cmdAccuracyTest"),
    QStringLiteral("mnuDiagnostics"),   QStringLiteral("mnuVentrixRunItem"), QStringLiteral("mnuResetItem"),
    QStringLiteral("cmdVentrixRun"),    QStringLiteral("cmdMemoryModify")};

void Indicate(QWidget* box, bool active)
{
    if (active)
        colours::SetBackground(box, colours::Green);
    else
        colours::SetButtonFace(box);
}

// A readout on a coloured ground keeps dark text, so it reads at a glance
// whatever the colour.
void ShowOnColour(QWidget* box, const QColor& colour)
{
    colours::SetBackground(box, colour);
    colours::SetTextColour(box, Qt::black);
}

const frmIgnitionConfig* IgnitionWindow()
{
    QMainWindow* main = mdlMain::MainWindow();
    return main ? main->findChild<frmIgnitionConfig*>() : nullptr;
}

bool IgnitionTypeIs(int index)
{
    const frmIgnitionConfig* ignition = IgnitionWindow();
    return ignition && ignition->SelectedIgnitionType() == index;
}

bool RpmModeIs(int index)
{
    const frmIgnitionConfig* ignition = IgnitionWindow();
    return ignition && ignition->SelectedRpmConfig() == index;
}

QString WholeNumber(int value)
{
    return number_format::Format(value, QStringLiteral("##0"));
}

} // namespace

frmGraphicalTune::frmGraphicalTune(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGraphicalTune"));
    setWindowTitle(QStringLiteral("VentrixTM - GRAPHICAL TUNER"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    logDialog_.title = QStringLiteral("DATALOG FILENAME SELECT");
    logDialog_.filter = QStringLiteral("Text Files (*.txt)");
    logDialog_.defaultName = DatalogDefaultName;

    buildLayout();
    graph_->setTable(&table_);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(TickMs);
    timer1_->setTimerType(Qt::PreciseTimer);
    connect(timer1_, &QTimer::timeout, this, &frmGraphicalTune::Timer1_Timer);

    for (int i = 0; i < CellCount; ++i) {
        connect(sliders_[i], &QScrollBar::valueChanged, this, [this, i] { VScroll1_Change(i); });
        connect(sliders_[i], &QScrollBar::sliderReleased, this, [this, i] { sliderReleased(i); });
    }
    for (int i = 0; i < TableKindCount; ++i)
        connect(options_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optTableSelect_Click(i);
        });
    connect(cmdLoadTable, &QPushButton::clicked, this, &frmGraphicalTune::cmdLoadTable_Click);
    connect(cmdSaveChanges, &QPushButton::clicked, this, &frmGraphicalTune::cmdSaveChanges_Click);
    connect(cmdONLINE, &QPushButton::clicked, this, &frmGraphicalTune::cmdONLINE_Click);
    connect(cmdOFFLINE, &QPushButton::clicked, this, &frmGraphicalTune::cmdOFFLINE_Click);
    connect(cmdDatalog, &QPushButton::clicked, this, &frmGraphicalTune::cmdDatalog_Click);
    connect(cmdLean, &QPushButton::clicked, this, &frmGraphicalTune::cmdLean_Click);
    connect(cmdRich, &QPushButton::clicked, this, &frmGraphicalTune::cmdRich_Click);
    connect(cmdZero, &QPushButton::clicked, this, &frmGraphicalTune::cmdZero_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &frmGraphicalTune::cmdQUIT_Click);
    connect(cmdAutoTune, &QPushButton::clicked, this, &frmGraphicalTune::cmdAutoTune_Click);
    // The lists act on the user's choices only; the program's own settings
    // (the load, a refused compensation) raise no click.
    connect(cmbInjectors, &QComboBox::activated, this, &frmGraphicalTune::cmbInjectors_Click);
    connect(cmbEECInjectors, &QComboBox::activated, this, &frmGraphicalTune::cmbEECInjectors_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmGraphicalTune::HScroll1_Change);
    connect(HScroll2, &QScrollBar::valueChanged, this, &frmGraphicalTune::HScroll2_Change);
    connect(HScroll3, &QScrollBar::valueChanged, this, &frmGraphicalTune::HScroll3_Change);
    connect(HScroll4, &QScrollBar::valueChanged, this, &frmGraphicalTune::HScroll4_Change);

    // The space bar stamps the log wherever the focus is in this window.
    qApp->installEventFilter(this);
}

frmGraphicalTune::~frmGraphicalTune()
{
    qApp->removeEventFilter(this);
}

// --- opening and loading --------------------------------------------------------

int frmGraphicalTune::selectedTable() const
{
    for (int i = 0; i < TableKindCount; ++i)
        if (options_[i]->isChecked())
            return i;
    return 0;
}

void frmGraphicalTune::takeTableLetter(bool setOpenLoop)
{
    const TableKind& kind = TableKindAt(selectedTable());
    tableLetter_ = kind.letter;
    if (setOpenLoop)
        openLoopTable_ = kind.openLoop ? 1 : 0;
}

void frmGraphicalTune::setBusy(bool busy)
{
    mdlMain::SetBusyPointer(busy);
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void frmGraphicalTune::setProgress(int percent)
{
    if (QProgressBar* bar = mdlMain::ProgressBar())
        bar->setValue(percent);
}

template <typename F>
auto frmGraphicalTune::held(F&& transaction)
{
    const bool running = timer1_->isActive();
    if (onLine_)
        timer1_->stop();
    auto result = transaction();
    if (running)
        timer1_->start();
    return result;
}

bool frmGraphicalTune::tell(MsgIcon icon, const QString& title, const QString& text)
{
    QPointer<frmGraphicalTune> self(this);
    const bool running = timer1_->isActive();
    timer1_->stop();
    services::dialogs().message(icon, title, text);
    if (!self)
        return false;
    if (running && onLine_ && !lost_ && !closing_)
        timer1_->start();
    return true;
}

void frmGraphicalTune::Form_Load()
{
    setBusy(true);
    onLine_ = false;
    sliderEventsArmed_ = false;
    sliderOffset_ = 0;
    datalogArmed_ = false;

    Indicate(txtWastedSpark, IgnitionTypeIs(WasteSparkIgnition));
    Indicate(txtRPMandWOT, RpmModeIs(RpmAndWotMode));

    for (QWidget* control : std::initializer_list<QWidget*>{options_[2], options_[3], HScroll2, HScroll3,
                                                            txtRPMON, txtRPMOFF})
        control->setEnabled(IsPlusStage);
    if (IsPlusStage) {
        for (QScrollBar* bar : {HScroll2, HScroll3}) {
            const QSignalBlocker quiet(bar);
            bar->setValue(0);
        }
        txtRPMON->setText(SwitchText(0));
        txtRPMOFF->setText(SwitchText(0));
    }

    takeTableLetter(true);

    injectorEventsSuppressed_ = true;
    for (QComboBox* list : {cmbInjectors, cmbEECInjectors}) {
        list->clear();
        list->addItems(InjectorListItems());
        list->setCurrentIndex(SelectItem);
    }
    injectorEventsSuppressed_ = false;

    for (int i = 0; i <= LastCell; ++i) {
        captions_[i]->setText(CellCaption(i, sliderOffset_));
        deltas_[i]->setText(WholeNumber(sliders_[i]->value()));
        deltas_[i]->setFrame(true);
    }
    LoadTable();
}

void frmGraphicalTune::loadFailed(const QString& text)
{
    if (tell(MsgIcon::Exclamation, ReadFailureTitle, text))
        setBusy(false);
}

void frmGraphicalTune::LoadTable()
{
    QPointer<frmGraphicalTune> self(this);
    sliderEventsArmed_ = false;
    graph_->redrawAll();
    setBusy(true);
    takeTableLetter(false);
    const char letter = tableLetter_;
    loaded_ = tunefile::Tune();

    for (int j = 0; j < TableSize; ++j) {
        setProgress(static_cast<int>(std::lround(j / 255.0 * 100.0)));
        const std::optional<int> byte = held([&] { return tuner_link::ReadEntryByte(letter, j); });
        if (!byte) {
            loadFailed(QStringLiteral("Unable to load slider values from VentrixTM. Please try manual update."));
            return;
        }
        table_[j] = static_cast<qint16>(DecodeEntry(*byte));
        loaded_.setValue({letter, j}, *byte);
        graph_->redrawEntry(j);
    }

    const auto readRegister = [&](int reg, const QString& failure) {
        const std::optional<int> byte = held([&] { return tuner_link::ReadRegisterByte(reg); });
        if (!byte)
            loadFailed(failure);
        else
            loaded_.setValue({tunefile::RegisterLetter, reg}, *byte);
        return byte;
    };

    const QString breakpointFailure = QStringLiteral("Unable to load TPS Breakpoint from VentrixTM. ");
    const std::optional<int> high = readRegister(cmd::WotBreakpointHigh, breakpointFailure + "Please try manual update.");
    if (!high)
        return;
    const std::optional<int> low = readRegister(cmd::WotBreakpointLow, breakpointFailure + "Please try manual read.");
    if (!low)
        return;
    showBreakpoint(register_map::BreakpointCount(*high, *low));
    if (!self || closing_)
        return;

    const std::optional<int> on = readRegister(
        cmd::RpmSwitchOnPoint, QStringLiteral("Unable to load RPM SWITCH ON from VentrixTM. Please try manual read."));
    if (!on)
        return;
    // Setting the bar runs its handler when the value changes, which on line
    // writes the same point back.
    HScroll2->setValue(register_map::RpmFromSteps(*on));
    if (!self || closing_)
        return;
    RpmSwitchOn = HScroll2->value();
    txtRPMON->setText(SwitchText(HScroll2->value()));

    const std::optional<int> off = readRegister(
        cmd::RpmSwitchOffPoint, QStringLiteral("Unable to load RPM SWITCH OFF from VentrixTM. Please try manual read."));
    if (!off)
        return;
    HScroll3->setValue(register_map::RpmFromSteps(*off));
    if (!self || closing_)
        return;
    RpmSwitchOff = static_cast<qint16>(HScroll3->value());
    txtRPMOFF->setText(SwitchText(HScroll3->value()));

    const TableKind& kind = TableKindAt(selectedTable());
    const std::optional<int> installed = readRegister(
        kind.injectorRegister, QStringLiteral("Unable to load Injector Size from VentrixTM."));
    if (!installed)
        return;
    injectorEventsSuppressed_ = true;
    const InjectorChoice installedChoice = InjectorChoiceFor(*installed);
    InstalledInjectorSize = installedChoice.size;
    cmbInjectors->setCurrentIndex(installedChoice.index);

    const std::optional<int> eec = readRegister(
        kind.eecInjectorRegister, QStringLiteral("Unable to load EEC Injectors from VentrixTM."));
    if (!eec)
        return;
    const InjectorChoice eecChoice = InjectorChoiceFor(*eec);
    EecInjectorSize = eecChoice.size;
    cmbEECInjectors->setCurrentIndex(eecChoice.index);
    injectorEventsSuppressed_ = false;

    const double ratio = register_map::InjectorRatio(EecInjectorSize, InstalledInjectorSize);
    if (selectedTable() == 0) {
        InjectorRatioOL = ratio;
        LastAppliedRatioOL = static_cast<float>(ratio);
    } else {
        InjectorRatioCL = ratio;
        LastAppliedRatioCL = static_cast<float>(ratio);
    }

    setBusy(false);
    placeSliders();
    sliderEventsArmed_ = true;
    setProgress(0);
}

void frmGraphicalTune::showBreakpoint(int count)
{
    if (count >= 0 && count <= BreakpointMaximum) {
        // Its handler runs when the value changes: on line it writes the
        // breakpoint back.
        HScroll1->setValue(count);
    } else {
        // Beyond the bar's reach: it sits at its end, and the unit keeps its
        // own breakpoint rather than the end's.
        const QSignalBlocker quiet(HScroll1);
        HScroll1->setValue(std::clamp(count, 0, BreakpointMaximum));
    }
    WotBreakpointVolts = BreakpointVolts(count);
    txtTPSBreakpoint->setText(BreakpointText(count));
}

void frmGraphicalTune::placeSliders()
{
    for (int i = 0; i <= LastCell; ++i) {
        // Values beyond the slider's reach sit at its end; the table keeps them.
        sliders_[i]->setValue(SliderPosition(table_[EntryOf(i, sliderOffset_)]));
        showDelta(i);
        sliders_[i]->setSingleStep(1);
        sliders_[i]->setPageStep(5);
        sliders_[i]->setEnabled(true);
    }
}

void frmGraphicalTune::showDelta(int cell)
{
    const int value = sliders_[cell]->value();
    deltas_[cell]->setText(WholeNumber(value));
    colours::SetTextColour(deltas_[cell], value < 0 ? colours::Red : DarkGreen);
}

void frmGraphicalTune::optTableSelect_Click(int)
{
    LoadTable();
}

void frmGraphicalTune::cmdLoadTable_Click()
{
    LoadTable();
}

// --- slider writes ----------------------------------------------------------------

void frmGraphicalTune::VScroll1_Change(int cell)
{
    if (!sliderEventsArmed_)
        return;
    if (onLine_ && sliders_[cell]->isSliderDown()) {
        // A thumb drag on line: positions that come while the unit is still
        // being written are taken together, and only the latest is written,
        // so the window keeps up with the mouse. The release writes the last.
        dragPending_[cell] = true;
        if (!dragFlushQueued_) {
            dragFlushQueued_ = true;
            QTimer::singleShot(0, this, &frmGraphicalTune::flushDrag);
        }
        return;
    }
    WriteSliderCell(cell);
}

void frmGraphicalTune::flushDrag()
{
    dragFlushQueued_ = false;
    for (int i = 0; i < CellCount; ++i) {
        if (!dragPending_[i])
            continue;
        dragPending_[i] = false;
        if (sliderEventsArmed_)
            WriteSliderCell(i);
    }
}

void frmGraphicalTune::sliderReleased(int cell)
{
    if (!dragPending_[cell])
        return;
    dragPending_[cell] = false;
    if (sliderEventsArmed_)
        WriteSliderCell(cell);
}

void frmGraphicalTune::WriteSliderCell(int cell)
{
    QPointer<frmGraphicalTune> self(this);
    setBusy(true);
    takeTableLetter(false);
    const int cur = sliders_[cell]->value();
    const int prev = cell > 0 ? sliders_[cell - 1]->value() : cur;
    const int next = cell < LastCell ? sliders_[cell + 1]->value() : cur;
    showDelta(cell);

    bool stopped = false;
    for (const EntryWrite& write : SliderWrites(cell, prev, cur, next, sliderOffset_)) {
        applyWrite(cell, write.address, write.value, stopped);
        if (!self)
            return;
        if (stopped)
            return;
    }
    // Each entry's strip is repainted with its part of the grid.
    setBusy(false);
}

void frmGraphicalTune::applyWrite(int cell, int address, int value, bool& stopped)
{
    table_[address] = static_cast<qint16>(value);
    if (onLine_) {
        const char letter = tableLetter_;
        if (!held([&] { return tuner_link::WriteEntry(letter, address, value); })) {
            stopped = true;
            sliderWriteRefused(cell, address);
            return;
        }
    }
    graph_->redrawEntry(address);
}

void frmGraphicalTune::sliderWriteRefused(int cell, int address)
{
    // A refused or unanswered write may or may not have been stored: the
    // window shows what the unit holds, read back once.
    const char letter = tableLetter_;
    const std::optional<int> stored = held([&] { return tuner_link::ReadEntryByte(letter, address); });
    if (stored) {
        table_[address] = static_cast<qint16>(DecodeEntry(*stored));
        if (address == EntryOf(cell, sliderOffset_))
            setSliderQuietly(cell, SliderPosition(table_[address]));
    }
    graph_->redrawEntry(address);
    if (!tell(MsgIcon::Exclamation, WriteFailureTitle,
              QStringLiteral("Failed to Update Slider Value. Please try a manual update.")))
        return;
    setBusy(false);
    if (!stored) {
        Connected = false;
        connectionLost();
    }
}

void frmGraphicalTune::setSliderQuietly(int cell, int value)
{
    const bool armed = sliderEventsArmed_;
    sliderEventsArmed_ = false;
    sliders_[cell]->setValue(value);
    showDelta(cell);
    sliderEventsArmed_ = armed;
}

tuner::SliderValues frmGraphicalTune::sliderValues() const
{
    SliderValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = sliders_[i]->value();
    return values;
}

// --- saving and the two modes ------------------------------------------------------

void frmGraphicalTune::cmdSaveChanges_Click()
{
    QPointer<frmGraphicalTune> self(this);
    // While the choice is open the table shown and the mode stay as they are.
    const QList<QWidget*> frozen{cmdONLINE, cmdSaveChanges, cmdLoadTable, options_[0], options_[1],
                                 options_[2], options_[3]};
    QList<bool> wasEnabled;
    for (QWidget* control : frozen) {
        wasEnabled << control->isEnabled();
        control->setEnabled(false);
    }
    const TuneSelection choice = AskForTuneSelection(selectedTable());
    if (!self || closing_)
        return;
    const auto thaw = [&] {
        for (int i = 0; i < frozen.size(); ++i)
            frozen[i]->setEnabled(wasEnabled[i]);
    };
    if (choice.cancelled || choice.letter.size() != 1) {
        thaw();
        return;
    }

    // What the unit holds is kept before the table overwrites it (the tune
    // opened off line is its own copy); a failed backup the user does not
    // overlook leaves the unit as it is. The controls stay frozen meanwhile:
    // the backup lets window events run.
    const bool backedUp = tunefile::BackUpUnitBeforeOverwrite();
    if (!self || closing_)
        return;
    thaw();
    if (!backedUp)
        return;
    tableLetter_ = choice.letter.at(0).toLatin1();
    const int index = std::max(0, TableIndexOf(tableLetter_));
    openLoopTable_ = TableKindAt(index).openLoop ? 1 : 0;
    setBusy(true);
    const int result = WriteWholeMap();
    setBusy(false);
    if (!self)
        return;
    const bool told = result
        ? tell(MsgIcon::Exclamation, QStringLiteral("Write Successful!"), QStringLiteral("Map write successful."))
        : tell(MsgIcon::Exclamation, WriteFailureTitle, QStringLiteral("Failed to update map. Please try again."));
    if (!told)
        return;
    setProgress(0);

    // The written table's option, and what the unit now holds.
    {
        const QSignalBlocker quiet(options_[index]);
        options_[index]->setChecked(true);
    }
    optTableSelect_Click(index);
}

int frmGraphicalTune::WriteWholeMap()
{
    MapSettings settings;
    settings.wotBreakpointVolts = WotBreakpointVolts;
    settings.installedInjectorSize = InstalledInjectorSize;
    settings.eecInjectorSize = EecInjectorSize;
    settings.switchOnRpm = HScroll2->value();
    settings.switchOffRpm = HScroll3->value();
    const MapWriteResult result = tuner::WriteWholeMap(tableLetter_, table_, settings, [this](int entry) {
        setProgress(static_cast<int>(std::lround(entry / 255.0 * 100.0)));
    });
    switch (result) {
    case MapWriteResult::Written:
        return 1;
    case MapWriteResult::SwitchOnFailed:
        tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOnFailedText);
        return 0;
    case MapWriteResult::SwitchOffFailed:
        tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOffFailedText);
        return 0;
    case MapWriteResult::Failed:
        break;
    }
    return 0;
}

void frmGraphicalTune::cmdONLINE_Click()
{
    QPointer<frmGraphicalTune> self(this);
    // Yes writes the breakpoint and switch points: Enter and Escape answer No.
    const MsgAnswer answer = services::dialogs().askBeforeWriting(
        MsgIcon::Question, QStringLiteral("Connect to VentrixTM"),
        QStringLiteral("Establish link to VentrixTM?\r\n") + OffLineWarning);
    if (!self || answer != MsgAnswer::Yes)
        return;

    onLine_ = true;
    options_[0]->setEnabled(true);
    options_[1]->setEnabled(true);
    if (IsPlusStage) {
        for (QWidget* control : std::initializer_list<QWidget*>{options_[2], options_[3], HScroll2, HScroll3, txtRPMON})
            control->setEnabled(true);
        // The switch points shown go to the unit.
        HScroll2_Change();
        if (!self || closing_)
            return;
        HScroll3_Change();
        if (!self || closing_)
            return;
    } else {
        options_[2]->setEnabled(false);
        options_[3]->setEnabled(false);
    }

    takeTableLetter(true);
    txtLoopMode->setEnabled(true);
    cmbInjectors->setEnabled(false);
    cmbEECInjectors->setEnabled(false);
    cmdONLINE->setEnabled(false);
    cmdONLINE->hide();
    cmdOFFLINE->setEnabled(true);
    cmdOFFLINE->show();
    cmdSaveChanges->setEnabled(false);

    // So does the breakpoint.
    HScroll1_Change();
    if (!self || closing_)
        return;
    colours::SetBackground(txtHeartbeat, colours::Green);
    heartbeatCounter_ = 0;

    LoadTable();
    if (!self || closing_ || lost_)
        return;
    // The table just read, so that on-line edits can be undone from the
    // backup list (the sliders are armed only once the load read it all).
    if (sliderEventsArmed_)
        tunefile::KeepAsBackup(loaded_);
    timer1_->start();
    LinkBusy = true;
}

void frmGraphicalTune::cmdOFFLINE_Click()
{
    timer1_->stop();
    onLine_ = false;
    options_[0]->setEnabled(true);
    options_[1]->setEnabled(true);
    cmbInjectors->setEnabled(true);
    cmbEECInjectors->setEnabled(true);

    for (QWidget* box : std::initializer_list<QWidget*>{txtHeartbeat, txtMultiSpark, txtWOT, txtWindowSwitch,
                                                        txtRichOrLean})
        colours::SetButtonFace(box);
    txtWOT->setEnabled(false);
    txtRichOrLean->clear();
    for (QLabel* label : {lblDelta_F, lblInputFlow, lblOutputFlow, lblTPangle, lblTPSVoltage, lblEngineSpeed})
        label->setText(QStringLiteral("0"));
    txtLoopMode->clear();
    colours::SetButtonFace(txtLoopMode);
    txtLoopMode->setEnabled(false);

    cmdOFFLINE->setEnabled(false);
    cmdOFFLINE->hide();
    cmdONLINE->setEnabled(true);
    cmdONLINE->show();
    cmdSaveChanges->setEnabled(true);

    tableLetter_ = selectedTable() == 0 ? cmd::OpenLoopTune1 : cmd::ClosedLoopTune1;
    openLoopTable_ = selectedTable() == 0 ? 1 : 0;
    clearActiveCell();
}

// --- live display ------------------------------------------------------------------

void frmGraphicalTune::Timer1_Timer()
{
    if (live_sample::HeartbeatTick(heartbeatCounter_))
        colours::SetBackground(txtHeartbeat,
                               live_sample::ToggledHeartbeat(colours::Background(txtHeartbeat), colours::ButtonFace()));
    if (!onLine_ || lost_)
        return;
    if (!tuner_link::RequestSample()) {
        connectionLost();
        return;
    }
    showSample(RxBuffer);
    if (logging_)
        writeLogLine();
}

void frmGraphicalTune::showSample(const QString& data)
{
    using namespace live_display;
    Indicate(txtWastedSpark, IgnitionTypeIs(WasteSparkIgnition));
    Indicate(txtRPMandWOT, RpmModeIs(RpmAndWotMode) && IsPlusStage);

    const LiveSample s = DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multisparkCounter_);

    const ActiveTune tune = ActiveTuneOf(data);
    txtLoopMode->setText(tune.text);
    ShowOnColour(txtLoopMode, tune.colour);

    lblTPSVoltage->setText(Volts(s.TPSVoltage));
    lblTPangle->setText(Angle(s.ThrottleAngle));
    lblInputFlow->setText(Flow(s.InputFlow));
    lblOutputFlow->setText(Flow(s.OutputFlow));

    Indicate(txtWindowSwitch, WindowSwitchLit(s.EngineSpeed, RpmSwitchOn, RpmSwitchOff, IsPlusStage,
                                              RpmModeIs(ShiftLightMode), openLoopTable_ == 1));

    lblEngineSpeed->setText(Rpm(s.EngineSpeed));
    lblMAFVoltage->setText(MafVolts(s.MAFInputVoltage));
    lblPCMVoltage->setText(MafVolts(s.OutputVoltage));

    markActiveCell(tuner::ActiveCell(s.MAFInputVoltage));

    Indicate(txtMultiSpark, s.Multispark);
    Indicate(txtWOT, s.WOT);
    txtWOT->setEnabled(s.WOT);

    txtRichOrLean->setEnabled(true);
    const RichLean richLean = TunerRichOrLean(s.FlowChange);
    txtRichOrLean->setText(richLean.text);
    if (richLean.buttonFace)
        colours::SetButtonFace(txtRichOrLean);
    else
        ShowOnColour(txtRichOrLean, richLean.colour);
    lblDelta_F->setText(Percent(s.FlowChange));

    const AirFuel airFuel = AirFuelText(s.AirFuelRatio);
    lblAirFuelRatio->setText(airFuel.text);
    ShowOnColour(lblAirFuelRatio, airFuel.colour);
}

void frmGraphicalTune::markActiveCell(int cell)
{
    if (cell == activeCell_)
        return;
    if (activeCell_ >= 0) {
        colours::SetBackground(deltas_[activeCell_], White);
        deltas_[activeCell_]->setFrame(true);
        colours::SetButtonFace(captions_[activeCell_]);
    }
    activeCell_ = cell;
    colours::SetBackground(deltas_[cell], ActiveCellYellow);
    deltas_[cell]->setFrame(false);
    ShowOnColour(captions_[cell], colours::Red);
}

void frmGraphicalTune::clearActiveCell()
{
    for (int i = 0; i <= LastCell; ++i) {
        colours::SetBackground(deltas_[i], White);
        deltas_[i]->setFrame(true);
        colours::SetButtonFace(captions_[i]);
    }
    activeCell_ = -1;
}

void frmGraphicalTune::connectionLost()
{
    lost_ = true;
    timer1_->stop();
    QPointer<frmGraphicalTune> self(this);
    tell(MsgIcon::Exclamation, QStringLiteral("Connection Error!"), mdlMonitor::LostConnectionText);
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    mdlMain::ShowNotConnected();
    if (!self)
        return;
    // Only QUIT is left.
    for (QWidget* control : content_->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(control) || qobject_cast<QScrollBar*>(control)
            || qobject_cast<QRadioButton*>(control) || qobject_cast<QComboBox*>(control))
            control->setEnabled(false);
    }
    for (QWidget* box : std::initializer_list<QWidget*>{txtRPMOFF, txtRPMON, txtRPMandWOT, txtWindowSwitch})
        box->setEnabled(false);
    cmdQUIT->setEnabled(true);
}

// --- data log ----------------------------------------------------------------------

void frmGraphicalTune::cmdDatalog_Click()
{
    if (!datalogArmed_) {
        datalogArmed_ = true;
        chooseLog();
        cmdDatalog->setText(QStringLiteral("STOP"));
        return;
    }
    datalogArmed_ = false;
    cmdDatalog->setText(QStringLiteral("START"));
    if (logging_)
        closeLog(true);
}

void frmGraphicalTune::chooseLog()
{
    QPointer<frmGraphicalTune> self(this);
    const QString path = services::dialogs().saveFileName(logDialog_);
    if (!self || path.isEmpty())
        return;
    logDialog_.defaultName = path;
    if (!log_.create(path, services::clock().currentDateTime(), DatalogColumns())) {
        tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
             QStringLiteral("File: ") + path + QStringLiteral(" could not be created.\r\n")
                 + QStringLiteral("The tuner will run without a data log."));
        return;
    }
    logging_ = true;
    // The box says ON only while a file really takes the lines.
    txtLOG->setText(QStringLiteral("ON"));
    ShowOnColour(txtLOG, colours::Yellow);
}

void frmGraphicalTune::closeLog(bool report)
{
    logging_ = false;
    colours::SetButtonFace(txtLOG);
    txtLOG->setText(QStringLiteral("OFF"));
    const QString path = log_.path();
    log_.close();
    if (report)
        tell(MsgIcon::Information, ProgramTitle, QStringLiteral("File: ") + path + QStringLiteral(" successfully written."));
}

void frmGraphicalTune::writeLogLine()
{
    const QStringList shown{lblMAFVoltage->text(), lblPCMVoltage->text(),   lblInputFlow->text(),
                            lblOutputFlow->text(), lblDelta_F->text(),      lblAirFuelRatio->text(),
                            lblTPSVoltage->text(), lblTPangle->text(),      lblEngineSpeed->text()};
    if (log_.append(datalog::DataLine(services::clock().currentDateTime().time(), shown)))
        return;
    // The disk refused the line: say so now rather than report success later.
    const QString path = log_.path();
    closeLog(false);
    tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
         QStringLiteral("File: ") + path + QStringLiteral(" could not be written.\r\n")
             + QStringLiteral("Data logging has stopped."));
}

void frmGraphicalTune::UserTimestamp()
{
    if (!logging_)
        return;
    QApplication::beep();
    if (!log_.append(UserTimestampLine(services::clock().currentDateTime().time()))) {
        const QString path = log_.path();
        closeLog(false);
        tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
             QStringLiteral("File: ") + path + QStringLiteral(" could not be written.\r\n")
                 + QStringLiteral("Data logging has stopped."));
    }
}

bool frmGraphicalTune::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && widget
            && (widget == this || isAncestorOf(widget))) {
            // The space bar stamps the log; it never presses the button that
            // happens to have the focus.
            if (!key->isAutoRepeat())
                UserTimestamp();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

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

// --- closing -----------------------------------------------------------------------

void frmGraphicalTune::cmdQUIT_Click()
{
    QPointer<frmGraphicalTune> self(this);
    if (!onLine_) {
        const MsgAnswer answer = services::dialogs().message(
            MsgIcon::Question, QStringLiteral("Exit Warning!"),
            QStringLiteral("Would you still like to quit?\r\n") + OffLineWarning, MsgButtons::YesNo);
        if (!self || answer != MsgAnswer::Yes)
            return;
    }
    LinkBusy = false;
    timer1_->stop();
    if (logging_) {
        closeLog(true);
        if (!self || closing_)
            return;
    }
    timer1_->stop();

    for (int i = 0; i <= LastCell; ++i) {
        sliders_[i]->setEnabled(false);
        deltas_[i]->setFrame(true);
    }
    onLine_ = false;
    options_[0]->setEnabled(true);
    options_[1]->setEnabled(true);
    cmdOFFLINE->setEnabled(false);
    cmdONLINE->setEnabled(true);
    colours::SetButtonFace(txtHeartbeat);

    release();
    mdlMain::HideChild(this);
    mdlMain::UnloadChild(this);
}

void frmGraphicalTune::release()
{
    closing_ = true;
    sliderEventsArmed_ = false;
    timer1_->stop();
    // A tune choice still open is left as cancelled, so its wait ends.
    if (QMainWindow* main = mdlMain::MainWindow())
        if (auto* selection = main->findChild<frmTableSaveSelection*>())
            selection->close();
    // Every line already written is in the file.
    log_.close();
    logging_ = false;
    mdlMain::SetControlsEnabled(GivenBackOnQuit, true);
    if (Connected) {
        mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
        mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, false);
    } else {
        mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, false);
        mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, true);
    }
    mdlMain::SetBusyPointer(false);
}

void frmGraphicalTune::closeEvent(QCloseEvent* event)
{
    // Closed without QUIT (the program's exit): the log is closed with what
    // it holds and the main window still gets its commands back.
    if (!closing_)
        release();
    event->accept();
}

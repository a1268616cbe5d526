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
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

using namespace mdlPublicVars;
using namespace tuner;

using namespace graphical_tune;


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

QScrollBar* frmGraphicalTune::VScroll1(int cell) const
{
    return sliders_.at(cell);
}

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
    InstalledInjectorSize = InjectorChoiceFor(*installed).size;
    showInjectorSize(cmbInjectors, InstalledInjectorSize);

    const std::optional<int> eec = readRegister(
        kind.eecInjectorRegister, QStringLiteral("Unable to load EEC Injectors from VentrixTM."));
    if (!eec)
        return;
    EecInjectorSize = InjectorChoiceFor(*eec).size;
    showInjectorSize(cmbEECInjectors, EecInjectorSize);

    const double ratio = register_map::InjectorRatio(EecInjectorSize, InstalledInjectorSize);
    const SizeRatio applied = RatioOfSizes(EecInjectorSize, InstalledInjectorSize);
    if (selectedTable() == 0) {
        InjectorRatioOL = ratio;
        LastAppliedRatioOL = applied;
    } else {
        InjectorRatioCL = ratio;
        LastAppliedRatioCL = applied;
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
        const int value = table_[EntryOf(i, sliderOffset_)];
        sliders_[i]->setValue(SliderPosition(value));
        showDelta(i, value);
        sliders_[i]->setSingleStep(1);
        sliders_[i]->setPageStep(5);
        sliders_[i]->setEnabled(true);
    }
}

void frmGraphicalTune::showDelta(int cell, int value)
{
    QLineEdit* box = deltas_[cell];
    box->setText(WholeNumber(value));
    colours::SetTextColour(box, value < 0 ? colours::Red : DarkGreen);
    // Beyond the slider's reach the slider sits at its end; the box, on
    // orange, still says what the entry holds.
    box->setToolTip(BeyondSlider(value)
                        ? QStringLiteral("The entry holds %1, beyond the slider's -100 to +100.").arg(value)
                        : QString());
    if (cell != activeCell_)
        colours::SetBackground(box, BeyondSlider(value) ? BeyondSliderOrange : White);
}

QColor frmGraphicalTune::restingBackground(int cell) const
{
    return BeyondSlider(table_[EntryOf(cell, sliderOffset_)]) ? BeyondSliderOrange : White;
}

void frmGraphicalTune::showInjectorSize(QComboBox* list, double size)
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
    if (refusalPending_) {
        // A refused write ended the move: the slider stays with what the unit holds.
        setSliderQuietly(cell, SliderPosition(table_[EntryOf(cell, sliderOffset_)]));
        return;
    }
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
    showDelta(cell, cur);

    for (const EntryWrite& write : SliderWrites(cell, prev, cur, next, sliderOffset_)) {
        const bool written = applyWrite(cell, write.address, write.value);
        if (!self || !written)
            return;
    }
    // Each entry's strip is repainted with its part of the grid.
    setBusy(false);
}

bool frmGraphicalTune::applyWrite(int cell, int address, int value)
{
    const qint16 old = table_[address];
    table_[address] = static_cast<qint16>(value);
    if (onLine_) {
        const char letter = tableLetter_;
        if (!held([&] { return tuner_link::WriteEntry(letter, address, value); })) {
            // The move ends here: an arrow held down steps no further.
            sliders_[cell]->endMove();
            const bool answered = readBackAfterFailure(address, old);
            if (address == EntryOf(cell, sliderOffset_))
                setSliderQuietly(cell, SliderPosition(table_[address]));
            refuseMove(cell, !answered);
            return false;
        }
    }
    graph_->redrawEntry(address);
    return true;
}

bool frmGraphicalTune::readBackAfterFailure(int address, qint16 confirmed)
{
    // A refused or unanswered write may or may not have been stored: the
    // window takes what the unit holds, read back once. No answer to that
    // either (within the live display's patience) means the link is lost; the
    // entry keeps the last value the unit confirmed.
    const char letter = tableLetter_;
    const std::optional<int> stored = held([&] { return tuner_link::ReadEntryByteAfterFailure(letter, address); });
    table_[address] = stored ? static_cast<qint16>(DecodeEntry(*stored)) : confirmed;
    graph_->redrawEntry(address);
    return stored.has_value();
}

void frmGraphicalTune::refuseMove(int cell, bool linkLost)
{
    dragPending_.fill(false);
    if (refusalPending_)
        return;
    refusalPending_ = true;
    refusalLinkLost_ = linkLost;
    refusalCell_ = cell;
    // Not from inside the slider's handler: a box opened there would take
    // the mouse release from a held arrow, and its repeat would go on.
    QTimer::singleShot(0, this, &frmGraphicalTune::reportRefusal);
}

void frmGraphicalTune::reportRefusal()
{
    if (!refusalPending_ || closing_)
        return;
    if (refusalCell_ >= 0)
        releaseSlider(refusalCell_);
    if (!tell(MsgIcon::Exclamation, WriteFailureTitle,
              QStringLiteral("Failed to Update Slider Value. Please try a manual update.")))
        return;
    refusalPending_ = false;
    refusalCell_ = -1;
    setBusy(false);
    if (refusalLinkLost_ && !lost_) {
        Connected = false;
        connectionLost();
    }
}

void frmGraphicalTune::releaseSlider(int cell)
{
    // The arrow or thumb pressed when the write was refused lets go now,
    // before the box takes the mouse.
    CellSlider* bar = sliders_[cell];
    bar->endMove();
    const QPointF inside(bar->width() / 2.0, bar->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, bar->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
}

void frmGraphicalTune::setSliderQuietly(int cell, int value)
{
    const bool armed = sliderEventsArmed_;
    sliderEventsArmed_ = false;
    sliders_[cell]->setValue(value);
    showDelta(cell, table_[EntryOf(cell, sliderOffset_)]);
    sliderEventsArmed_ = armed;
}

tuner::SliderValues frmGraphicalTune::sliderValues() const
{
    SliderValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = sliders_[i]->value();
    return values;
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
    mdlMain::GiveBackCommands(DeviceWindow::GraphicalTuner);
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

// The graphical tuner: SAVE TABLE, ON LINE and OFF LINE, the live display
// and the data log.
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
    const std::optional<QString> sample = tuner_link::RequestSample();
    if (!sample) {
        connectionLost();
        return;
    }
    showSample(*sample);
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
        colours::SetBackground(deltas_[activeCell_], restingBackground(activeCell_));
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
        colours::SetBackground(deltas_[i], restingBackground(i));
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

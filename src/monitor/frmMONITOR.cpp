#include "monitor/frmMONITOR.h"

#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Unit.h"
#include "monitor/VoltageOffset.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

using namespace mdlPublicVars;
using twips_layout::Label;

namespace {

// The title bar and border the window's height includes.
constexpr int FrameHeight = 375;

constexpr int TickMs = 50;
constexpr int LowestReadyCode = 1;
constexpr int HighestReadyCode = 3;
const QString StopOnProbeCode = QStringLiteral("03");

const QString ProgramTitle = QStringLiteral("KESTREL - VentrixTM Communications Software");

void Indicate(QWidget* square, bool active)
{
    if (active)
        colours::SetBackground(square, colours::Green);
    else
        colours::SetButtonFace(square);
}

} // namespace

frmMONITOR::frmMONITOR(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMONITOR"));
    setWindowTitle(QStringLiteral("VentrixTM - MONITOR"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    commonDialog1_.title = QStringLiteral("DATALOG FILENAME SELECT");
    commonDialog1_.defaultName = datalog::DefaultFileName;

    buildLayout();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(TickMs);
    timer1_->setTimerType(Qt::PreciseTimer);
    connect(timer1_, &QTimer::timeout, this, &frmMONITOR::Timer1_Timer);

    connect(cmdRUN, &QPushButton::clicked, this, &frmMONITOR::cmdRUN_Click);
    connect(cmdSTOP, &QPushButton::clicked, this, &frmMONITOR::cmdSTOP_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &frmMONITOR::cmdQUIT_Click);
    connect(cmdADVANCED, &QPushButton::clicked, this, &frmMONITOR::cmdADVANCED_Click);
    connect(cmdBASIC, &QPushButton::clicked, this, &frmMONITOR::cmdBASIC_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmMONITOR::HScroll1_Change);
    connect(HScrollFJOCAL, &QScrollBar::valueChanged, this, &frmMONITOR::HScrollFJOCAL_Change);

    setHeight(CompactHeight);
}

frmMONITOR::~frmMONITOR() = default;

// --- loading -----------------------------------------------------------------

void frmMONITOR::Form_Load()
{
    running_ = false;
    logging_ = false;
    offsetWritesEnabled_ = false;
    QPointer<frmMONITOR> self(this);

    if (Connected) {
        // Moving the slider stores the same value again.
        HScrollFJOCAL->setValue(FJOCalibration);
        Indicate(txtWastedSpark, mdlMonitor::IgnitionIsWasteSpark());
        ShowRunForConnection();

        mdlMain::SetBusyPointer(true);
        const QString reply = unit::Probe(unit::Use::MonitorOpening).value_or(QString());
        mdlMain::SetBusyPointer(false);
        lblRawDataStream->setText(reply);
        probeCode_ = reply.left(2);
        const int code = ProbeStatusOf(probeCode_);
        if (code >= LowestReadyCode && code <= HighestReadyCode) {
            mdlMain::SetCaption(QStringLiteral("Connected"));
            return;
        }
    }

    Connected = false;
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    cmdRUN->setEnabled(false);
    // Puts the main window into its not-connected look and tells the user.
    mdlMain::ConnectionGuard();
}

void frmMONITOR::ShowRunForConnection()
{
    txtMultiSpark->setEnabled(true);
    cmdRUN->show();
    cmdRUN->setEnabled(true);
    cmdSTOP->hide();
    cmdSTOP->setEnabled(false);
}

void frmMONITOR::ShowRunIdle()
{
    cmdRUN->show();
    cmdRUN->setEnabled(true);
    cmdSTOP->hide();
    cmdSTOP->setEnabled(false);
}

// --- running -------------------------------------------------------------------

void frmMONITOR::cmdRUN_Click()
{
    running_ = true;
    // The offset writes wait for the unit's own offset: until it has been
    // read, a slider change would overwrite a value never loaded.
    offsetWritesEnabled_ = false;
    QPointer<frmMONITOR> self(this);

    const MsgAnswer answer = services::dialogs().message(
        MsgIcon::Question, QStringLiteral("Data Logging Options"),
        QStringLiteral("Would you like to log data to a file?"), MsgButtons::YesNoCancel);
    if (!self || answer == MsgAnswer::Cancel)
        return;
    if (answer == MsgAnswer::Yes) {
        chooseLog();
        if (!self)
            return;
    }

    const std::optional<int> stored = unit::ReadRegister(unit::Use::MonitorOffset, cmd::VoltageOffset);
    if (!stored) {
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"),
             QStringLiteral("Unable to load Voltage Offset from VentrixTM. Please try again."));
        return;
    }
    const int offset = voltage_offset::FromRegisterByte(*stored);
    offsetWritesEnabled_ = true;
    const int onSlider = voltage_offset::ClampToSlider(offset);
    if (onSlider == offset) {
        // Moving the slider writes the same value back, as any change does.
        HScroll1->setValue(offset);
        if (!self)
            return;
    } else {
        // Beyond the slider's reach: it sits at its end, and the unit keeps
        // its own value rather than the end's.
        placeSlider(HScroll1, onSlider);
    }
    txtVoltageOffset->setText(voltage_offset::VoltsText(offset));
    lblRawDataStream->clear();

    multisparkCounter_ = 0;
    cmdRUN->hide();
    cmdRUN->setEnabled(false);
    cmdSTOP->show();
    cmdSTOP->setEnabled(true);
    colours::SetBackground(txtHeartbeat, colours::Green);
    heartbeatCounter_ = 0;
    timer1_->start();
    running_ = true;
}

void frmMONITOR::chooseLog()
{
    commonDialog1_.filter = QStringLiteral("Text Files (*.txt)");
    const QString path = services::dialogs().saveFileName(commonDialog1_);
    if (path.isEmpty())
        return;  // cancelled: the run goes on without a log
    commonDialog1_.defaultName = path;
    if (!log_.create(path, services::clock().currentDateTime())) {
        tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
             QStringLiteral("File: ") + path + QStringLiteral(" could not be created.\r\n")
                 + QStringLiteral("Monitoring will run without a data log."));
        return;
    }
    logging_ = true;
    colours::SetBackground(txtLOG, colours::Green);
}

void frmMONITOR::Timer1_Timer()
{
    // Ticks that reach the window inside a request's attempts start nothing.
    if (sampling_)
        return;
    if (live_sample::HeartbeatTick(heartbeatCounter_))
        colours::SetBackground(txtHeartbeat,
                               live_sample::ToggledHeartbeat(colours::Background(txtHeartbeat), colours::ButtonFace()));
    if (!running_)
        return;

    // A unit that stops answering is asked again up to 50 times, a second
    // each; meanwhile the window stays alive and says what it is waiting for,
    // and STOP or QUIT ends the waiting between two attempts.
    QPointer<frmMONITOR> self(this);
    sampling_ = true;
    QString data;
    const mdlMonitor::SampleRequest outcome = mdlMonitor::RequestLiveSampleStepwise(
        [&](int attempt) {
            if (!self || closing_ || !running_)
                return false;
            showWaiting(attempt);
            QCoreApplication::processEvents();
            return self && !closing_ && running_;
        },
        data);
    if (!self)
        return;
    sampling_ = false;
    if (closing_)
        return;
    if (waiting_)
        endWaiting();

    switch (outcome) {
    case mdlMonitor::SampleRequest::GivenUp:
        return;  // STOP or QUIT came first
    case mdlMonitor::SampleRequest::Unanswered:
        connectionLost();
        return;
    case mdlMonitor::SampleRequest::Answered:
        break;
    }
    ShowSample(data, DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multisparkCounter_));
    if (logging_)
        writeLogLine();
}

void frmMONITOR::showWaiting(int attempt)
{
    if (!waiting_) {
        waiting_ = true;
        // No second request may start inside this one's attempts, and no
        // offset write between them.
        timer1_->stop();
        HScroll1->setEnabled(false);
        colours::SetButtonFace(txtHeartbeat);
        setReadoutsStale(true);
        lblLinkStatus->show();
    }
    lblLinkStatus->setText(mdlMonitor::RetryingText(attempt));
}

void frmMONITOR::endWaiting()
{
    waiting_ = false;
    lblLinkStatus->hide();
    lblLinkStatus->clear();
    HScroll1->setEnabled(true);
    // The readouts stay grey until a fresh sample is shown.
    if (running_ && Connected && !lost_) {
        colours::SetBackground(txtHeartbeat, colours::Green);
        heartbeatCounter_ = 0;
        timer1_->start();
    }
}

void frmMONITOR::setReadoutsStale(bool stale)
{
    for (QLabel* readout : {lblMAFInputVoltage, lblOutputVoltage, lblDelta, lblInputFlow, lblOutputFlow, lblDelta_F,
                            lblAirFuelRatio, lblTPSVoltage, lblTPangle, lblEngineSpeed})
        readout->setEnabled(!stale);
    if (!stale)
        return;
    // The coloured readouts lose their colour: it described the last sample.
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QWidget* coloured : {static_cast<QWidget*>(lblAirFuelRatio), static_cast<QWidget*>(txtRichOrLean)}) {
        colours::SetButtonFace(coloured);
        colours::SetTextColour(coloured, grey);
    }
}

void frmMONITOR::ShowSample(const QString& data, const LiveSample& s)
{
    using namespace live_display;
    setReadoutsStale(false);
    lblRawDataStream->setText(data);
    lblMAFInputVoltage->setText(Volts(s.MAFInputVoltage));
    lblOutputVoltage->setText(Volts(s.OutputVoltage));
    lblDelta->setText(Percent(s.VoltageChange));
    Indicate(txtWOT, s.WOT);
    txtWOT->setEnabled(s.WOT);
    Indicate(txtWastedSpark, s.WasteSpark);
    Indicate(txtFlipChip, s.FlipChip);
    lblTPSVoltage->setText(Volts(s.TPSVoltage));
    lblTPangle->setText(Angle(s.ThrottleAngle));
    lblInputFlow->setText(Flow(s.InputFlow));
    lblOutputFlow->setText(Flow(s.OutputFlow));
    lblEngineSpeed->setText(Rpm(s.EngineSpeed));
    Indicate(txtMultiSpark, s.Multispark);

    txtRichOrLean->setEnabled(true);
    const RichLean richLean = RichOrLean(s.FlowChange);
    txtRichOrLean->setText(richLean.text);
    colours::SetReadout(txtRichOrLean, richLean.buttonFace ? colours::ButtonFace() : richLean.colour);
    lblDelta_F->setText(Percent(s.FlowChange));

    const AirFuel airFuel = AirFuelText(s.AirFuelRatio);
    lblAirFuelRatio->setText(airFuel.text);
    // The band's colour fills the readout, so the number reads at a glance.
    colours::SetReadout(lblAirFuelRatio, airFuel.colour);
}

void frmMONITOR::writeLogLine()
{
    const QStringList shown{lblMAFInputVoltage->text(), lblOutputVoltage->text(), lblDelta->text(),
                            lblInputFlow->text(),       lblOutputFlow->text(),    lblDelta_F->text(),
                            lblAirFuelRatio->text(),    lblTPSVoltage->text(),    lblTPangle->text(),
                            lblEngineSpeed->text()};
    if (log_.append(datalog::DataLine(services::clock().currentDateTime().time(), shown)))
        return;
    // The disk refused the line: say so now rather than report success at STOP.
    const QString path = log_.path();
    logging_ = false;
    colours::SetButtonFace(txtLOG);
    log_.close();
    tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
         QStringLiteral("File: ") + path + QStringLiteral(" could not be written.\r\n")
             + QStringLiteral("Data logging has stopped."));
}

void frmMONITOR::connectionLost()
{
    lost_ = true;
    timer1_->stop();
    QPointer<frmMONITOR> self(this);
    tell(MsgIcon::Exclamation, QStringLiteral("Connection Error!"),
         mdlMonitor::LostConnectionText);
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    mdlMain::ShowNotConnected();
    if (!self)
        return;
    // The log stays open until QUIT reports it.
    cmdRUN->setEnabled(false);
    cmdSTOP->setEnabled(false);
    cmdQUIT->setEnabled(true);
}

// --- stopping and leaving ------------------------------------------------------

void frmMONITOR::cmdSTOP_Click()
{
    running_ = false;
    offsetWritesEnabled_ = false;
    timer1_->stop();
    colours::SetButtonFace(txtHeartbeat);
    SerialPort& port = services::port();
    if (probeCode_ == StopOnProbeCode && Connected && port.isOpen()) {
        // A unit that answered 03 streams until told to stop: the bare stop
        // character, without a frame. The port is polled, so there are no
        // receive notifications to switch off.
        unit::WriteRawStop();
    }
    mdlMain::SetBusyPointer(false);
    QPointer<frmMONITOR> self(this);
    if (logging_)
        closeLog();
    if (self)
        ShowRunIdle();
}

void frmMONITOR::closeLog()
{
    logging_ = false;
    colours::SetButtonFace(txtLOG);
    const QString path = log_.path();
    log_.close();
    tell(MsgIcon::Information, ProgramTitle,
         QStringLiteral("File: ") + path + QStringLiteral(" successfully written."));
}

void frmMONITOR::cmdQUIT_Click()
{
    running_ = false;
    offsetWritesEnabled_ = false;
    timer1_->stop();
    // The port is polled: there are no receive notifications to switch off.
    mdlMain::SetBusyPointer(false);
    QPointer<frmMONITOR> self(this);
    if (logging_)
        closeLog();
    if (!self || closing_)
        return;
    ClearMonitorDisplay();
    release();
    mdlMain::HideChild(this);
    mdlMain::UnloadChild(this);
}

void frmMONITOR::ClearMonitorDisplay()
{
    lblRawDataStream->clear();
    for (QLabel* volts : {lblMAFInputVoltage, lblOutputVoltage, lblTPSVoltage})
        volts->setText(QStringLiteral("0.000"));
    for (QLabel* percent : {lblDelta, lblDelta_F, lblTPangle})
        percent->setText(QStringLiteral("00.0"));
    lblInputFlow->setText(QStringLiteral("0"));
    lblOutputFlow->setText(QStringLiteral("0"));
    for (QLineEdit* box : {txtWOT, txtRichOrLean}) {
        box->clear();
        colours::SetButtonFace(box);
        box->setEnabled(false);
    }
    colours::SetButtonFace(txtLOG);
    colours::SetButtonFace(txtMultiSpark);
}

void frmMONITOR::release()
{
    closing_ = true;
    running_ = false;
    offsetWritesEnabled_ = false;
    timer1_->stop();
    log_.close();
    logging_ = false;
    mdlMain::GiveBackCommands(DeviceWindow::LiveMonitor);
    if (!Connected)
        mdlMain::ShowNotConnected();
}

void frmMONITOR::closeEvent(QCloseEvent* event)
{
    // Closed without QUIT (the program's exit): the log is closed with what
    // it holds and the main window still gets its commands back.
    if (!closing_)
        release();
    event->accept();
}

// --- sizes ----------------------------------------------------------------------

void frmMONITOR::cmdADVANCED_Click()
{
    setHeight(FullHeight);
    cmdADVANCED->setEnabled(false);
    cmdADVANCED->hide();
    cmdBASIC->setEnabled(true);
    cmdBASIC->show();
}

void frmMONITOR::cmdBASIC_Click()
{
    setHeight(CompactHeight);
    cmdADVANCED->setEnabled(true);
    cmdADVANCED->show();
    cmdBASIC->setEnabled(false);
    cmdBASIC->hide();
}

void frmMONITOR::setHeight(int twips)
{
    twips_layout::SetFixedClientSize(this, ClientWidth, twips - FrameHeight);
    // The indicator squares fill their own background: the area the window
    // grows into is painted afresh, squares included.
    update();
    for (QWidget* square : {txtWOT, txtWastedSpark, txtMultiSpark, txtFlipChip})
        square->update();
}

// --- sliders --------------------------------------------------------------------

void frmMONITOR::placeSlider(QScrollBar* slider, int value)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

void frmMONITOR::HScroll1_Change()
{
    const int offset = HScroll1->value();
    if (offsetWritesEnabled_) {
        // After the link went down nothing more goes to the unit from here.
        if (lost_ || !Connected || !services::port().isOpen()) {
            offsetWriteFailed();
            return;
        }
        // Nothing goes out between the attempts of a sample request.
        if (sampling_) {
            offsetWriteFailed();
            return;
        }
        // Sampling pauses around the write and resumes only if it was running:
        // a write never starts the sampling itself.
        const bool ticking = timer1_->isActive();
        timer1_->stop();
        const bool written = unit::WriteRegister(unit::Use::MonitorOffset, cmd::VoltageOffset, offset & 0xFF);
        if (ticking)
            timer1_->start();
        if (!written) {
            offsetWriteFailed();
            return;
        }
    }
    txtVoltageOffset->setText(voltage_offset::VoltsText(offset));
}

void frmMONITOR::offsetWriteFailed()
{
    // A box opened while the mouse holds one of the slider's arrows would
    // leave the arrow stepping behind it, each step another failed write:
    // the slider lets go first.
    HScroll1->setEnabled(false);
    HScroll1->setEnabled(true);
    tell(MsgIcon::Exclamation, QStringLiteral("Write Failure!"),
         QStringLiteral("Failed to Update Voltage Offset. Please try again."));
}

void frmMONITOR::HScrollFJOCAL_Change()
{
    FJOCalibration = static_cast<qint16>(HScrollFJOCAL->value());
    startup_settings::Write(startup_settings::FjoCalibration, QString::number(FJOCalibration));
}

// --- messages -------------------------------------------------------------------

bool frmMONITOR::tell(MsgIcon icon, const QString& title, const QString& text)
{
    QPointer<frmMONITOR> self(this);
    services::dialogs().message(icon, title, text);
    return !self.isNull();
}

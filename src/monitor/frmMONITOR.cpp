#include "monitor/frmMONITOR.h"

#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "monitor/LiveLink.h"
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

constexpr int ProbeAttempts = 10;
constexpr int ProbeTimeoutMs = 25000;
constexpr int OffsetAttempts = 25;
constexpr int OffsetTimeoutMs = 10000;
constexpr int TickMs = 50;
constexpr int LowestReadyCode = 1;
constexpr int HighestReadyCode = 3;
const QString StopOnProbeCode = QStringLiteral("03");

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

    buildLayout();
    readout_ = LiveReadout({.mafVolts = lblMAFInputVoltage,
                            .pcmVolts = lblOutputVoltage,
                            .voltageChange = lblDelta,
                            .inputFlow = lblInputFlow,
                            .outputFlow = lblOutputFlow,
                            .flowChange = lblDelta_F,
                            .airFuel = lblAirFuelRatio,
                            .tpsVolts = lblTPSVoltage,
                            .throttleAngle = lblTPangle,
                            .engineSpeed = lblEngineSpeed,
                            .richLean = txtRichOrLean,
                            .wot = txtWOT,
                            .multispark = txtMultiSpark,
                            .heartbeat = txtHeartbeat});
    recorder_ = new datalog::Recorder({.defaultName = datalog::DefaultFileName,
                                       .columns = datalog::ColumnNames(),
                                       .withoutLog = QStringLiteral("Monitoring will run without a data log."),
                                       .tell = {}},
                                      this);
    connect(recorder_, &datalog::Recorder::loggingChanged, this,
            [this](bool logging) { Indicate(txtLOG, logging); });

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
    offsetWritesEnabled_ = false;

    if (Connected) {
        // Moving the slider stores the same value again.
        HScrollFJOCAL->setValue(FJOCalibration);
        Indicate(txtWastedSpark, mdlMonitor::IgnitionIsWasteSpark());
        ShowRunForConnection();

        RxBuffer.clear();
        mdlMain::SetBusyPointer(true);
        SendFrame(cmd::Probe(), ProbeAttempts, ProbeTimeoutMs);
        mdlMain::SetBusyPointer(false);
        lblRawDataStream->setText(RxBuffer);
        probeCode_ = RxBuffer.left(2);
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
        recorder_->start();
        if (!self)
            return;
    }

    RxBuffer.clear();
    if (!SendFrame(cmd::ReadRegister(cmd::VoltageOffset), OffsetAttempts, OffsetTimeoutMs)) {
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"),
             QStringLiteral("Unable to load Voltage Offset from VentrixTM. Please try again."));
        return;
    }
    const int offset = voltage_offset::FromRegisterByte(cmd::HexValue(RxBuffer, cmd::reply::RegisterValue));
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
    readout_.startHeartbeat();
    timer1_->start();
    running_ = true;
}

void frmMONITOR::Timer1_Timer()
{
    // Ticks that reach the window inside a request's attempts start nothing.
    if (sampling_)
        return;
    readout_.heartbeatTick();
    if (!running_)
        return;

    // A unit that stops answering is asked again up to 50 times, a second
    // each; meanwhile the window stays alive and says what it is waiting for,
    // and STOP or QUIT ends the waiting between two attempts.
    QPointer<frmMONITOR> self(this);
    sampling_ = true;
    const mdlMonitor::SampleRequest outcome = mdlMonitor::RequestLiveSampleStepwise([&](int attempt) {
        if (!self || closing_ || !running_)
            return false;
        showWaiting(attempt);
        QCoreApplication::processEvents();
        return self && !closing_ && running_;
    });
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
    const QString data = RxBuffer;
    ShowSample(data, DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multisparkCounter_));
    recorder_->record(readout_.shownValues());
}

void frmMONITOR::showWaiting(int attempt)
{
    if (!waiting_) {
        waiting_ = true;
        // No second request may start inside this one's attempts, and no
        // offset write between them.
        timer1_->stop();
        HScroll1->setEnabled(false);
        readout_.stopHeartbeat();
        readout_.setStale(true);
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
        readout_.startHeartbeat();
        timer1_->start();
    }
}

void frmMONITOR::ShowSample(const QString& data, const LiveSample& s)
{
    lblRawDataStream->setText(data);
    readout_.show(s);
    Indicate(txtWastedSpark, s.WasteSpark);
    Indicate(txtFlipChip, s.FlipChip);
}

void frmMONITOR::connectionLost()
{
    lost_ = true;
    timer1_->stop();
    QPointer<frmMONITOR> self(this);
    live_link::ReportLost();
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
    readout_.stopHeartbeat();
    SerialPort& port = services::port();
    if (probeCode_ == StopOnProbeCode && Connected && port.isOpen()) {
        // A unit that answered 03 streams until told to stop: the bare stop
        // character, without a frame. The port is polled, so there are no
        // receive notifications to switch off.
        const QByteArray stop(1, cmd::RawStop);
        port.write(stop);
        LastFrame = QString::fromLatin1(stop);
    }
    mdlMain::SetBusyPointer(false);
    QPointer<frmMONITOR> self(this);
    recorder_->stop();
    if (self)
        ShowRunIdle();
}

void frmMONITOR::cmdQUIT_Click()
{
    running_ = false;
    offsetWritesEnabled_ = false;
    timer1_->stop();
    // The port is polled: there are no receive notifications to switch off.
    mdlMain::SetBusyPointer(false);
    QPointer<frmMONITOR> self(this);
    recorder_->stop();
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
    recorder_->close();
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
        const QString digits = voltage_offset::Digits(offset);
        RxBuffer.clear();
        // Sampling pauses around the write and resumes only if it was running:
        // a write never starts the sampling itself.
        int written = 0;
        {
            const live_link::TimerHold hold(timer1_);
            written = SendFrame(cmd::WriteRegister(cmd::VoltageOffset, offset & 0xFF), OffsetAttempts,
                                OffsetTimeoutMs);
        }
        if (!written || !voltage_offset::EchoMatches(RxBuffer, digits)) {
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

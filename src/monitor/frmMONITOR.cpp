#include "monitor/frmMONITOR.h"

#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "monitor/mdlMonitor.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

using namespace mdlPublicVars;

namespace {

// The title bar and border the window's height includes.
constexpr int FrameHeight = 375;

constexpr int ProbeAttempts = 10;
constexpr int ProbeTimeoutMs = 25000;
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

    sampling_ = new MonitorSampling(readout_, lblLinkStatus, HScroll1, [this] { return running_ && !closing_; }, this);
    connect(sampling_, &MonitorSampling::sampled, this, [this](const QString& data, const LiveSample& sample) {
        ShowSample(data, sample);
        recorder_->record(readout_.shownValues());
    });
    connect(sampling_, &MonitorSampling::linkLost, this, &frmMONITOR::lockDown);
    offset_ = new MonitorOffset(HScroll1, txtVoltageOffset, sampling_->timer(),
                                [this] { return !sampling_->lost() && !sampling_->sampling(); }, this);

    connect(cmdRUN, &QPushButton::clicked, this, &frmMONITOR::cmdRUN_Click);
    connect(cmdSTOP, &QPushButton::clicked, this, &frmMONITOR::cmdSTOP_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &frmMONITOR::cmdQUIT_Click);
    connect(cmdADVANCED, &QPushButton::clicked, this, &frmMONITOR::cmdADVANCED_Click);
    connect(cmdBASIC, &QPushButton::clicked, this, &frmMONITOR::cmdBASIC_Click);
    connect(HScrollFJOCAL, &QScrollBar::valueChanged, this, &frmMONITOR::HScrollFJOCAL_Change);

    setHeight(CompactHeight);
}

frmMONITOR::~frmMONITOR() = default;

// --- loading -----------------------------------------------------------------

void frmMONITOR::Form_Load()
{
    running_ = false;
    offset_->setWritesEnabled(false);

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
    offset_->setWritesEnabled(false);
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

    if (!offset_->load() || !self)
        return;
    lblRawDataStream->clear();

    sampling_->resetMultispark();
    cmdRUN->hide();
    cmdRUN->setEnabled(false);
    cmdSTOP->show();
    cmdSTOP->setEnabled(true);
    sampling_->start();
    running_ = true;
}

void frmMONITOR::Timer1_Timer()
{
    sampling_->tick();
}

void frmMONITOR::ShowSample(const QString& data, const LiveSample& s)
{
    lblRawDataStream->setText(data);
    readout_.show(s);
    Indicate(txtWastedSpark, s.WasteSpark);
    Indicate(txtFlipChip, s.FlipChip);
}

void frmMONITOR::lockDown()
{
    // The log stays open until QUIT reports it.
    cmdRUN->setEnabled(false);
    cmdSTOP->setEnabled(false);
    cmdQUIT->setEnabled(true);
}

// --- stopping and leaving ------------------------------------------------------

void frmMONITOR::cmdSTOP_Click()
{
    running_ = false;
    offset_->setWritesEnabled(false);
    sampling_->stop();
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
    offset_->setWritesEnabled(false);
    sampling_->stop();
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
    offset_->setWritesEnabled(false);
    sampling_->stop();
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

// --- FJO calibration --------------------------------------------------------------------

void frmMONITOR::HScrollFJOCAL_Change()
{
    FJOCalibration = static_cast<qint16>(HScrollFJOCAL->value());
    startup_settings::Write(startup_settings::FjoCalibration, QString::number(FJOCalibration));
}

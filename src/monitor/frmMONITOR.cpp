#include "monitor/frmMONITOR.h"

#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Unit.h"
#include "monitor/LinkStatusLine.h"
#include "monitor/SampleRateChoice.h"
#include "monitor/VoltageOffset.h"
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
using twips_layout::Label;

namespace {

// The title bar and border the window's height includes.
constexpr int FrameHeight = 375;

constexpr int LowestReadyCode = 1;
constexpr int HighestReadyCode = 3;
const QString StopOnProbeCode = QStringLiteral("03");

// Layout sizes (twips).
constexpr int ButtonWidth = 1635;
constexpr int ButtonHeight = 495;
constexpr int Square = 435;
constexpr int ValueWidth = 1335;
constexpr int ValueHeight = 375;

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
            [this](bool logging) { colours::Indicate(txtLOG, logging); });

    sampling_ = new MonitorSampling(
        readout_, lblLinkStatus, HScroll1, [this] { return running_ && !closing_; }, this);
    connect(sampling_, &MonitorSampling::drawn, this, &frmMONITOR::ShowSample);
    // Every sample is logged as the readouts show it, drawn or not.
    connect(sampling_, &MonitorSampling::sampled, this, [this](const QString&, const LiveSample& sample) {
        if (recorder_->isLogging())
            recorder_->record(datalog::ShownValues(sample));
    });
    connect(sampling_, &MonitorSampling::linkLost, this, &frmMONITOR::linkLost);
    connect(sampling_, &MonitorSampling::gapNoted, recorder_, &datalog::Recorder::note);
    healing_ = new live_link::Healing(lblLinkStatus, cmdCancelReconnect, this);
    connect(healing_, &live_link::Healing::back, this, &frmMONITOR::linkBack);
    connect(healing_, &live_link::Healing::givenUp, this, &frmMONITOR::lockDown);
    offset_ = new MonitorOffset(
        HScroll1, txtVoltageOffset, sampling_->timer(), [this] { return !sampling_->lost() && !sampling_->sampling(); },
        this);

    connect(cmdRUN, &QPushButton::clicked, this, &frmMONITOR::cmdRUN_Click);
    connect(cmdSTOP, &QPushButton::clicked, this, &frmMONITOR::cmdSTOP_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &frmMONITOR::cmdQUIT_Click);
    connect(cmdADVANCED, &QPushButton::clicked, this, &frmMONITOR::cmdADVANCED_Click);
    connect(cmdBASIC, &QPushButton::clicked, this, &frmMONITOR::cmdBASIC_Click);
    connect(HScrollFJOCAL, &QScrollBar::valueChanged, this, &frmMONITOR::HScrollFJOCAL_Change);

    setHeight(CompactHeight);
}

frmMONITOR::~frmMONITOR() = default;

// --- layout ------------------------------------------------------------------

void frmMONITOR::buildLayout()
{
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    const auto value = [&](const char* name, const char* text, int left, int top, int width = ValueWidth) {
        QLabel* label =
            Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, ValueHeight);
        label->setFont(big);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    const auto caption = [&](const char* name, const char* text, int left, int top, int width = 2300) {
        return Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, 285);
    };
    const auto button = [&](const char* name, const char* text, int top) {
        return twips_layout::Button(this, QString::fromLatin1(name), QString::fromLatin1(text), 180, top, ButtonWidth,
                                    ButtonHeight);
    };
    const auto square = [&](const char* name, int left, int top) {
        QLineEdit* box = twips_layout::TextBox(this, QString::fromLatin1(name), QString(), left, top, Square, Square);
        box->setReadOnly(true);
        box->setEnabled(false);
        box->setFocusPolicy(Qt::NoFocus);
        colours::SetButtonFace(box);
        return box;
    };

    // Voltages.
    caption("Label3", "VOLTAGE FROM MAF", 240, 120);
    lblMAFInputVoltage = value("lblMAFInputVoltage", "0.000", 240, 420);
    caption("Label5", "[volts]", 1620, 480, 800);
    caption("Label4", "VOLTAGE TO PCM", 2700, 120);
    lblOutputVoltage = value("lblOutputVoltage", "0.000", 2700, 420);
    caption("Label6", "[volts]", 4080, 480, 800);
    caption("Label12", "VOLTAGE CHANGE", 5460, 120);
    lblDelta = value("lblDelta", "00.0", 5460, 420);
    caption("Label13", "%", 6840, 480, 300);

    // Flows.
    caption("Label18", "MEASURED MASS FLOW", 240, 960);
    lblInputFlow = value("lblInputFlow", "0", 240, 1260);
    caption("Label11", "[kg/hr]", 1620, 1320, 800);
    caption("Label16", "CORRECTED MASS FLOW", 2700, 960);
    lblOutputFlow = value("lblOutputFlow", "0", 2700, 1260);
    caption("Label10", "[kg/hr]", 4080, 1320, 800);
    caption("Label2", "FLOW CHANGE", 5460, 960, 1500);
    lblDelta_F = value("lblDelta_F", "00.0", 5460, 1260);
    caption("Label1", "%", 6840, 1320, 300);
    caption("Label22", "AIR/FUEL", 7200, 720, 1000);
    caption("Label21", "CHANGE", 7200, 960, 1000);
    txtRichOrLean = twips_layout::TextBox(this, QStringLiteral("txtRichOrLean"), QString(), 7200, 1260, 855, 375);
    txtRichOrLean->setReadOnly(true);
    txtRichOrLean->setAlignment(Qt::AlignCenter);
    txtRichOrLean->setFocusPolicy(Qt::NoFocus);
    txtRichOrLean->setEnabled(false);
    colours::SetButtonFace(txtRichOrLean);

    // Controls.
    caption("Label15", "CONTROLS", 420, 2040, 1400);
    cmdRUN = button("cmdRUN", "START", 2340);
    cmdRUN->setEnabled(false);
    cmdSTOP = button("cmdSTOP", "STOP", 2340);
    cmdSTOP->hide();
    cmdSTOP->setEnabled(false);
    cmdQUIT = button("cmdQUIT", "QUIT", 2880);
    cmdADVANCED = button("cmdADVANCED", "ADVANCED >>", 3420);
    cmdBASIC = button("cmdBASIC", "BASIC <<", 3420);
    cmdBASIC->hide();
    cmdBASIC->setEnabled(false);

    // Air/fuel, engine speed, throttle.
    caption("Label27", "AIR/FUEL RATIO", 2160, 2340);
    lblAirFuelRatio = value("lblAirFuelRatio", "XXX", 2160, 2640, 1200);
    lblAirFuelRatio->setAlignment(Qt::AlignCenter);
    colours::SetReadout(lblAirFuelRatio, colours::Red);
    caption("Label25", ":1", 3400, 2700, 300);
    caption("Label20", "(REQUIRES WBO2)", 2160, 3060, 1800);
    caption("Label26", "ENGINE SPEED", 2100, 3300);
    lblEngineSpeed = value("lblEngineSpeed", "0", 2100, 3600);
    caption("Label24", "[rpm]", 3480, 3660, 800);
    caption("Label8", "TPS INPUT VOLTAGE", 4800, 2040);
    lblTPSVoltage = value("lblTPSVoltage", "0.000", 4800, 2340);
    caption("Label9", "[volts]", 6180, 2400, 800);
    caption("Label19", "THROTTLE PLATE ANGLE", 5040, 3060);
    lblTPangle = value("lblTPangle", "00.0", 5040, 3360);
    caption("Label7", "[deg]", 6420, 3420, 700);

    caption("Label23", "LOG", 7380, 2040, 800);
    txtLOG = square("txtLOG", 7380, 2340);
    caption("Label14", "ACTIVITY", 7200, 3180, 1000);
    txtHeartbeat = square("txtHeartbeat", 7380, 3480);

    // Full size only: the MAF offset, the FJO calibration, the raw data.
    caption("Label32", "MAF OFFSET", 1080, 4620, 1150);
    txtVoltageOffset =
        twips_layout::TextBox(this, QStringLiteral("txtVoltageOffset"), QStringLiteral("0.000"), 2280, 4575, 855, 315);
    txtVoltageOffset->setReadOnly(true);
    // A value shown, not typed: it takes no focus (which STOP hiding itself
    // would otherwise hand it, text selected).
    txtVoltageOffset->setFocusPolicy(Qt::NoFocus);
    caption("Label33", "[volts]", 3180, 4620, 800);
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(Twips(4440, this), Twips(4560, this), Twips(3600, this), Twips(255, this));
    HScroll1->setRange(voltage_offset::SliderMinimum, voltage_offset::SliderMaximum);
    HScroll1->setPageStep(10);
    HScroll1->setSingleStep(1);
    // A change is the value the user lets go of, not every step of a drag.
    HScroll1->setTracking(false);
    caption("Label31", "-0.5V", 4440, 4860, 600);
    caption("Label29", "0.0V", 6000, 4860, 600)->setAlignment(Qt::AlignHCenter);
    caption("Label30", "+0.5V", 7440, 4860, 600)->setAlignment(Qt::AlignRight);

    caption("Label37", "FJO CALIBRATION", 1320, 5460);
    HScrollFJOCAL = new QScrollBar(Qt::Horizontal, this);
    HScrollFJOCAL->setObjectName(QStringLiteral("HScrollFJOCAL"));
    HScrollFJOCAL->setGeometry(Twips(1320, this), Twips(5760, this), Twips(5640, this), Twips(255, this));
    HScrollFJOCAL->setRange(-10, 10);
    HScrollFJOCAL->setPageStep(1);
    HScrollFJOCAL->setTracking(false);
    caption("Label28", "DECREASE", 1320, 6060, 1200);
    caption("Label35", "0", 3840, 6060, 300)->setAlignment(Qt::AlignHCenter);
    caption("Label36", "INCREASE", 5760, 6060, 1200)->setAlignment(Qt::AlignRight);
    caption("Label34", "** ADJUST SLIDER UNTIL MONITOR MATCHES FJO OUTPUT WHEN A/F > 14.7:1", 120, 6360,
            ClientWidth - 240);

    caption("Label17", "RAW DATA STREAM", 300, 6780);
    lblRawDataStream = Label(this, QStringLiteral("lblRawDataStream"), QString(), 300, 7080, 6400, 285);
    lblRawDataStream->setTextFormat(Qt::PlainText);
    AddSampleRateChoice(this, 300, 7470);

    // Four status squares without labels of their own: kept up to date on
    // every sample but never shown, since unlabelled they tell the user nothing.
    txtWOT = square("txtWOT", 6960, 6840);
    txtWastedSpark = square("txtWastedSpark", 7440, 6840);
    txtMultiSpark = square("txtMultiSpark", 6960, 7320);
    txtFlipChip = square("txtFlipChip", 7440, 7320);
    for (QWidget* hidden : {txtWOT, txtWastedSpark, txtMultiSpark, txtFlipChip})
        hidden->hide();

    // Shown only while a silent unit's attempts run out or a lost link is
    // looked for again, along the bottom of the compact window; the Cancel
    // beside it stops the looking (the line, then its Cancel: left, top,
    // width, height; bold and centred).
    const LinkStatusLine status(this, {180, 3990, ClientWidth - 1380, 270, ClientWidth - 1080, 3945, 900, 330, true});
    lblLinkStatus = status.label();
    cmdCancelReconnect = status.cancel();
}

// --- loading -----------------------------------------------------------------

void frmMONITOR::Form_Load()
{
    running_ = false;
    offset_->setWritesEnabled(false);

    if (Connected) {
        // Moving the slider stores the same value again.
        HScrollFJOCAL->setValue(FJOCalibration);
        colours::Indicate(txtWastedSpark, mdlMonitor::IgnitionIsWasteSpark());
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
    ShowRunIdle();
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

    const MsgAnswer answer =
        services::dialogs().message(MsgIcon::Question, QStringLiteral("Data Logging Options"),
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
    sampling_->startRun();
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
    colours::Indicate(txtWastedSpark, s.WasteSpark);
    colours::Indicate(txtFlipChip, s.FlipChip);
}

void frmMONITOR::linkLost()
{
    // The readouts are grey and ACTIVITY stopped (the sampling saw to it);
    // a run goes on, and STOP still ends it and closes its log.
    cmdRUN->setEnabled(false);
    if (!sampling_->silenceReported()) // said already while the attempts ran
        recorder_->note(datalog::LinkLostNote);
    healing_->begin();
}

void frmMONITOR::linkBack()
{
    recorder_->note(datalog::LinkBackNote);
    sampling_->resume();
    if (!running_)
        ShowRunIdle();
}

void frmMONITOR::lockDown()
{
    // The log stays open until STOP or QUIT reports it.
    cmdRUN->setEnabled(false);
    cmdSTOP->setEnabled(running_);
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
        unit::WriteRawStop();
    }
    mdlMain::SetBusyPointer(false);
    QPointer<frmMONITOR> self(this);
    recorder_->stop();
    if (!self)
        return;
    ShowRunIdle();
    // Without the unit there is nothing to start until it is back.
    if (!Connected)
        cmdRUN->setEnabled(false);
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
    healing_->stop();
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

#include "monitor/frmMONITOR.h"

#include "app/mdlMain.h"
#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "monitor/VoltageOffset.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "platform/Twips.h"
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

constexpr int ClientWidth = 8310;
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

constexpr int ButtonWidth = 1635;
constexpr int ButtonHeight = 495;
constexpr int Square = 435;
constexpr int ValueWidth = 1335;
constexpr int ValueHeight = 375;

const QString ProgramTitle = QStringLiteral("KESTREL - VentrixTM Communications Software");

// The main-window commands QUIT gives back.
const QStringList GivenBackOnQuit = {
    QStringLiteral("mnuMemory"),        QStringLiteral("mnuVentrixRunItem"), QStringLiteral("mnuResetItem"),
    QStringLiteral("mnuDiagnostics"),   QStringLiteral("mnuGraphicalTunerItem"),
    QStringLiteral("cmdMemoryModify"),  QStringLiteral("cmdAccuracyTest"),   QStringLiteral("cmdVentrixRun"),
    QStringLiteral("cmdGraphicalTune")};

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

void frmMONITOR::buildLayout()
{
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    const auto value = [&](const char* name, const char* text, int left, int top, int width = ValueWidth) {
        QLabel* label = Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, ValueHeight);
        label->setFont(big);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    const auto caption = [&](const char* name, const char* text, int left, int top, int width = 2300) {
        return Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, 285);
    };
    const auto button = [&](const char* name, const char* text, int top) {
        return twips_layout::Button(this, QString::fromLatin1(name), QString::fromLatin1(text), 180, top,
                                    ButtonWidth, ButtonHeight);
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
    txtVoltageOffset = twips_layout::TextBox(this, QStringLiteral("txtVoltageOffset"), QStringLiteral("0.000"),
                                             2280, 4575, 855, 315);
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

    // Four status squares without labels of their own: kept up to date on
    // every sample but never shown, since unlabelled they tell the user nothing.
    txtWOT = square("txtWOT", 6960, 6840);
    txtWastedSpark = square("txtWastedSpark", 7440, 6840);
    txtMultiSpark = square("txtMultiSpark", 6960, 7320);
    txtFlipChip = square("txtFlipChip", 7440, 7320);
    for (QWidget* hidden : {txtWOT, txtWastedSpark, txtMultiSpark, txtFlipChip})
        hidden->hide();

    // Shown only while a silent unit's attempts run out, along the bottom of
    // the compact window.
    lblLinkStatus = Label(this, QStringLiteral("lblLinkStatus"), QString(), 180, 3990, ClientWidth - 360, 270);
    lblLinkStatus->setTextFormat(Qt::PlainText);
    lblLinkStatus->setAlignment(Qt::AlignCenter);
    QFont bold = lblLinkStatus->font();
    bold.setBold(true);
    lblLinkStatus->setFont(bold);
    colours::SetReadout(lblLinkStatus, colours::Yellow);
    lblLinkStatus->hide();
}

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
        chooseLog();
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
        const QByteArray stop(1, cmd::RawStop);
        port.write(stop);
        LastFrame = QString::fromLatin1(stop);
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
    mdlMain::SetControlsEnabled(GivenBackOnQuit, true);
    if (Connected)
        mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
    else
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
        const bool ticking = timer1_->isActive();
        timer1_->stop();
        const int written = SendFrame(cmd::WriteRegister(cmd::VoltageOffset, offset & 0xFF), OffsetAttempts,
                                      OffsetTimeoutMs);
        if (ticking)
            timer1_->start();
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

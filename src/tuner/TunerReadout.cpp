#include "tuner/TunerReadout.h"

#include "monitor/Datalog.h"
#include "monitor/DatalogRecorder.h"
#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TunerLive.h"
#include "tuner/TunerSession.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace mdlPublicVars;
using namespace tuner;
using namespace graphical_tune;

TunerReadout::TunerReadout(GraphicalTuneControls& controls, TunerSession& session, QWidget* window)
    : QObject(window), c_(controls), session_(session), window_(window)
{
    // The space bar stamps the log wherever the focus is in the tuner.
    qApp->installEventFilter(this);
    datalog::RecorderSetup setup;
    setup.defaultName = DatalogDefaultName;
    setup.columns = DatalogColumns();
    setup.withoutLog = QStringLiteral("The tuner will run without a data log.");
    // Its boxes hold the live timer off meanwhile.
    setup.tell = [this](MsgIcon icon, const QString& title, const QString& text) { session_.tell(icon, title, text); };
    recorder_ = new datalog::Recorder(std::move(setup), this);
    connect(recorder_, &datalog::Recorder::loggingChanged, this, &TunerReadout::showLogging);
}

void TunerReadout::take(const QString& data)
{
    data_ = data;
    taken_ = DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multispark_);
}

double TunerReadout::show(bool openLoopTable)
{
    using namespace live_display;
    Indicate(c_.txtWastedSpark, IgnitionTypeIs(WasteSparkIgnition));
    Indicate(c_.txtRPMandWOT, RpmModeIs(RpmAndWotMode) && IsPlusStage);

    const LiveSample& s = taken_;
    for (QLabel* label : readoutLabels())
        label->setEnabled(true);

    const ActiveTune tune = ActiveTuneOf(data_);
    c_.txtLoopMode->setText(tune.text);
    ShowOnColour(c_.txtLoopMode, tune.colour);

    c_.lblTPSVoltage->setText(Volts(s.TPSVoltage));
    c_.lblTPangle->setText(Angle(s.ThrottleAngle));
    c_.lblInputFlow->setText(Flow(s.InputFlow));
    c_.lblOutputFlow->setText(Flow(s.OutputFlow));

    Indicate(c_.txtWindowSwitch,
             WindowSwitchLit(s.EngineSpeed, RpmSwitchOn, RpmSwitchOff, IsPlusStage, RpmModeIs(ShiftLightMode),
                             openLoopTable));

    c_.lblEngineSpeed->setText(Rpm(s.EngineSpeed));
    c_.lblMAFVoltage->setText(MafVolts(s.MAFInputVoltage));
    c_.lblPCMVoltage->setText(MafVolts(s.OutputVoltage));

    Indicate(c_.txtMultiSpark, s.Multispark);
    Indicate(c_.txtWOT, s.WOT);
    c_.txtWOT->setEnabled(s.WOT);

    c_.txtRichOrLean->setEnabled(true);
    const RichLean richLean = TunerRichOrLean(s.FlowChange);
    c_.txtRichOrLean->setText(richLean.text);
    ShowOnColour(c_.txtRichOrLean, richLean.buttonFace ? colours::ButtonFace() : richLean.colour);
    c_.lblDelta_F->setText(Percent(s.FlowChange));

    const AirFuel airFuel = AirFuelText(s.AirFuelRatio);
    c_.lblAirFuelRatio->setText(airFuel.text);
    ShowOnColour(c_.lblAirFuelRatio, airFuel.colour);
    return s.MAFInputVoltage;
}

void TunerReadout::clear()
{
    for (QWidget* box : std::initializer_list<QWidget*>{c_.txtHeartbeat, c_.txtMultiSpark, c_.txtWOT,
                                                        c_.txtWindowSwitch, c_.txtRichOrLean})
        colours::SetButtonFace(box);
    c_.txtWOT->setEnabled(false);
    c_.txtRichOrLean->clear();
    for (QLabel* label :
         {c_.lblDelta_F, c_.lblInputFlow, c_.lblOutputFlow, c_.lblTPangle, c_.lblTPSVoltage, c_.lblEngineSpeed})
        label->setText(QStringLiteral("0"));
    c_.txtLoopMode->clear();
    colours::SetButtonFace(c_.txtLoopMode);
    c_.txtLoopMode->setEnabled(false);
}

void TunerReadout::linkLost()
{
    for (QLabel* label : readoutLabels())
        label->setEnabled(false);
    for (QWidget* box :
         std::initializer_list<QWidget*>{c_.txtHeartbeat, c_.txtMultiSpark, c_.txtWOT, c_.txtWindowSwitch,
                                         c_.txtRichOrLean, c_.txtLoopMode, c_.lblAirFuelRatio})
        colours::SetButtonFace(box);
    // Their text is set dark on its colour, which a disabled label keeps:
    // grey it too, so that nothing read before the loss looks current.
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QWidget* box : std::initializer_list<QWidget*>{c_.txtRichOrLean, c_.txtLoopMode, c_.lblAirFuelRatio})
        colours::SetTextColour(box, grey);
    recorder_->note(datalog::LinkLostNote);
}

void TunerReadout::linkBack()
{
    recorder_->note(datalog::LinkBackNote);
}

QList<QLabel*> TunerReadout::readoutLabels() const
{
    return {c_.lblMAFVoltage,   c_.lblPCMVoltage, c_.lblInputFlow, c_.lblOutputFlow, c_.lblDelta_F,
            c_.lblAirFuelRatio, c_.lblTPSVoltage, c_.lblTPangle,   c_.lblEngineSpeed};
}

// --- data log ----------------------------------------------------------------------

bool TunerReadout::logging() const
{
    return recorder_->isLogging();
}

QString TunerReadout::path() const
{
    return recorder_->path();
}

void TunerReadout::toggle()
{
    if (!armed_) {
        armed_ = true;
        // The file dialog runs its own event loop: the window may be closed meanwhile.
        QPointer<TunerReadout> self(this);
        recorder_->start();
        if (self)
            c_.cmdDatalog->setText(QStringLiteral("STOP"));
        return;
    }
    armed_ = false;
    c_.cmdDatalog->setText(QStringLiteral("START"));
    // Without the link there is nothing to log until it is back.
    if (session_.lost())
        c_.cmdDatalog->setEnabled(false);
    recorder_->stop();
}

void TunerReadout::showLogging(bool logging)
{
    // The box says ON only while a file really takes the lines.
    if (logging) {
        c_.txtLOG->setText(QStringLiteral("ON"));
        ShowOnColour(c_.txtLOG, colours::Yellow);
    } else {
        colours::SetButtonFace(c_.txtLOG);
        c_.txtLOG->setText(QStringLiteral("OFF"));
    }
}

void TunerReadout::close(bool report)
{
    if (report)
        recorder_->stop();
    else
        recorder_->close();
}

void TunerReadout::closeQuietly()
{
    recorder_->close();
}

void TunerReadout::writeLine()
{
    if (!recorder_->isLogging())
        return;
    recorder_->record(ShownValues(taken_));
}

void TunerReadout::stamp()
{
    recorder_->stamp();
}

bool TunerReadout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && widget
            && (widget == window_ || window_->isAncestorOf(widget))) {
            // The space bar stamps the log; it never presses the button that
            // happens to have the focus.
            if (!key->isAutoRepeat())
                stamp();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

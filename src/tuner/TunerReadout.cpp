#include "tuner/TunerReadout.h"

#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
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
    dialog_.title = QStringLiteral("DATALOG FILENAME SELECT");
    dialog_.filter = QStringLiteral("Text Files (*.txt)");
    dialog_.defaultName = DatalogDefaultName;
}

double TunerReadout::show(const QString& data, bool openLoopTable)
{
    using namespace live_display;
    Indicate(c_.txtWastedSpark, IgnitionTypeIs(WasteSparkIgnition));
    Indicate(c_.txtRPMandWOT, RpmModeIs(RpmAndWotMode) && IsPlusStage);

    const LiveSample s = DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multispark_);

    const ActiveTune tune = ActiveTuneOf(data);
    c_.txtLoopMode->setText(tune.text);
    ShowOnColour(c_.txtLoopMode, tune.colour);

    c_.lblTPSVoltage->setText(Volts(s.TPSVoltage));
    c_.lblTPangle->setText(Angle(s.ThrottleAngle));
    c_.lblInputFlow->setText(Flow(s.InputFlow));
    c_.lblOutputFlow->setText(Flow(s.OutputFlow));

    Indicate(c_.txtWindowSwitch, WindowSwitchLit(s.EngineSpeed, RpmSwitchOn, RpmSwitchOff, IsPlusStage,
                                                 RpmModeIs(ShiftLightMode), openLoopTable));

    c_.lblEngineSpeed->setText(Rpm(s.EngineSpeed));
    c_.lblMAFVoltage->setText(MafVolts(s.MAFInputVoltage));
    c_.lblPCMVoltage->setText(MafVolts(s.OutputVoltage));

    Indicate(c_.txtMultiSpark, s.Multispark);
    Indicate(c_.txtWOT, s.WOT);
    c_.txtWOT->setEnabled(s.WOT);

    c_.txtRichOrLean->setEnabled(true);
    const RichLean richLean = TunerRichOrLean(s.FlowChange);
    c_.txtRichOrLean->setText(richLean.text);
    if (richLean.buttonFace)
        colours::SetButtonFace(c_.txtRichOrLean);
    else
        ShowOnColour(c_.txtRichOrLean, richLean.colour);
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

// --- data log ----------------------------------------------------------------------

void TunerReadout::toggle()
{
    if (!armed_) {
        armed_ = true;
        choose();
        c_.cmdDatalog->setText(QStringLiteral("STOP"));
        return;
    }
    armed_ = false;
    c_.cmdDatalog->setText(QStringLiteral("START"));
    if (logging_)
        close(true);
}

void TunerReadout::choose()
{
    // The file dialog runs its own event loop: the window may be closed meanwhile.
    QPointer<TunerReadout> self(this);
    const QString path = services::dialogs().saveFileName(dialog_);
    if (!self || path.isEmpty())
        return;
    dialog_.defaultName = path;
    if (!log_.create(path, services::clock().currentDateTime(), DatalogColumns())) {
        session_.tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
                      QStringLiteral("File: ") + path + QStringLiteral(" could not be created.\r\n")
                          + QStringLiteral("The tuner will run without a data log."));
        return;
    }
    logging_ = true;
    // The box says ON only while a file really takes the lines.
    c_.txtLOG->setText(QStringLiteral("ON"));
    ShowOnColour(c_.txtLOG, colours::Yellow);
}

void TunerReadout::close(bool report)
{
    logging_ = false;
    colours::SetButtonFace(c_.txtLOG);
    c_.txtLOG->setText(QStringLiteral("OFF"));
    const QString path = log_.path();
    log_.close();
    if (report)
        session_.tell(MsgIcon::Information, ProgramTitle,
                      QStringLiteral("File: ") + path + QStringLiteral(" successfully written."));
}

void TunerReadout::closeQuietly()
{
    log_.close();
    logging_ = false;
}

void TunerReadout::writeLine()
{
    if (!logging_)
        return;
    const QStringList shown{c_.lblMAFVoltage->text(), c_.lblPCMVoltage->text(),   c_.lblInputFlow->text(),
                            c_.lblOutputFlow->text(), c_.lblDelta_F->text(),      c_.lblAirFuelRatio->text(),
                            c_.lblTPSVoltage->text(), c_.lblTPangle->text(),      c_.lblEngineSpeed->text()};
    if (!log_.append(datalog::DataLine(services::clock().currentDateTime().time(), shown)))
        failed(log_.path());
}

void TunerReadout::stamp()
{
    if (!logging_)
        return;
    QApplication::beep();
    if (!log_.append(UserTimestampLine(services::clock().currentDateTime().time())))
        failed(log_.path());
}

void TunerReadout::failed(QString path)
{
    // The disk refused the line: say so now rather than report success later.
    close(false);
    session_.tell(MsgIcon::Exclamation, QStringLiteral("File Error"),
                  QStringLiteral("File: ") + path + QStringLiteral(" could not be written.\r\n")
                      + QStringLiteral("Data logging has stopped."));
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

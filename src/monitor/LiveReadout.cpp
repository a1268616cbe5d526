#include "monitor/LiveReadout.h"

#include "platform/Colours.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

LiveReadout::LiveReadout(const LiveReadoutControls& controls, LiveReadoutStyle style) : c_(controls), style_(style)
{ }

QList<QLabel*> LiveReadout::readouts() const
{
    QList<QLabel*> labels{c_.mafVolts,   c_.pcmVolts, c_.voltageChange, c_.inputFlow,     c_.outputFlow,
                          c_.flowChange, c_.airFuel,  c_.tpsVolts,      c_.throttleAngle, c_.engineSpeed};
    labels.removeAll(nullptr);
    return labels;
}

void LiveReadout::show(const LiveSample& s)
{
    using namespace live_display;
    setStale(false);
    c_.mafVolts->setText(style_.mafVolts(s.MAFInputVoltage));
    c_.pcmVolts->setText(style_.mafVolts(s.OutputVoltage));
    if (c_.voltageChange)
        c_.voltageChange->setText(Percent(s.VoltageChange));
    colours::Indicate(c_.wot, s.WOT);
    c_.wot->setEnabled(s.WOT);
    c_.tpsVolts->setText(Volts(s.TPSVoltage));
    c_.throttleAngle->setText(Angle(s.ThrottleAngle));
    c_.inputFlow->setText(Flow(s.InputFlow));
    c_.outputFlow->setText(Flow(s.OutputFlow));
    c_.engineSpeed->setText(Rpm(s.EngineSpeed));
    colours::Indicate(c_.multispark, s.Multispark);

    c_.richLean->setEnabled(true);
    const RichLean richLean = style_.richLean(s.FlowChange);
    c_.richLean->setText(richLean.text);
    colours::SetReadout(c_.richLean, richLean.buttonFace ? colours::ButtonFace() : richLean.colour);
    c_.flowChange->setText(Percent(s.FlowChange));

    const AirFuel airFuel = AirFuelText(s.AirFuelRatio);
    c_.airFuel->setText(airFuel.text);
    // The band's colour fills the readout, so the number reads at a glance.
    colours::SetReadout(c_.airFuel, airFuel.colour);
}

void LiveReadout::setStale(bool stale)
{
    for (QLabel* readout : readouts())
        readout->setEnabled(!stale);
    if (!stale)
        return;
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QWidget* coloured : {static_cast<QWidget*>(c_.airFuel), static_cast<QWidget*>(c_.richLean)}) {
        colours::SetButtonFace(coloured);
        colours::SetTextColour(coloured, grey);
    }
}

void LiveReadout::startHeartbeat()
{
    colours::SetBackground(c_.heartbeat, colours::Green);
    heartbeatCounter_ = 0;
}

void LiveReadout::stopHeartbeat()
{
    colours::SetButtonFace(c_.heartbeat);
}

void LiveReadout::heartbeatTick()
{
    if (live_sample::HeartbeatTick(heartbeatCounter_))
        colours::SetBackground(c_.heartbeat,
                               live_sample::ToggledHeartbeat(colours::Background(c_.heartbeat), colours::ButtonFace()));
}

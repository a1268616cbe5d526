#include "tuner/TunerSampling.h"

#include "monitor/HeldRedraw.h"
#include "monitor/LiveSample.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/LiveTunePanel.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerReadout.h"
#include "tuner/TunerSession.h"

#include <QTimer>

TunerSampling::TunerSampling(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells,
                             TunerReadout& readout, LiveTunePanel& live, QWidget* window, Hooks hooks)
    : QObject(window), c_(controls), session_(session), readout_(readout), live_(live), hooks_(std::move(hooks))
{
    redraw_ = new HeldRedraw(
        [this, &cells] { cells.markActiveCell(tuner::ActiveCell(readout_.show(hooks_.openLoopTable()))); }, window);
}

void TunerSampling::tick()
{
    if (beats_.take(services::clock().nowMs(), session_.timer()->interval())
        && live_sample::HeartbeatTick(heartbeatCounter_))
        colours::SetBackground(
            c_.txtHeartbeat,
            live_sample::ToggledHeartbeat(colours::Background(c_.txtHeartbeat), colours::ButtonFace()));
    if (!session_.live())
        return;
    const std::optional<QString> sample = session_.takeSample();
    if (!sample)
        return hooks_.linkLost();
    readout_.take(*sample);
    redraw_->sampleIn(session_.timer()->interval());
    readout_.writeLine();
    live_.take(*sample);
}

void TunerSampling::startHeartbeat()
{
    colours::SetBackground(c_.txtHeartbeat, colours::Green);
    heartbeatCounter_ = 0;
}

void TunerSampling::flush()
{
    redraw_->flush();
}

void TunerSampling::drop()
{
    redraw_->drop();
}

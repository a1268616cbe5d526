#pragma once

#include "monitor/SampleRate.h"

#include <QObject>

#include <functional>

struct GraphicalTuneControls;
class HeldRedraw;
class LiveTunePanel;
class TunerCells;
class TunerReadout;
class TunerSession;
class QWidget;

// One live sample's way through the tuner on line: taken from the unit,
// logged, handed to the live analysis and drawn on the engine monitor (at a
// rate faster than 50 ms at most every 50 ms, the newest sample; ACTIVITY
// blinks at the 50 ms pace). A sample the unit does not give is a lost link.
class TunerSampling final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> openLoopTable; // the open-loop table is shown
        std::function<void()> linkLost;
    };
    TunerSampling(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells, TunerReadout& readout,
                  LiveTunePanel& live, QWidget* window, Hooks hooks);

    // The timer's tick.
    void tick();
    // ACTIVITY green, its blinking from the start.
    void startHeartbeat();
    // The sample held back is drawn (the link is gone: it stays on the
    // greyed readouts) or dropped (off line: the readouts are cleared).
    void flush();
    void drop();

    HeldRedraw* redraw() const { return redraw_; }
    int heartbeatCounter() const { return heartbeatCounter_; }

private:
    GraphicalTuneControls& c_;
    TunerSession& session_;
    TunerReadout& readout_;
    LiveTunePanel& live_;
    Hooks hooks_;
    HeldRedraw* redraw_ = nullptr;
    sample_rate::Redraws beats_; // ACTIVITY's blinking
    int heartbeatCounter_ = 0;
};

#pragma once

#include "monitor/LiveSample.h"
#include "monitor/SampleRate.h"

#include <QObject>

#include <functional>

class LiveReadout;
class QLabel;
class QScrollBar;
class QTimer;

// The monitor's sampling: a timer (50 ms, or the stored faster rate) that
// blinks ACTIVITY and, while the monitor runs, asks the unit for a live
// sample and decodes it. At a faster rate a unit that cannot keep up puts
// the timer back to 50 ms for the rest of the run, and the status line says so. A unit that
// stops answering is asked again up to 50 times, a second each; meanwhile
// the window stays alive, greys the readouts and says what it is waiting
// for, and STOP or QUIT ends the waiting between two attempts. A sample left
// unanswered is the lost link: the readouts stay grey and ACTIVITY stops
// until the window has found the unit again.
class MonitorSampling final : public QObject {
    Q_OBJECT
public:
    // `running` says whether the monitor still wants samples; `linkStatus`
    // shows the waiting; the offset slider rests while it lasts.
    MonitorSampling(LiveReadout& readout, QLabel* linkStatus, QScrollBar* offsetSlider, std::function<bool()> running,
                    QObject* parent);

    QTimer* timer() const { return timer_; }
    // One timer tick.
    void tick();
    // A run starts at the stored rate.
    void startRun();
    // The sampling starts (ACTIVITY green, its count from 0) or stops.
    void start();
    void stop();
    // The unit answers again: the sampling goes on if the monitor still runs.
    void resume();

    // A sample request is under way ...
    bool sampling() const { return sampling_; }
    // ... and its first attempt went unanswered.
    bool waiting() const { return waiting_; }
    // A sample went unanswered while running: nothing more goes to the unit.
    bool lost() const { return lost_; }
    int multisparkCounter() const { return multisparkCounter_; }
    void resetMultispark() { multisparkCounter_ = 0; }

signals:
    // A sample arrived (its reply data and decode).
    void sampled(const QString& data, const LiveSample& sample);
    // The link went down (nothing told yet): the window that owns the
    // sampling looks for the unit again.
    void linkLost();

private:
    void showWaiting(int attempt);
    void endWaiting();
    void connectionLost();

    LiveReadout& readout_;
    QLabel* linkStatus_;
    QScrollBar* offsetSlider_;
    std::function<bool()> running_;
    QTimer* timer_;
    bool sampling_ = false;
    bool waiting_ = false;
    bool lost_ = false;
    int multisparkCounter_ = 0;
    sample_rate::Pace pace_;
};

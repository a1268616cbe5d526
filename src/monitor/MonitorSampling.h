#pragma once

#include "monitor/HeldRedraw.h"
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
// sample and decodes it. At a faster rate the readouts are redrawn (and
// ACTIVITY blinks) at the pace of the 50 ms tick while every sample is
// still logged, and a unit that cannot keep up puts the timer back to
// 50 ms for the rest of the run, and the status line says so. A unit that
// stops answering is asked again up to 50 times, a second each; meanwhile
// the window stays alive, greys the readouts and says what it is waiting
// for, and STOP or QUIT ends the waiting between two attempts. After
// SilenceReportMs without an answer the link counts as lost for the user
// (the window says so once) while the attempts go on. A sample left
// unanswered is the lost link: the readouts stay grey and ACTIVITY stops
// until the window has found the unit again.
// How long a unit may stay silent before the user is told the link is lost.
inline constexpr int SilenceReportMs = 3000;

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
    // The last sample's values are drawn first.
    void stop();
    // The unit answers again: the sampling goes on if the monitor still runs.
    void resume();

    // A sample request is under way ...
    bool sampling() const { return sampling_; }
    // ... and its first attempt went unanswered.
    bool waiting() const { return waiting_; }
    // A sample went unanswered while running: nothing more goes to the unit.
    bool lost() const { return lost_; }
    // The unit has been silent long enough to be reported lost, its attempts still running.
    bool silenceReported() const { return silenceReported_; }
    int multisparkCounter() const { return multisparkCounter_; }
    HeldRedraw* redraw() const { return redraw_; }
    void resetMultispark() { multisparkCounter_ = 0; }

signals:
    // A sample arrived (its reply data and decode): every one, for the log.
    void sampled(const QString& data, const LiveSample& sample);
    // The readouts are to show this sample: each one at the default rate,
    // the newest at most every 50 ms at a faster one.
    void drawn(const QString& data, const LiveSample& sample);
    // The link went down (nothing told yet): the window that owns the
    // sampling looks for the unit again.
    void linkLost();
    // A gap in the samples for the data log: "link lost" once the unit has
    // been silent for SilenceReportMs (the main window's indicator says so
    // too, while the attempts go on), "link back" when it answers one.
    void gapNoted(const QString& note);

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
    bool silenceReported_ = false;
    qint64 requestStartMs_ = 0;
    int multisparkCounter_ = 0;
    sample_rate::Pace pace_;
    sample_rate::Redraws beats_; // ACTIVITY's blinking
    HeldRedraw* redraw_;
    QString newestData_;
    LiveSample newest_;
};

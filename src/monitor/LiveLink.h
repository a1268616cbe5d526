#pragma once

#include <QPointer>
#include <QTimer>

// What the windows that sample the unit live share about the link.
namespace live_link {

// A live sample went unanswered: tells the user the connection is lost,
// closes the port and puts the main window into its not-connected look. The
// box comes first: the window that called may be gone afterwards, and what
// follows the box touches only program-wide state.
void ReportLost();

// Holds a sampling timer still for the life of the hold (a write to the unit
// must not have a sample request interleave with it), and lets it tick again
// afterwards only if it was ticking before: a hold never starts the sampling.
class TimerHold {
public:
    explicit TimerHold(QTimer* timer) : timer_(timer), wasActive_(timer->isActive()) { timer->stop(); }
    ~TimerHold()
    {
        if (wasActive_ && timer_)
            timer_->start();
    }
    TimerHold(const TimerHold&) = delete;
    TimerHold& operator=(const TimerHold&) = delete;

    bool wasActive() const { return wasActive_; }
    // The timer stays stopped after the hold (the sampling has ended meanwhile).
    void keepStopped() { wasActive_ = false; }

private:
    QPointer<QTimer> timer_;
    bool wasActive_;
};

} // namespace live_link

#pragma once

#include "link/Reconnect.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QPushButton;

// What the windows that sample the unit live share about the link.
namespace live_link {

// A live sample went unanswered: tells the user the connection is lost,
// closes the port and puts the main window into its not-connected look. The
// box comes first: the window that called may be gone afterwards, and what
// follows the box touches only program-wide state.
void ReportLost();

// The link lost under a window that samples the unit live: the window says
// so once, in its status line and on the main window's indicator (no box),
// tries quietly to find the unit again (link/Reconnect.h) and carries on when
// it answers. Its Cancel stops the trying: the port is then closed and the
// main window shows no connection.
class Healing final : public QObject {
    Q_OBJECT
public:
    // `status`: where the window says it; `cancel`: its Cancel, shown with it.
    Healing(QLabel* status, QPushButton* cancel, QObject* parent);

    // The link is lost: the port is closed, the user told, the tries begin.
    void begin();
    bool active() const { return active_; }
    // One try; the timer makes one every reconnect::RetryIntervalMs.
    void tryNow();
    // The user stops trying (Cancel).
    void cancel();
    // The window goes: the tries end without a word, the program not connected.
    void stop();
    QTimer* timer() const { return timer_; }

signals:
    // The unit answers again: Connected, the port open.
    void back();
    // The user stopped trying; the program is not connected.
    void givenUp();

private:
    void hideStatus();

    QLabel* status_;
    QPushButton* cancel_;
    QTimer* timer_;
    reconnect::Reconnector reconnector_{1};
    bool active_ = false;
};

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

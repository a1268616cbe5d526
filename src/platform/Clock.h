#pragma once

#include <QDateTime>

#include <QtGlobal>

// Time for the whole program: deadlines of device transactions and the waits
// of the start-up sequence. Tests install a ManualClock, so a 40-second port
// search runs in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic scale; only differences mean anything.
    virtual qint64 nowMs() const = 0;

    // The same scale in microseconds, for timing finer than a millisecond.
    virtual qint64 nowUs() const { return nowMs() * 1000; }

    // Waits ms milliseconds while the window system keeps running
    // (windows repaint, timers fire).
    virtual void waitProcessingEvents(int ms) = 0;

    // Blocks for ms milliseconds without letting anything else run; used by
    // device stand-ins that must take time to answer.
    virtual void sleepBlocking(int ms) = 0;

    // The local date and time of day, stamped into data logs, tune files and
    // listings.
    virtual QDateTime currentDateTime() const = 0;
};

// The real clock: a monotonic timer, and waits that spin a local event loop.
class SystemClock final : public Clock {
public:
    SystemClock();
    qint64 nowMs() const override;
    qint64 nowUs() const override;
    void waitProcessingEvents(int ms) override;
    void sleepBlocking(int ms) override;
    QDateTime currentDateTime() const override;

private:
    qint64 originNs_;
};

// A clock that moves only when told to. A wait advances it at once, after
// letting queued events run, so code under test sees the same sequence of
// times as on a real machine without spending them.
class ManualClock final : public Clock {
public:
    qint64 nowMs() const override { return nowMs_; }
    void waitProcessingEvents(int ms) override;
    void sleepBlocking(int ms) override
    {
        if (ms > 0)
            nowMs_ += ms;
    }
    void advance(qint64 ms) { nowMs_ += ms; }

    // The date and time shown at the clock's start; it moves with the clock.
    QDateTime currentDateTime() const override;
    void setDateTime(const QDateTime& start)
    {
        start_ = start;
        startMs_ = nowMs_;
    }

    // Total simulated time spent in waitProcessingEvents.
    qint64 waitedMs() const { return waitedMs_; }

private:
    qint64 nowMs_ = 1'000'000;
    qint64 waitedMs_ = 0;
    QDateTime start_{QDate(2026, 3, 14), QTime(9, 26, 53)};
    qint64 startMs_ = nowMs_;
};

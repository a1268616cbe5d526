#pragma once

#include "monitor/SampleRate.h"

#include <QObject>

#include <functional>

class QTimer;

// A window's redraws of its live readouts, paced by sample_rate::Redraws:
// the window keeps the newest sample and calls sampleIn(); `draw` shows the
// kept sample now, or when the hold ends on a single-shot timer (named
// "RedrawTimer"). Before the readouts are greyed or the sampling stops the
// window calls flush(), so the last values end up shown.
class HeldRedraw final : public QObject {
    Q_OBJECT
public:
    HeldRedraw(std::function<void()> draw, QObject* parent);

    // A sample is in, the live timer ticking every `intervalMs`.
    void sampleIn(int intervalMs);
    // The hold ends now: a held sample is drawn (the timer's tick).
    void flush();
    // A held sample is forgotten (the readouts are cleared).
    void drop();
    bool holding() const { return redraws_.holding(); }
    QTimer* timer() const { return timer_; }

private:
    std::function<void()> draw_;
    QTimer* timer_;
    sample_rate::Redraws redraws_;
};

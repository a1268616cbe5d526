#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// How fast the monitor and the graphical tuner ask the unit for live
// samples: one every 50 ms (the default), as fast as the link answers (an
// "M" exchange is 7.3 ms of wire at 57600 bit/s, so about 130 a second), or
// a rate in samples a second. The choice is kept in the settings store under
// "SampleRate" as "50 ms", "max" or the rate ("25").
namespace sample_rate {

struct Rate {
    enum class Kind { Default, Fastest, Hertz };
    Kind kind = Kind::Default;
    double hertz = 0; // Kind::Hertz only: samples a second, above 0

    bool operator==(const Rate&) const = default;
};

inline constexpr int DefaultTickMs = 50;
// The slowest a rate may ask for: one sample an hour.
inline constexpr int LongestTickMs = 3'600'000;

// "50 ms" (or nothing): the default; "max": as fast as the link answers; a
// number above 0: that many samples a second. Anything else is no rate.
std::optional<Rate> Parse(const QString& text);
// The stored form, which Parse reads back.
QString Text(const Rate& rate);
// What the monitor's choice shows: "50 ms", "as fast as the link answers", "25 a second".
QString Caption(const Rate& rate);

// The live timer's interval: 50 ms, 0 (the next sample as soon as the last
// is in), or the rate's period rounded to the millisecond.
int IntervalMs(const Rate& rate);
// Above 20 samples a second: the data log's time column then carries the
// thousandths of the second (datalog::FineTimeColumn).
bool FineTimes(const Rate& rate);

// The stored choice; the default when none is stored or it makes no sense.
Rate Stored();
void Store(const Rate& rate);

// What the user is told when the unit cannot keep up.
inline const QString FallBackText =
    QStringLiteral("The unit cannot keep up with the fast sampling: back to one sample every 50 ms.");

// Watches the exchanges of a rate faster than the default. An exchange that
// takes longer than the default tick gains nothing over it; a unit whose
// replies come that late KeepUpMisses samples running cannot keep up, and
// the sampling falls back to the 50 ms timer for the rest of the run. The
// link's own rules still judge every reply: a late one is never taken.
class Pace {
public:
    static constexpr int KeepUpMisses = 3;

    explicit Pace(Rate rate = {}) : rate_(rate) { }

    // One exchange took `ms`, answered or not. True when this one made the
    // sampling fall back (said once).
    bool exchange(qint64 ms);
    bool fellBack() const { return fellBack_; }
    // The interval for the live timer now.
    int intervalMs() const { return fellBack_ ? DefaultTickMs : IntervalMs(rate_); }
    const Rate& rate() const { return rate_; }

private:
    Rate rate_;
    int lateInARow_ = 0;
    bool fellBack_ = false;
};

// Paces the redraws of the readouts: at a rate faster than the default tick
// they are redrawn at most once every DefaultTickMs of the clock, while
// every sample is still decoded and logged. A sample that comes in sooner
// is held (a newer one takes its place) and drawn when the hold ends, so
// the last sample's values always end up shown. At the default rate or
// slower every sample is drawn as it comes in.
class Redraws {
public:
    // A sample came in at `nowMs`, the live timer ticking every
    // `intervalMs`: true when it is to be drawn now, false when it is held
    // until dueMs().
    bool take(qint64 nowMs, int intervalMs);
    bool holding() const { return holding_; }
    qint64 dueMs() const { return lastMs_ + DefaultTickMs; }
    // The held sample has been drawn at `nowMs` (its hold ended).
    void drawHeld(qint64 nowMs);
    // The held sample is not to be drawn (the readouts were cleared).
    void forget() { holding_ = false; }

private:
    qint64 lastMs_ = 0;
    bool drawn_ = false; // something has been drawn: lastMs_ counts
    bool holding_ = false;
};

} // namespace sample_rate

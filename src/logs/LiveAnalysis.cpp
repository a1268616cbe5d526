#include "logs/LiveAnalysis.h"

#include <cmath>
#include <limits>

namespace autotune {

namespace {

using logs::Channel;
constexpr Channel Kept[] = {Channel::MafIn, Channel::TpsVolts, Channel::ThrottleAngle, Channel::Rpm, Channel::AirFuel};
// A new delay estimate this far from the one in use starts the statistics
// again; nearer, the samples already credited stand (a few hundredths of a
// second move a reading by less than an entry).
constexpr double LagMoved = 0.15;
// Seconds of samples kept behind the latest: the longest delay, a throttle
// event's span before and after its crossing, and some room.
constexpr double KeptSeconds = MaximumLagSeconds + 1.5 + ThrottleEventSpan + 1.0;
constexpr std::size_t TrimAbove = 2048;

} // namespace

LiveAnalysis::LiveAnalysis(const Settings& settings)
{
    setSettings(settings);
}

void LiveAnalysis::setSettings(const Settings& settings)
{
    settings_ = settings;
    window_ = logs::DataLog{};
    moments_.clear();
    lastTransient_ = NoTransient;
    k_ = 0;
    next_ = 0;
    reset();
}

void LiveAnalysis::reset()
{
    delays_.clear();
    crossings_.clear();
    lag_ = ChooseLag({}, settings_);
    accepted_ = 0;
    restartAll();
}

void LiveAnalysis::restartAll()
{
    readings_.clear();
    rejected_ = {};
    samples_ = 0;
    start_ = window_.size() ? window_.seconds.back() : -std::numeric_limits<double>::infinity();
    cellStart_.fill(start_);
}

void LiveAnalysis::restartCells(const std::array<bool, tuner_cells::CellCount>& cells, double holdOffSeconds)
{
    const double from = (window_.size() ? window_.seconds.back() : 0) + holdOffSeconds;
    for (int i = 0; i < tuner_cells::CellCount; ++i)
        if (cells[i]) {
            readings_.clear(i);
            cellStart_[i] = from;
        }
}

void LiveAnalysis::add(const LiveValues& sample)
{
    if (window_.size() && sample.seconds < window_.seconds.back())
        return; // the time scale never runs back
    if (window_.size() == 0 && std::isinf(start_)) {
        start_ = sample.seconds; // as a log's first sample
        cellStart_.fill(start_);
    }
    const double values[] = {sample.mafVolts, sample.tpsVolts, sample.throttleAngle, sample.rpm, sample.airFuel};
    window_.seconds.push_back(sample.seconds);
    for (std::size_t c = 0; c < std::size(Kept); ++c)
        window_.values[static_cast<int>(Kept[c])].push_back(values[c]);
    const std::size_t n = window_.size();
    if (n < 2)
        return;
    // A moment's verdict waits for the samples its rates are taken over.
    while (moments_.size() + 1 < n && sample.seconds - window_.seconds[moments_.size()] >= RateSpanSeconds)
        moments_.push_back(MomentVerdict(window_, moments_.size(), settings_, lastTransient_));

    const std::vector<double>& tps = window_.column(Channel::TpsVolts);
    if ((tps[n - 2] > settings_.breakpointVolts) != (tps[n - 1] > settings_.breakpointVolts))
        crossings_.push_back(n - 1);
    takeDelays();

    // A sample is credited once the moments after its metered one are known
    // as far as the hold-off before a transient looks.
    if (moments_.empty())
        return;
    const double known = window_.seconds[moments_.size() - 1];
    for (; next_ + 2 <= n && known >= window_.seconds[next_] - lag_.seconds + settings_.beforeTransientSeconds;
         ++next_) {
        const Credit credit =
            CreditAt(window_, next_, moments_, lag_.seconds, start_, k_, settings_.beforeTransientSeconds);
        ++samples_;
        if (credit.verdict != Accepted) {
            ++rejected_[credit.verdict];
            continue;
        }
        if (window_.seconds[next_] - lag_.seconds < cellStart_[CellReadings::cellOf(credit.mafVolts)]) {
            ++rejected_[static_cast<int>(Rejection::BeforeLog)];
            continue;
        }
        ++accepted_;
        readings_.add(window_.value(Channel::AirFuel, next_), credit.mafVolts, settings_);
    }
    trim();
}

void LiveAnalysis::takeDelays()
{
    const double latest = window_.seconds.back();
    bool timed = false;
    for (auto it = crossings_.begin(); it != crossings_.end();) {
        if (window_.seconds[*it] + ThrottleEventSpan > latest) {
            ++it;
            continue;
        }
        if (const std::optional<double> delay = ThrottleEventDelayAt(window_, *it, settings_.breakpointVolts)) {
            delays_.push_back(*delay);
            timed = true;
        }
        it = crossings_.erase(it);
    }
    if (!timed)
        return;
    const Lag lag = ChooseLag(delays_, settings_);
    const bool moved = lag.source != lag_.source || std::abs(lag.seconds - lag_.seconds) > LagMoved;
    lag_.events = lag.events;
    lag_.estimate = lag.estimate;
    if (moved) {
        // Samples credited with the old delay describe other moments.
        lag_ = lag;
        restartAll();
        k_ = 0;
    }
}

void LiveAnalysis::trim()
{
    const std::size_t n = window_.size();
    if (n < TrimAbove)
        return;
    std::size_t drop = 0;
    while (drop < n && window_.seconds[drop] < window_.seconds.back() - KeptSeconds)
        ++drop;
    drop = std::min({drop, k_, next_});
    for (const std::size_t crossing : crossings_)
        drop = std::min(drop, crossing > 0 ? crossing - 1 : 0);
    if (drop < TrimAbove / 2)
        return;
    const auto cut = [drop](auto& v) { v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(drop)); };
    cut(window_.seconds);
    for (const Channel c : Kept)
        cut(window_.values[static_cast<int>(c)]);
    cut(moments_);
    k_ -= drop;
    next_ -= drop;
    for (std::size_t& crossing : crossings_)
        crossing -= drop;
}

Result LiveAnalysis::result(const CellValues& current) const
{
    Result result;
    result.lag = lag_;
    result.samples = samples_;
    result.accepted = readings_.accepted();
    result.rejected = rejected_;
    readings_.fill(result, current, settings_);
    return result;
}

} // namespace autotune

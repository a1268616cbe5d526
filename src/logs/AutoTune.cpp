#include "logs/AutoTune.h"

#include "correction/AirFuelFormula.h"
#include "correction/SliderInterpolation.h"
#include "logs/CellStatistics.h"
#include "platform/NumberFormat.h"
#include "platform/WholeNumbers.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace autotune {

namespace {

constexpr int CellCount = tuner_cells::CellCount;
constexpr double ThrottleRangeDegrees = 90.0;
constexpr double TpsRangeVolts = 5.0;
constexpr int SliderLimit = 100;

using logs::Channel;
using logs::DataLog;

// How fast a column changes at a sample: the larger of the steps to the
// nearest samples at least RateSpanSeconds before and after it, per second of
// the log's time scale. At 20 samples a second those are its neighbours; at
// the link's speed a neighbour is a few milliseconds away, and one count of
// the unit's resolution over that would read as a fast change.
double rateAt(const std::vector<double>& values, const std::vector<double>& seconds, std::size_t i)
{
    double rate = 0;
    const auto step = [&](std::size_t a, std::size_t b) {
        const double dt = seconds[b] - seconds[a];
        if (dt > 0 && !std::isnan(values[a]) && !std::isnan(values[b]))
            rate = std::max(rate, std::abs(values[b] - values[a]) / dt);
    };
    std::size_t before = i;
    while (before > 0 && seconds[i] - seconds[before] < RateSpanSeconds)
        --before;
    std::size_t after = i;
    while (after + 1 < values.size() && seconds[after] - seconds[i] < RateSpanSeconds)
        ++after;
    if (before < i)
        step(before, i);
    if (after > i)
        step(i, after);
    return rate;
}

// The calculator's correction as an exact fraction of whole numbers: with the
// ratios in ten-thousandths, (m / t - 1) x 100 x 19 / E is
// (m - t) x 1900 / (t x E).
struct Fraction {
    long long numerator = 0;
    long long denominator = 1; // above 0
};

long long tenThousandths(double ratio)
{
    return std::llround(ratio * 10000.0);
}

Fraction neededFraction(double measured, double target, int eecInjectorSize)
{
    const long long t = tenThousandths(target);
    const long long e = std::llround(air_fuel::ScalingInjectorSize(eecInjectorSize));
    return {(tenThousandths(measured) - t) * 1900, std::max(1LL, t * e)};
}

bool tunedOpenLoop(const DataLog& log, std::size_t i, const Settings& settings)
{
    if (!log.has(Channel::TpsVolts))
        return IsOpenLoopTable(settings.table);
    return log.value(Channel::TpsVolts, i) > settings.breakpointVolts;
}

} // namespace

bool IsOpenLoopTable(char table)
{
    return table == 'O' || table == 'H';
}

double DefaultTarget(char table)
{
    return IsOpenLoopTable(table) ? 12.8 : 14.7;
}

CellValues Result::suggested() const
{
    CellValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = cells[i].suggested;
    return values;
}

int CorrectionPoints(double measured, double target, int eecInjectorSize)
{
    const Fraction needed = neededFraction(measured, target, eecInjectorSize);
    return static_cast<int>(DividedHalfEven(needed.numerator, needed.denominator));
}

std::optional<double> ThrottleEventDelayAt(const DataLog& log, std::size_t i, double breakpointVolts)
{
    // The throttle held on its old side over the 1.5 s before the crossing
    // and on its new one for 3.5 s after; the A/F's level before from the
    // readings 1.5 to 0.5 s before the crossing, after from those 3.0 to
    // 3.5 s after it; the response looked for from 0.5 s before on, so a log
    // whose A/F leads its throttle shows a negative delay.
    constexpr double HeldBefore = 1.5;
    constexpr double LevelBeforeEnd = 0.5;
    constexpr double LevelAfterStart = 3.0;
    constexpr double LeastStep = 1.0;
    constexpr int LeastReadings = 3;
    const double reached = 1.0 - std::exp(-1.0);

    if (!log.has(Channel::TpsVolts) || !log.has(Channel::AirFuel) || i == 0 || i >= log.size())
        return std::nullopt;
    const std::vector<double>& tps = log.column(Channel::TpsVolts);
    const std::vector<double>& airFuel = log.column(Channel::AirFuel);
    const std::vector<double>& t = log.seconds;
    const auto indexAt = [&](double seconds) { // the first sample at or after
        return static_cast<std::size_t>(std::lower_bound(t.begin(), t.end(), seconds) - t.begin());
    };
    const auto level = [&](double from, double to) -> std::optional<double> {
        std::vector<double> readings;
        for (std::size_t j = indexAt(from); j < t.size() && t[j] <= to; ++j)
            if (!std::isnan(airFuel[j]))
                readings.push_back(airFuel[j]);
        if (static_cast<int>(readings.size()) < LeastReadings)
            return std::nullopt;
        return logs::Median(readings);
    };
    const auto held = [&](double from, double to, bool open) {
        for (std::size_t j = indexAt(from); j < t.size() && t[j] <= to; ++j)
            if (std::isnan(tps[j]) || (tps[j] > breakpointVolts) != open)
                return false;
        return true;
    };

    if (std::isnan(tps[i - 1]) || std::isnan(tps[i]))
        return std::nullopt;
    const bool wasOpen = tps[i - 1] > breakpointVolts;
    if (wasOpen == (tps[i] > breakpointVolts))
        return std::nullopt;
    const double t0 = t[i - 1] + (breakpointVolts - tps[i - 1]) / (tps[i] - tps[i - 1]) * (t[i] - t[i - 1]);
    if (t0 - HeldBefore < t.front() || t0 + ThrottleEventSpan > t.back())
        return std::nullopt;
    if (!held(t0 - HeldBefore, t0, wasOpen) || !held(std::nextafter(t0, t0 + 1), t0 + ThrottleEventSpan, !wasOpen))
        return std::nullopt;
    const std::optional<double> before = level(t0 - HeldBefore, t0 - LevelBeforeEnd);
    const std::optional<double> after = level(t0 + LevelAfterStart, t0 + ThrottleEventSpan);
    if (!before || !after || std::abs(*after - *before) < LeastStep)
        return std::nullopt;
    const double threshold = *before + reached * (*after - *before);
    const auto past = [&](double value) { return *after > *before ? value >= threshold : value <= threshold; };
    std::optional<std::size_t> previous;
    for (std::size_t j = indexAt(t0 - LevelBeforeEnd); j < t.size() && t[j] <= t0 + ThrottleEventSpan; ++j) {
        if (std::isnan(airFuel[j]))
            continue;
        if (past(airFuel[j])) {
            double crossed = t[j];
            if (previous) {
                const std::size_t p = *previous;
                crossed = t[p] + (threshold - airFuel[p]) / (airFuel[j] - airFuel[p]) * (t[j] - t[p]);
            }
            return crossed - t0;
        }
        previous = j;
    }
    return std::nullopt;
}

std::vector<double> ThrottleEventDelays(const DataLog& log, double breakpointVolts)
{
    std::vector<double> delays;
    for (std::size_t i = 1; i < log.size(); ++i)
        if (const std::optional<double> delay = ThrottleEventDelayAt(log, i, breakpointVolts))
            delays.push_back(*delay);
    return delays;
}

int MomentVerdict(const DataLog& log, std::size_t i, const Settings& settings, double& lastTransient)
{
    // The throttle's angle where the log has it, else its sensor's volts.
    const bool byAngle = log.has(Channel::ThrottleAngle);
    const bool hasThrottle = byAngle || log.has(Channel::TpsVolts);
    const std::vector<double>& throttle = byAngle ? log.column(Channel::ThrottleAngle) : log.column(Channel::TpsVolts);
    const double throttleLimit =
        settings.throttlePercentPerSecond / 100.0 * (byAngle ? ThrottleRangeDegrees : TpsRangeVolts);

    const bool moving = hasThrottle && rateAt(throttle, log.seconds, i) > throttleLimit;
    const bool lagging = !moving && log.seconds[i] - lastTransient <= settings.transientSeconds;
    if (moving)
        lastTransient = log.seconds[i];

    const bool openLoop = settings.splitByThrottle ? tunedOpenLoop(log, i, settings) : IsOpenLoopTable(settings.table);
    if (openLoop != IsOpenLoopTable(settings.table))
        return static_cast<int>(Rejection::OtherTable);
    if (!openLoop && !settings.useClosedLoop)
        return static_cast<int>(Rejection::ClosedLoop);
    if (log.has(Channel::Rpm) && log.value(Channel::Rpm, i) < settings.minimumRpm)
        return static_cast<int>(Rejection::LowRpm);
    if (moving)
        return static_cast<int>(Rejection::ThrottleMoving);
    if (lagging)
        return static_cast<int>(Rejection::AfterTransient);
    if (!log.has(Channel::MafIn) || rateAt(log.column(Channel::MafIn), log.seconds, i) > settings.mafVoltsPerSecond)
        return static_cast<int>(Rejection::MafChanging);
    return Accepted;
}

Credit CreditAt(const DataLog& log, std::size_t i, const std::vector<int>& moments, double lagSeconds, double start,
                std::size_t& k, double beforeTransient)
{
    Credit credit;
    const std::size_t n = log.size();
    const std::vector<double>& t = log.seconds;
    if (!log.has(Channel::AirFuel) || std::isnan(log.value(Channel::AirFuel, i))) {
        credit.verdict = static_cast<int>(Rejection::NoAirFuel);
        return credit;
    }
    const double metered = t[i] - lagSeconds;
    if (metered < start) {
        credit.verdict = static_cast<int>(Rejection::BeforeLog);
        return credit;
    }
    while (k + 1 < n && t[k + 1] <= metered)
        ++k;
    const bool between = k + 1 < n && t[k + 1] > t[k];
    const std::size_t nearest = between && t[k + 1] - metered < metered - t[k] ? k + 1 : k;
    credit.verdict = moments[nearest];
    for (std::size_t m = nearest + 1;
         credit.verdict == Accepted && m < moments.size() && t[m] <= t[nearest] + beforeTransient; ++m)
        if (moments[m] == static_cast<int>(Rejection::ThrottleMoving))
            credit.verdict = static_cast<int>(Rejection::AfterTransient);
    if (log.has(Channel::MafIn)) {
        const double a = log.value(Channel::MafIn, k);
        credit.mafVolts =
            between ? a + (log.value(Channel::MafIn, k + 1) - a) * (metered - t[k]) / (t[k + 1] - t[k]) : a;
    }
    return credit;
}

namespace {

std::vector<Credit> credits(const DataLog& log, const Settings& settings, double lagSeconds)
{
    const std::size_t n = log.size();
    std::vector<int> moments(n, Accepted);
    double lastTransient = NoTransient;
    for (std::size_t i = 0; i < n; ++i)
        moments[i] = MomentVerdict(log, i, settings, lastTransient);
    std::vector<Credit> out(n);
    std::size_t k = 0; // the last sample at or before the metered moment
    for (std::size_t i = 0; i < n; ++i)
        out[i] = CreditAt(log, i, moments, lagSeconds, log.seconds.front(), k, settings.beforeTransientSeconds);
    return out;
}

// The entry the unit uses at a MAF voltage, and the cell whose own entry
// lies nearest it (a tie goes to the upper cell).
int entryAt(double mafVolts)
{
    return static_cast<int>(std::clamp<long long>(std::llround(mafVolts / 5.0 * 255.0), 0, 255));
}

int nearestCell(int entry)
{
    return std::clamp((entry - tuner::EntryOf(0, 0) + 5) / 10, 0, CellCount - 1);
}

Lag chooseLag(const std::vector<const DataLog*>& logs, const Settings& settings)
{
    std::vector<double> delays;
    for (const DataLog* log : logs) {
        const std::vector<double> some = ThrottleEventDelays(*log, settings.breakpointVolts);
        delays.insert(delays.end(), some.begin(), some.end());
    }
    return ChooseLag(std::move(delays), settings);
}

} // namespace

Lag ChooseLag(std::vector<double> delays, const Settings& settings)
{
    Lag lag;
    lag.events = static_cast<int>(delays.size());
    lag.estimate = logs::Median(delays);
    const bool usable = lag.events >= MinimumLagEvents && lag.estimate >= 0 && lag.estimate <= MaximumLagSeconds;
    if (settings.lagSeconds) {
        lag.source = Lag::Source::Given;
        lag.seconds = *settings.lagSeconds;
    } else if (usable) {
        lag.source = Lag::Source::Estimated;
        lag.seconds = lag.estimate;
    }
    return lag;
}

std::vector<int> SampleVerdicts(const DataLog& log, const Settings& settings, double lagSeconds)
{
    std::vector<int> verdicts;
    for (const Credit& credit : credits(log, settings, lagSeconds))
        verdicts.push_back(credit.verdict);
    return verdicts;
}

void CellReadings::add(double airFuel, double mafVolts, const Settings& settings)
{
    const bool rail = airFuel <= settings.railLow || airFuel >= settings.railHigh;
    const double reading = std::clamp(airFuel, settings.railLow, settings.railHigh);
    const int entry = entryAt(mafVolts);
    const int cell = nearestCell(entry);
    nearest_[cell].add(reading, rail);
    if (std::abs(entry - tuner::EntryOf(cell, 0)) <= NearEntries)
        near_[cell].add(reading, rail);
    ++accepted_;
}

void CellReadings::clear()
{
    *this = CellReadings();
}

void CellReadings::clear(int cell)
{
    nearest_[cell] = {};
    near_[cell] = {};
}

int CellReadings::cellOf(double mafVolts)
{
    return nearestCell(entryAt(mafVolts));
}

void CellReadings::fill(Result& result, const CellValues& current, const Settings& settings) const
{
    // The correction each cell with enough samples needs, before rounding:
    // exact fractions over one denominator (one target, one injector size).
    std::array<long long, CellCount> needed{};
    std::array<bool, CellCount> enough{};
    const Fraction unit = neededFraction(settings.target, settings.target, settings.eecInjectorSize);
    const long long denominator = unit.denominator;
    // The dead band: one 0.1 A/F step of the log, or 1 point if that is more.
    const long long deadBand = std::max(denominator, 1000LL * 1900);
    for (int i = 0; i < CellCount; ++i) {
        CellResult& cell = result.cells[i];
        cell.current = current[i];
        cell.suggested = current[i];
        const Readings& chosen =
            static_cast<int>(near_[i].values.size()) >= settings.minimumSamples ? near_[i] : nearest_[i];
        std::vector<double> values = chosen.values;
        cell.samples = static_cast<int>(values.size());
        cell.railSamples = chosen.rails;
        if (cell.samples > 0) {
            cell.measured = logs::Median(values);
            cell.errorPercent = (cell.measured / settings.target - 1.0) * 100.0;
            if (cell.measured <= settings.railLow)
                cell.rail = Rail::Rich;
            else if (cell.measured >= settings.railHigh)
                cell.rail = Rail::Lean;
        }
        enough[i] = cell.samples >= settings.minimumSamples && cell.samples > 0;
        if (enough[i])
            needed[i] = neededFraction(cell.measured, settings.target, settings.eecInjectorSize).numerator;
    }
    for (int i = 0; i < CellCount; ++i) {
        CellResult& cell = result.cells[i];
        if (settings.locked[i]) {
            cell.outcome = CellOutcome::Locked;
            continue;
        }
        if (!enough[i]) {
            cell.outcome = CellOutcome::TooFew;
            continue;
        }
        int points = 0;
        if (cell.rail != Rail::None) {
            // At a rail the median says only "at least this far": the cap.
            points = cell.rail == Rail::Rich ? -settings.capPoints : settings.capPoints;
        } else {
            if (std::abs(needed[i]) <= deadBand) {
                cell.outcome = CellOutcome::Settled;
                continue;
            }
            long long sum = needed[i];
            long long weight = 1;
            if (settings.smoothing) {
                sum = 2 * needed[i];
                weight = 2;
                for (const int j : {i - 1, i + 1}) {
                    if (j >= 0 && j < CellCount && enough[j] && result.cells[j].rail == Rail::None) {
                        sum += needed[j];
                        weight += 1;
                    }
                }
            }
            points = static_cast<int>(std::clamp<long long>(DividedHalfEven(sum, denominator * weight),
                                                            -settings.capPoints, settings.capPoints));
        }
        // From the entry's true value, never against what the median says: an
        // entry at or beyond the sliders' reach in the direction asked for stays.
        if ((points > 0 && cell.current >= SliderLimit) || (points < 0 && cell.current <= -SliderLimit)) {
            cell.outcome = CellOutcome::AtLimit;
            continue;
        }
        cell.suggested =
            points > 0 ? std::min(cell.current + points, SliderLimit) : std::max(cell.current + points, -SliderLimit);
        if (points == 0)
            cell.suggested = cell.current;
        cell.change = cell.suggested - cell.current;
        cell.outcome = CellOutcome::Suggested;
    }
}

Result Analyse(const std::vector<const DataLog*>& logs, const CellValues& current, const Settings& settings)
{
    Result result;
    result.lag = chooseLag(logs, settings);
    CellReadings readings;
    for (const DataLog* log : logs) {
        const std::vector<Credit> credit = credits(*log, settings, result.lag.seconds);
        result.samples += static_cast<int>(credit.size());
        for (std::size_t i = 0; i < credit.size(); ++i) {
            if (credit[i].verdict != Accepted)
                ++result.rejected[credit[i].verdict];
            else
                readings.add(log->value(Channel::AirFuel, i), credit[i].mafVolts, settings);
        }
    }
    result.accepted = readings.accepted();
    readings.fill(result, current, settings);
    return result;
}

CellValues CellValuesOf(const tuner::Table& table)
{
    CellValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = table[tuner::EntryOf(i, 0)];
    return values;
}

tuner::Table SuggestedTable(const tuner::Table& table, const Result& result, std::optional<tuner::EntryWrite>* beyond)
{
    tuner::CellAmounts amounts{};
    for (int i = 0; i < CellCount; ++i) {
        const CellResult& cell = result.cells[i];
        if (cell.outcome == CellOutcome::Suggested)
            amounts[i] = cell.suggested - table[tuner::EntryOf(i, 0)];
    }
    const tuner::CellsMove move = tuner::MoveCells(table, amounts, 0);
    if (beyond)
        *beyond = move.beyond;
    tuner::Table out = table;
    for (const tuner::EntryWrite& write : move.writes)
        out[write.address] = static_cast<qint16>(write.value);
    return out;
}

} // namespace autotune

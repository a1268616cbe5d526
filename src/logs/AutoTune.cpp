#include "logs/AutoTune.h"

#include "app/AirFuelFormula.h"
#include "logs/CellStatistics.h"
#include "platform/NumberFormat.h"
#include "tuner/SliderInterpolation.h"

#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace autotune {

namespace {

constexpr int CellCount = tuner_cells::CellCount;
constexpr double ThrottleRangeDegrees = 90.0;
constexpr double TpsRangeVolts = 5.0;
constexpr int SliderLimit = 100;

using logs::Channel;
using logs::DataLog;

// How fast a column changes at a sample: the larger of the steps to its two
// neighbours, per second of the log's time scale.
double rateAt(const std::vector<double>& values, const std::vector<double>& seconds, std::size_t i)
{
    double rate = 0;
    const auto step = [&](std::size_t a, std::size_t b) {
        const double dt = seconds[b] - seconds[a];
        if (dt > 0 && !std::isnan(values[a]) && !std::isnan(values[b]))
            rate = std::max(rate, std::abs(values[b] - values[a]) / dt);
    };
    if (i > 0)
        step(i - 1, i);
    if (i + 1 < values.size())
        step(i, i + 1);
    return rate;
}

// The calculator's correction as an exact fraction of whole numbers: with the
// ratios in ten-thousandths, (m / t - 1) x 100 x 19 / E is
// (m - t) x 1900 / (t x E).
struct Fraction {
    long long numerator = 0;
    long long denominator = 1;  // above 0
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

// numerator / denominator to the nearest whole number, halves to the even one.
long long roundedHalfEven(long long numerator, long long denominator)
{
    long long quotient = numerator / denominator;
    long long remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    if (remainder * 2 > denominator || (remainder * 2 == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

bool tunedOpenLoop(const DataLog& log, std::size_t i, const Settings& settings)
{
    if (!log.has(Channel::TpsVolts))
        return IsOpenLoopTable(settings.table);
    return log.value(Channel::TpsVolts, i) > settings.breakpointVolts;
}

} // namespace

QString RejectionText(Rejection reason)
{
    switch (reason) {
    case Rejection::NoAirFuel:
        return QStringLiteral("A/F missing (XXX)");
    case Rejection::AtRail:
        return QStringLiteral("A/F at the sensor's rail");
    case Rejection::OtherTable:
        return QStringLiteral("other table");
    case Rejection::ClosedLoop:
        return QStringLiteral("closed loop");
    case Rejection::LowRpm:
        return QStringLiteral("engine speed too low");
    case Rejection::ThrottleMoving:
        return QStringLiteral("throttle moving");
    case Rejection::AfterTransient:
        return QStringLiteral("after a throttle transient");
    case Rejection::MafChanging:
        return QStringLiteral("MAF voltage changing");
    }
    return {};
}

bool IsOpenLoopTable(char table)
{
    return table == 'O' || table == 'H';
}

double DefaultTarget(char table)
{
    return IsOpenLoopTable(table) ? 12.8 : 14.7;
}

QString AssumptionText(const Settings& settings)
{
    const QString table(QLatin1Char(settings.table));
    if (!settings.splitByThrottle)
        return QStringLiteral("Assumed: every sample tuned table %1 (split by throttle off).").arg(table);
    return QStringLiteral("Assumed: samples with the TPS above %1 V (the wide-open-throttle breakpoint) tuned the "
                          "open-loop table, the others the closed-loop table; table %2 takes the %3 ones.")
        .arg(number_format::Format(settings.breakpointVolts, QStringLiteral("0.000")), table,
             IsOpenLoopTable(settings.table) ? QStringLiteral("above") : QStringLiteral("other"));
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
    return static_cast<int>(roundedHalfEven(needed.numerator, needed.denominator));
}

std::vector<int> SampleVerdicts(const DataLog& log, const Settings& settings)
{
    const std::size_t n = log.size();
    std::vector<int> verdicts(n, Accepted);
    const bool hasAirFuel = log.has(Channel::AirFuel);
    const bool hasRpm = log.has(Channel::Rpm);
    const bool hasMaf = log.has(Channel::MafIn);
    // The throttle's angle where the log has it, else its sensor's volts.
    const bool byAngle = log.has(Channel::ThrottleAngle);
    const bool hasThrottle = byAngle || log.has(Channel::TpsVolts);
    const std::vector<double>& throttle = byAngle ? log.column(Channel::ThrottleAngle) : log.column(Channel::TpsVolts);
    const double throttleLimit =
        settings.throttlePercentPerSecond / 100.0 * (byAngle ? ThrottleRangeDegrees : TpsRangeVolts);

    double lastTransient = -1e300;
    for (std::size_t i = 0; i < n; ++i) {
        const auto reject = [&](Rejection reason) { verdicts[i] = static_cast<int>(reason); };
        const bool moving = hasThrottle && rateAt(throttle, log.seconds, i) > throttleLimit;
        const bool lagging = !moving && log.seconds[i] - lastTransient <= settings.transientSeconds;
        if (moving)
            lastTransient = log.seconds[i];

        const double airFuel = hasAirFuel ? log.value(Channel::AirFuel, i) : std::nan("");
        const bool openLoop = settings.splitByThrottle ? tunedOpenLoop(log, i, settings)
                                                        : IsOpenLoopTable(settings.table);
        if (std::isnan(airFuel))
            reject(Rejection::NoAirFuel);
        else if (airFuel <= settings.railLow || airFuel >= settings.railHigh)
            reject(Rejection::AtRail);
        else if (openLoop != IsOpenLoopTable(settings.table))
            reject(Rejection::OtherTable);
        else if (!openLoop && !settings.useClosedLoop)
            reject(Rejection::ClosedLoop);
        else if (hasRpm && log.value(Channel::Rpm, i) < settings.minimumRpm)
            reject(Rejection::LowRpm);
        else if (moving)
            reject(Rejection::ThrottleMoving);
        else if (lagging)
            reject(Rejection::AfterTransient);
        else if (!hasMaf || rateAt(log.column(Channel::MafIn), log.seconds, i) > settings.mafVoltsPerSecond)
            reject(Rejection::MafChanging);
    }
    return verdicts;
}

Result Analyse(const std::vector<const DataLog*>& logs, const CellValues& current, const Settings& settings)
{
    Result result;
    std::array<std::vector<double>, CellCount> readings;
    for (const DataLog* log : logs) {
        const std::vector<int> verdicts = SampleVerdicts(*log, settings);
        result.samples += static_cast<int>(verdicts.size());
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            if (verdicts[i] != Accepted) {
                ++result.rejected[verdicts[i]];
                continue;
            }
            ++result.accepted;
            readings[tuner_cells::ActiveCellForVolts(log->value(Channel::MafIn, i))].push_back(
                log->value(Channel::AirFuel, i));
        }
    }

    // The correction each cell with enough samples needs, before rounding:
    // exact fractions over one denominator (one target, one injector size).
    std::array<long long, CellCount> needed{};
    std::array<bool, CellCount> enough{};
    long long denominator = 1;
    for (int i = 0; i < CellCount; ++i) {
        CellResult& cell = result.cells[i];
        cell.current = current[i];
        cell.suggested = current[i];
        cell.samples = static_cast<int>(readings[i].size());
        if (cell.samples > 0) {
            cell.measured = logs::Median(readings[i]);
            cell.errorPercent = (cell.measured / settings.target - 1.0) * 100.0;
        }
        enough[i] = cell.samples >= settings.minimumSamples && cell.samples > 0;
        const Fraction fraction = neededFraction(cell.measured, settings.target, settings.eecInjectorSize);
        denominator = fraction.denominator;
        if (enough[i])
            needed[i] = fraction.numerator;
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
        long long sum = needed[i];
        long long weight = 1;
        if (settings.smoothing) {
            sum = 2 * needed[i];
            weight = 2;
            for (const int j : {i - 1, i + 1}) {
                if (j >= 0 && j < CellCount && enough[j]) {
                    sum += needed[j];
                    weight += 1;
                }
            }
        }
        const int points = static_cast<int>(
            std::clamp<long long>(roundedHalfEven(sum, denominator * weight), -settings.capPoints, settings.capPoints));
        // From the entry's true value, never against what the median says: an
        // entry at or beyond the sliders' reach in the direction asked for stays.
        if ((points > 0 && cell.current >= SliderLimit) || (points < 0 && cell.current <= -SliderLimit)) {
            cell.outcome = CellOutcome::AtLimit;
            continue;
        }
        cell.suggested = points > 0 ? std::min(cell.current + points, SliderLimit)
                                    : std::max(cell.current + points, -SliderLimit);
        if (points == 0)
            cell.suggested = cell.current;
        cell.change = cell.suggested - cell.current;
        cell.outcome = CellOutcome::Suggested;
    }
    return result;
}

CellValues CellValuesOf(const tuner::Table& table)
{
    CellValues values{};
    for (int i = 0; i < CellCount; ++i)
        values[i] = table[tuner::EntryOf(i, 0)];
    return values;
}

tuner::Table SuggestedTable(const tuner::Table& table, const Result& result)
{
    tuner::Table out = table;
    // The cells' own entries as they stand while the cells are moved one by
    // one: their true values, so the entries between two cells run straight
    // to what the neighbour really holds.
    std::array<int, CellCount> cells{};
    for (int i = 0; i < CellCount; ++i)
        cells[i] = table[tuner::EntryOf(i, 0)];
    for (int i = 0; i < CellCount; ++i) {
        const CellResult& cell = result.cells[i];
        if (cell.outcome != CellOutcome::Suggested || cell.suggested == cells[i])
            continue;
        cells[i] = cell.suggested;
        const int prev = i > 0 ? cells[i - 1] : cells[i];
        const int next = i < CellCount - 1 ? cells[i + 1] : cells[i];
        for (const tuner::EntryWrite& write : tuner::SliderWrites(i, prev, cells[i], next, 0))
            out[write.address] = static_cast<qint16>(write.value);
    }
    return out;
}

std::array<CellError, CellCount> WideOpenErrors(const DataLog& log, double breakpointVolts, double target)
{
    std::array<CellError, CellCount> errors{};
    if (!log.has(Channel::MafIn) || !log.has(Channel::AirFuel) || !log.has(Channel::TpsVolts))
        return errors;
    std::array<std::vector<double>, CellCount> deviations;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const double airFuel = log.value(Channel::AirFuel, i);
        if (std::isnan(airFuel) || log.value(Channel::TpsVolts, i) <= breakpointVolts)
            continue;
        deviations[tuner_cells::ActiveCellForVolts(log.value(Channel::MafIn, i))].push_back(
            std::abs(airFuel / target - 1.0) * 100.0);
    }
    for (int i = 0; i < CellCount; ++i) {
        errors[i].samples = static_cast<int>(deviations[i].size());
        errors[i].medianPercent = logs::Median(deviations[i]);
    }
    return errors;
}

QString ReportText(const Result& result, const Settings& settings)
{
    QString text;
    QTextStream out(&text);
    const auto fixed = [](double value, const char* pattern) {
        return number_format::Format(value, QLatin1String(pattern));
    };
    out << "Table " << settings.table << ", target A/F " << fixed(settings.target, "#0.0") << ":1, EEC injectors "
        << fixed(air_fuel::ScalingInjectorSize(settings.eecInjectorSize), "#0") << " lb/hr, cap "
        << settings.capPoints << " points per pass" << Qt::endl;
    out << AssumptionText(settings) << Qt::endl;
    if (!IsOpenLoopTable(settings.table) && !settings.useClosedLoop)
        out << "Closed-loop samples are not used: the engine computer's trims pull them to 14.7." << Qt::endl;
    out << Qt::endl;
    out << "Cell  Volts  Samples  Median A/F  Error %  Current  Change  Suggested" << Qt::endl;
    for (int i = 0; i < tuner_cells::CellCount; ++i) {
        const CellResult& cell = result.cells[i];
        out << QString::number(i).rightJustified(4) << "  " << fixed(tuner_cells::CellCaptionVolts(i), "0.00").rightJustified(5)
            << "  " << QString::number(cell.samples).rightJustified(7) << "  "
            << (cell.samples ? fixed(cell.measured, "#0.00") : QStringLiteral("-")).rightJustified(10) << "  "
            << (cell.samples ? fixed(cell.errorPercent, "##0.0") : QStringLiteral("-")).rightJustified(7) << "  "
            << QString::number(cell.current).rightJustified(7) << "  ";
        switch (cell.outcome) {
        case CellOutcome::Suggested:
            out << (cell.change > 0 ? QStringLiteral("+%1").arg(cell.change) : QString::number(cell.change)).rightJustified(6)
                << "  " << QString::number(cell.suggested).rightJustified(9);
            break;
        case CellOutcome::TooFew:
            out << "     -  " << QString::number(cell.suggested).rightJustified(9) << "  too few samples";
            break;
        case CellOutcome::Locked:
            out << "     -  " << QString::number(cell.suggested).rightJustified(9) << "  locked";
            break;
        case CellOutcome::AtLimit:
            out << "     -  " << QString::number(cell.suggested).rightJustified(9) << "  at its limit";
            break;
        }
        out << Qt::endl;
    }
    out << Qt::endl;
    out << result.samples << " samples: " << result.accepted << " used, " << result.rejectedTotal() << " rejected"
        << Qt::endl;
    for (int r = 0; r < RejectionCount; ++r)
        if (result.rejected[r] > 0)
            out << "  " << RejectionText(static_cast<Rejection>(r)) << ": " << result.rejected[r] << Qt::endl;
    return text;
}

} // namespace autotune

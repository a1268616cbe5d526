#include "logs/SampleFilter.h"

#include <algorithm>

namespace logs {

bool SampleFilter::passes(const DataLog& log, std::size_t sample) const
{
    if (range && (log.seconds[sample] < range->from || log.seconds[sample] > range->to))
        return false;
    if (throttle != ThrottleBand::All && log.has(Channel::TpsVolts)) {
        const bool wideOpen = log.value(Channel::TpsVolts, sample) > breakpointVolts;
        if (wideOpen != (throttle == ThrottleBand::AboveBreakpoint))
            return false;
    }
    if (log.has(Channel::Rpm)) {
        const double rpm = log.value(Channel::Rpm, sample);
        if (rpm < minRpm || rpm > maxRpm)
            return false;
    }
    return true;
}

std::size_t SampleFilter::first(const DataLog& log) const
{
    return range ? log.firstSampleFrom(range->from) : 0;
}

std::size_t SampleFilter::end(const DataLog& log) const
{
    if (!range)
        return log.size();
    return static_cast<std::size_t>(std::upper_bound(log.seconds.begin(), log.seconds.end(), range->to)
                                    - log.seconds.begin());
}

} // namespace logs

#include "logs/PlotScale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace plot_scale {

double NiceStep(double span, int maxTicks)
{
    if (!(span > 0) || maxTicks < 1)
        return 1;
    const double rough = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {1.0, 2.0, 5.0, 10.0}) {
        if (multiple * power >= rough)
            return multiple * power;
    }
    return 10 * power;
}

std::vector<double> Ticks(double lo, double hi, double step)
{
    std::vector<double> ticks;
    if (!(step > 0) || hi < lo)
        return ticks;
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9 && ticks.size() < 1000; ++k)
        ticks.push_back(k * step);
    return ticks;
}

double TimeStep(double span, int maxTicks)
{
    static const std::array<double, 19> steps = {0.1, 0.2, 0.5, 1,   2,    5,    10,   15,    30,   60,
                                                 120, 300, 600, 900, 1800, 3600, 7200, 14400, 21600};
    const double rough = span / std::max(1, maxTicks);
    for (const double step : steps) {
        if (step >= rough)
            return step;
    }
    return 43200;
}

Range RoundedRange(double lo, double hi, double minSpan)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo)
        return {0, minSpan};
    if (hi - lo < minSpan) {
        const double middle = (lo + hi) / 2;
        lo = middle - minSpan / 2;
        hi = middle + minSpan / 2;
    }
    // A little room beyond the extremes, so that they do not sit on the frame.
    const double margin = (hi - lo) * 0.02;
    lo -= margin;
    hi += margin;
    const double step = NiceStep(hi - lo, 5);
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step};
}

QColor ThrottleColour(double degrees)
{
    const double f = std::clamp(degrees / FullThrottleDegrees, 0.0, 1.0);
    // Hue from blue (240) through green to red (0).
    return QColor::fromHsvF(static_cast<float>((1.0 - f) * 240.0 / 360.0), 0.9f, 0.85f);
}

int ThrottleBand(double degrees)
{
    if (!(degrees > 0))
        return 0;
    return std::min(ThrottleBandCount - 1, static_cast<int>(degrees / ThrottleBandDegrees));
}

QColor ThrottleBandColour(int band)
{
    return ThrottleColour((band + 0.5) * ThrottleBandDegrees);
}

QString TickText(double value, double step)
{
    int decimals = 0;
    for (double s = step; decimals < 6 && std::fabs(s - std::round(s)) > 1e-9; s *= 10)
        ++decimals;
    if (std::fabs(value) < step * 1e-6)
        value = 0;
    return QString::number(value, 'f', decimals);
}

} // namespace plot_scale

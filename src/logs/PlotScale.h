#pragma once

#include <QColor>
#include <QString>

#include <vector>

class QPainter;
class QRectF;

// Scales, ticks and colours shared by the log viewer's pictures.
namespace plot_scale {

// Tick values between lo and hi at a round step (1, 2 or 5 times a power of
// ten), no more than about maxTicks of them.
double NiceStep(double span, int maxTicks);
std::vector<double> Ticks(double lo, double hi, double step);

// A step for a time axis, in seconds: tenths, seconds, minutes or hours.
double TimeStep(double span, int maxTicks);

// A value range widened to round numbers, never narrower than minSpan.
struct Range {
    double lo;
    double hi;
};
Range RoundedRange(double lo, double hi, double minSpan);

// The colour of a point by throttle angle, 0 (closed, blue) to 90 degrees
// (wide open, red).
QColor ThrottleColour(double degrees);
inline constexpr double FullThrottleDegrees = 90.0;

// Points are coloured by bands of throttle angle, 10 degrees wide: 0 to 10
// is band 0, 80 to 90 (and beyond) band 8; each band has the colour of its middle.
inline constexpr int ThrottleBandCount = 9;
inline constexpr double ThrottleBandDegrees = FullThrottleDegrees / ThrottleBandCount;
int ThrottleBand(double degrees);
QColor ThrottleBandColour(int band);

// A tick label with as many decimals as the step needs.
QString TickText(double value, double step);

// Straight from value to pixel.
inline double Map(double value, double lo, double hi, double pixelLo, double pixelHi)
{
    return hi == lo ? pixelLo : pixelLo + (value - lo) / (hi - lo) * (pixelHi - pixelLo);
}

} // namespace plot_scale

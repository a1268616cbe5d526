#pragma once

#include <QString>

#include <utility>
#include <vector>

// How far the simulated engine's MAF sensor reads off, in percent of the
// true flow, by its output voltage: points such as "0.5:+8,2.5:-4,4.5:+12",
// straight lines between them, flat beyond the first and the last, and no
// error at all when no point is given.
class MafErrorCurve {
public:
    MafErrorCurve() = default;

    // Points "VOLTS:PERCENT" separated by commas, volts 0 to 5 and rising.
    // On a bad text returns false with *error saying why and changes nothing.
    bool parse(const QString& text, QString* error);

    double percentAt(double volts) const;
    bool isEmpty() const { return points_.empty(); }

private:
    std::vector<std::pair<double, double>> points_; // volts, percent
};

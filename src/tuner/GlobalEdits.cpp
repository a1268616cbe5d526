#include "tuner/GlobalEdits.h"

#include "correction/CorrectionCells.h"
#include "platform/NumberFormat.h"

namespace tuner {

ShiftRefusal CheckShift(const SliderValues& sliders, int delta)
{
    for (const int value : sliders) {
        if (value + delta > SliderMaximum)
            return ShiftRefusal::AboveMaximum;
        if (value + delta < SliderMinimum)
            return ShiftRefusal::BelowMinimum;
    }
    return ShiftRefusal::None;
}

int Compensation(double newRatio, float lastAppliedRatio)
{
    return static_cast<int>(number_format::RoundHalfEven((newRatio - lastAppliedRatio) * 100.0));
}

bool CompensationFits(const SliderValues& sliders, int compensation)
{
    if (compensation > SliderMaximum || compensation < SliderMinimum)
        return false;
    for (const int value : sliders)
        if (value + compensation > SliderMaximum || value + compensation < SliderMinimum)
            return false;
    return true;
}

} // namespace tuner

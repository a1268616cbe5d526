#include "correction/CorrectionCells.h"

#include "link/Frame.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace tuner {

int DecodeEntry(int byte)
{
    const int low = byte & 0xFF;
    return low > 127 ? low - 256 : low;
}

QString EncodeEntry(int value)
{
    return frame::HexByte(value & 0xFF);
}

int EntryOf(int cell, int sliderOffset)
{
    return 8 + 10 * cell + sliderOffset / OffsetPerEntry;
}

int SliderPosition(int value)
{
    return std::clamp(value, SliderMinimum, SliderMaximum);
}

bool BeyondSlider(int value)
{
    return value < SliderMinimum || value > SliderMaximum;
}

int SnapOffset(int scrollValue)
{
    const int magnitude = std::min(std::abs(scrollValue), OffsetLimit);
    if (magnitude <= OffsetPerEntry / 2)
        return 0;
    const int snapped = (magnitude + OffsetPerEntry - 1) / OffsetPerEntry * OffsetPerEntry;
    return scrollValue < 0 ? -snapped : snapped;
}

QString CellCaption(int cell, int sliderOffset)
{
    return number_format::Format(0.1 + 0.2 * cell + 0.1 * sliderOffset / 200.0, QStringLiteral("0.00"));
}

int ActiveCell(double mafInputVolts)
{
    const double code = mafInputVolts / 5.0 * 255.0;
    const long long cell = number_format::RoundHalfEven((code - 5.0) * CellCount / 255.0);
    return static_cast<int>(std::clamp<long long>(cell, 0, LastCell));
}

} // namespace tuner

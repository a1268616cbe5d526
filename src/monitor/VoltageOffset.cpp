#include "monitor/VoltageOffset.h"

#include "link/Frame.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace voltage_offset {

int FromRegisterByte(int byte)
{
    return byte > 127 ? byte - 256 : byte;
}

int ClampToSlider(int offset)
{
    return std::clamp(offset, SliderMinimum, SliderMaximum);
}

QString Digits(int offset)
{
    return frame::HexByte(offset & 0xFF);
}

QString VoltsText(int offset)
{
    return number_format::Format(offset / 1024.0 * 5.0, QStringLiteral("0.000"));
}

} // namespace voltage_offset

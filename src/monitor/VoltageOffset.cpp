#include "monitor/VoltageOffset.h"

#include "link/Commands.h"
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

bool EchoMatches(const QString& replyData, const QString& digits)
{
    return cmd::Text(replyData, cmd::reply::RegisterEcho) == frame::HexByte(cmd::VoltageOffset) + digits;
}

} // namespace voltage_offset

#include "tuner/TunerSettings.h"

#include "link/Frame.h"
#include "link/RegisterMap.h"
#include "platform/NumberFormat.h"

namespace tuner {

BreakpointBytes BytesOfBreakpoint(int count)
{
    return {(count >> 8) & 0xFF, count & 0xFF};
}

float BreakpointVolts(int count)
{
    return static_cast<float>(register_map::BreakpointVolts(count));
}

QString BreakpointText(int count)
{
    return number_format::Format(BreakpointVolts(count), QStringLiteral("0.000"));
}

int BreakpointCountOf(double volts)
{
    return static_cast<int>(number_format::RoundHalfEven(volts * 1024.0 / 5.0));
}

int SwitchStepOf(double rpm)
{
    return static_cast<int>(number_format::RoundHalfEven(rpm / register_map::RpmPerStep));
}

QString SwitchDigits(double rpm)
{
    return frame::HexByte(SwitchStepOf(rpm));
}

QString SwitchText(double rpm)
{
    return number_format::Format(rpm, QStringLiteral("##,##0"));
}

} // namespace tuner

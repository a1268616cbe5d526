#include "monitor/LiveSample.h"

#include "platform/Colours.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace live_sample {

int FieldValue(const QString& data, Field field)
{
    const QString text = data.mid(field.position - 1, field.width);
    int value = 0;
    for (const QChar c : text) {
        const int digit = c.isDigit() && c.unicode() < 128                         ? c.unicode() - '0'
            : (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')) ? c.toUpper().unicode() - 'A' + 10
                                                                                   : -1;
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    if (field.width == 4 && value > 0x7FFF)
        value -= 0x10000;
    return value;
}

int NextMultisparkCounter(int counter, int multisparkRaw)
{
    if (multisparkRaw == 0 && counter > 0)
        return counter - MultisparkStep;
    if (multisparkRaw != 0 && counter < MultisparkLimit)
        return counter + MultisparkStep;
    return counter;
}

bool HeartbeatTick(int& counter)
{
    if (counter == HeartbeatPeriod) {
        counter = 0;
        return true;
    }
    ++counter;
    return false;
}

QColor ToggledHeartbeat(const QColor& current, const QColor& buttonFace)
{
    if (current == buttonFace)
        return colours::Green;
    if (current == colours::Green)
        return buttonFace;
    return current;
}

} // namespace live_sample

float WidebandToAirFuel(int model, float volts)
{
    // The voltage is single precision; each boundary, rounded the same way,
    // belongs to the segment that starts or ends with it.
    const float v = volts;
    const double x = v;
    const auto ratio = [](double r) { return static_cast<float>(r); };
    switch (model) {
    case 0: // FJO WBO2
        if (v < 0.5f)
            return 0.0f;
        if (v < 2.5f)
            return ratio(0.31066 * x * x + 1.7132 * x + 8.4554);
        if (v <= 3.1f)
            return ratio(4.2352 * x * x - 14.74 * x + 25.193);
        return 20.0f;
    case 1: // BAILEY AFM-1
        return ratio(20 - 2 * x);
    case 2: // TECHEDGE DIY-WB
        return ratio(2 * x + 9);
    case 3: // EFI (BOSCH) WIDEBAND
        if (v < 1.3f)
            return 9.0f;
        if (v < 2.5f)
            return ratio(2.4132 * x * x - 4.9179 * x + 11.324);
        if (v <= 4.25f)
            return ratio(0.2327 * x * x + 1.6291 * x + 8.8802);
        return 20.0f;
    case 4: // PLX WIDEBAND
    case 6: // AEM UEGO
    case 8: // INNOVATE LM-1
        return ratio(2 * x + 10);
    case 5: // ZEITRONIX ZT-2
        if (v < 0.15f)
            return 9.7f;
        if (v < 2.5f)
            return ratio(0.500322 * x * x + 0.791393 * x + 9.593695);
        if (v <= 3.27f)
            return ratio(1.388162 * x * x + 0.681012 * x + 4.207929);
        return 21.2f;
    case 7: // UEGO1000/2000
        return ratio(2 * x + 8);
    default:
        return v;
    }
}

LiveSample DecodeLiveSample(const QString& data, const DecodeContext& context, int& multisparkCounter)
{
    using namespace live_sample;
    const auto volts = [](int counts) { return counts / 1023.0 * 5.0; };
    const auto change = [](double from, double to) { return from != 0 ? 100.0 * (to - from) / from : 0.0; };
    const auto flow = [&](int raw) { return raw * context.installedInjectorSize / 19.0; };

    LiveSample s;
    s.MAFInputVoltage = volts(FieldValue(data, MafInput));
    s.OutputVoltage = volts(FieldValue(data, MafOutput));
    s.VoltageChange = change(s.MAFInputVoltage, s.OutputVoltage);

    s.TPSVoltage = volts(FieldValue(data, Tps));
    s.ThrottleAngle = std::clamp((s.TPSVoltage - context.tpsKeyOnVolts) * 25.04, 0.0, 90.0);
    s.WOT = s.TPSVoltage > static_cast<float>(context.wotBreakpointVolts);

    s.InputFlow = flow(FieldValue(data, FlowIn));
    s.OutputFlow = flow(FieldValue(data, FlowOut));
    s.FlowChange = change(s.InputFlow, s.OutputFlow);

    const int speed = FieldValue(data, Speed);
    s.EngineSpeed = speed > 0 ? speed * 40.0 : 0.0;

    s.WidebandVoltage =
        static_cast<float>(FieldValue(data, Wideband) / 255.0 * (5.0 + 5.0 * context.fjoCalibration / 255.0));
    s.AirFuelRatio = WidebandToAirFuel(context.widebandModel, s.WidebandVoltage);

    s.WasteSpark = context.wasteSpark;
    s.MultisparkRaw = FieldValue(data, MultisparkField);
    multisparkCounter = NextMultisparkCounter(multisparkCounter, s.MultisparkRaw);
    s.Multispark = MultisparkOn(multisparkCounter);
    s.FlipChip = FieldValue(data, FlipChipField) == 0;
    return s;
}

namespace live_display {

using number_format::Format;

RichLean RichOrLean(double flowChange)
{
    if (flowChange < -0.5)
        return {QStringLiteral("LEAN"), false, colours::Red};
    if (flowChange > 0.5)
        return {QStringLiteral("RICH"), false, colours::Green};
    return {QStringLiteral("NONE"), true, QColor()};
}

AirFuel AirFuelText(float airFuelRatio)
{
    if (airFuelRatio == 0.0f)
        return {QStringLiteral("XXX"), colours::Red};
    const QColor colour = airFuelRatio <= 12.5f ? colours::Green
        : airFuelRatio <= 13.5f                 ? colours::Yellow
                                                : colours::Red;
    return {Format(airFuelRatio, QStringLiteral("#0.0")), colour};
}

QString Volts(double volts)
{
    return Format(volts, QStringLiteral("#0.000"));
}
QString Percent(double percent)
{
    return Format(percent, QStringLiteral("##0.0"));
}
QString Flow(double kgPerHour)
{
    return Format(kgPerHour, QStringLiteral("###0"));
}
QString Rpm(double rpm)
{
    return Format(rpm, QStringLiteral("##,##0"));
}
QString Angle(double degrees)
{
    return Format(degrees, QStringLiteral("##0.0"));
}

} // namespace live_display

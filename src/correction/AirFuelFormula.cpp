#include "correction/AirFuelFormula.h"

#include "link/RegisterMap.h"
#include "platform/NumberFormat.h"

namespace air_fuel {

QString EntryError(double current, double desired)
{
    if (current > HighestRatio)
        return QStringLiteral("Current Air/Fuel ratio must be <= 18:1");
    if (current < LowestRatio)
        return QStringLiteral("Current Air/Fuel ratio must be >= 10:1");
    if (desired > HighestRatio)
        return QStringLiteral("Desired Air/Fuel ratio must be <= 18:1");
    if (desired < LowestRatio)
        return QStringLiteral("Desired Air/Fuel ratio must be >= 10:1");
    return {};
}

double ScalingInjectorSize(double eecInjectorSize)
{
    return eecInjectorSize > 0.0 ? eecInjectorSize : register_map::DefaultInjectorSize;
}

double CorrectionPercent(double current, double desired, double injectorSize)
{
    return (current / desired - 1.0) * 100.0 * register_map::DefaultInjectorSize / injectorSize;
}

Polarity PolarityOf(double percent)
{
    if (percent > 0.0)
        return Polarity::Rich;
    if (percent < 0.0)
        return Polarity::Lean;
    return Polarity::None;
}

QString ChangeText(double percent)
{
    const QString text = number_format::Format(percent, QStringLiteral("##0.0"));
    if (percent < 0.0 && !text.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') + text;
    return text;
}

} // namespace air_fuel

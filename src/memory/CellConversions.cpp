#include "memory/CellConversions.h"

#include "platform/NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace cells {

using number_format::RoundHalfEven;

QString InjectorCaption(double size)
{
    for (const int listed : InjectorSizes)
        if (listed == size)
            return QStringLiteral("%1lb/hr").arg(listed);
    return QStringLiteral("<Select>");
}

double TransferCalibrationSize(std::optional<double> chosenSize, double installedInjectorSize)
{
    if (chosenSize && *chosenSize > 0.0)
        return *chosenSize;
    return installedInjectorSize > 0.0 ? installedInjectorSize : CalibrationInjectorSize;
}

double TransferCalibrationRatio(double calibrationSize)
{
    return calibrationSize / CalibrationInjectorSize;
}

QString CalibrationCaption(double calibrationSize)
{
    return QString::number(calibrationSize) + QStringLiteral("lb/hr");
}

bool IsCorrectionTable(char table)
{
    return table == 'O' || table == 'C' || table == 'H' || table == 'L';
}

int RpmToAddress(double rpm)
{
    return static_cast<int>(RoundHalfEven(rpm / RpmPerCell));
}

int VoltsToAddress(double volts)
{
    // volts x 1024 is exact in binary, so halves land exactly on .5.
    const long long address = RoundHalfEven(volts * 1024.0 / 20.0);
    return static_cast<int>(std::min<long long>(address, LastAddress));
}

int TransferScale(int address)
{
    if (address <= 150)
        return 1;
    if (address <= 200)
        return 2;
    return 4;
}

int DecodeCorrection(int byte)
{
    return byte >= 128 ? byte - 256 : byte;
}

int EncodeCorrection(double percent)
{
    const long long whole = RoundHalfEven(percent);
    return static_cast<int>(((whole % 256) + 256) % 256);
}

long long DecodeFlow(int address, int byte, double injectorRatio)
{
    const double flow = byte * TransferScale(address) * injectorRatio;
    return std::isfinite(flow) ? RoundHalfEven(flow) : 0;
}

std::optional<int> EncodeFlow(int address, double flow, double injectorRatio)
{
    if (!std::isfinite(injectorRatio) || injectorRatio <= 0.0 || !std::isfinite(flow))
        return std::nullopt;
    const double quotient = flow / (TransferScale(address) * injectorRatio);
    if (!std::isfinite(quotient) || quotient < -0.5 || quotient > 256.0)
        return std::nullopt;
    const long long byte = RoundHalfEven(quotient);
    if (byte < 0 || byte > 255)
        return std::nullopt;
    return static_cast<int>(byte);
}

long long FlowLimit(double injectorRatio)
{
    const double limit = FullScaleFlow * injectorRatio;
    return std::isfinite(limit) ? RoundHalfEven(limit) : 0;
}

long long CellFlowLimit(int address, double injectorRatio)
{
    // The flow of byte FF, brought down until it also encodes (with a small
    // ratio the rounded flow can lie just past what FF holds).
    long long limit = DecodeFlow(address, 255, injectorRatio);
    while (limit > 0 && !EncodeFlow(address, static_cast<double>(limit), injectorRatio))
        --limit;
    return limit;
}

QString SignedText(long long value)
{
    return value >= 0 ? QStringLiteral(" ") + QString::number(value) : QString::number(value);
}

} // namespace cells

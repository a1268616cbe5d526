#include "memory/CellEntry.h"

#include "memory/CellConversions.h"

#include <cmath>

namespace cells {

std::optional<QString> PositionError(char table, double position)
{
    if (table == 'F') {
        if (position < 0)
            return QStringLiteral("Voltage must be greater than zero.");
        if (!(position <= MaxVolts)) // also a position that is not a number
            return QStringLiteral("Voltage must be less than or equal to 4.995v.");
        return std::nullopt;
    }
    if (position < 0)
        return QStringLiteral("RPM must be greater than zero.");
    if (!(position <= MaxRpm))
        return QStringLiteral("RPM must be less than or equal to 10,200.");
    return std::nullopt;
}

std::optional<QString> CorrectionError(double percent)
{
    if (!(percent >= -MaxCorrection && percent <= MaxCorrection))
        return QStringLiteral("Correction is limited to +/- 100%");
    return std::nullopt;
}

std::optional<QString> FlowError(int address, double flow, double injectorRatio)
{
    if (flow < 0)
        return QStringLiteral("Mass-air Flow Rate must be positive.");
    // Without a usable ratio no byte can be worked out.
    if (!std::isfinite(injectorRatio) || injectorRatio <= 0.0)
        return QStringLiteral("The injector calibration is not known. "
                              "Please select the installed injector size.");
    const long long limit = FlowLimit(injectorRatio);
    if (!(flow <= limit))
        return QStringLiteral("Mass-air Flow Rate must be less than ") + SignedText(limit) + QStringLiteral("kg/hr.");
    // Below address 201 a cell's byte runs out before L does.
    if (!EncodeFlow(address, flow, injectorRatio))
        return QStringLiteral("Mass-air Flow Rate at this voltage must be less than or equal to ")
            + QString::number(CellFlowLimit(address, injectorRatio)) + QStringLiteral(" kg/hr.");
    return std::nullopt;
}

std::optional<BlockEntryError> BlockError(double startRpm, double stopRpm, double percent)
{
    if (startRpm < 0)
        return BlockEntryError{QStringLiteral("Start RPM must be >= 0"), BlockStart};
    if (!(startRpm <= MaxRpm))
        return BlockEntryError{QStringLiteral("Start RPM must be <= 10,200"), BlockStart};
    if (stopRpm < 0)
        return BlockEntryError{QStringLiteral("Stop RPM must be >= 0"), BlockStop};
    if (!(stopRpm <= MaxRpm))
        return BlockEntryError{QStringLiteral("Stop RPM must be <= 10,200"), BlockStop};
    if (stopRpm - startRpm < 0)
        return BlockEntryError{QStringLiteral("Stop RPM must be greater than Start RPM"), BlockStart | BlockStop};
    if (const auto error = CorrectionError(percent))
        return BlockEntryError{*error, BlockValue};
    return std::nullopt;
}

} // namespace cells

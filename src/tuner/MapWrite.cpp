#include "tuner/MapWrite.h"

#include "link/Commands.h"
#include "platform/NumberFormat.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerLink.h"
#include "tuner/TunerSettings.h"

namespace tuner {

namespace {

int sizeByte(double lbPerHour)
{
    return static_cast<int>(number_format::RoundHalfEven(lbPerHour)) & 0xFF;
}

} // namespace

MapWriteResult WriteWholeMap(char letter, const Table& table, const MapSettings& settings,
                             const std::function<void(int entry)>& progress)
{
    for (int j = 0; j < TableSize; ++j) {
        if (progress)
            progress(j);
        if (!tuner_link::WriteEntry(letter, j, table[j]))
            return MapWriteResult::Failed;
    }

    const BreakpointBytes breakpoint = BytesOfBreakpoint(BreakpointCountOf(settings.wotBreakpointVolts));
    if (!tuner_link::WriteRegister(cmd::WotBreakpointHigh, breakpoint.high)
        || !tuner_link::WriteRegister(cmd::WotBreakpointLow, breakpoint.low))
        return MapWriteResult::Failed;

    const TableKind& kind = TableKindAt(TableIndexOf(letter));
    if (!tuner_link::WriteRegister(kind.injectorRegister, sizeByte(settings.installedInjectorSize))
        || !tuner_link::WriteRegister(kind.eecInjectorRegister, sizeByte(settings.eecInjectorSize)))
        return MapWriteResult::Failed;

    if (!tuner_link::WriteRegister(cmd::RpmSwitchOnPoint, SwitchStepOf(settings.switchOnRpm)))
        return MapWriteResult::SwitchOnFailed;
    if (!tuner_link::WriteRegister(cmd::RpmSwitchOffPoint, SwitchStepOf(settings.switchOffRpm)))
        return MapWriteResult::SwitchOffFailed;
    return MapWriteResult::Written;
}

} // namespace tuner

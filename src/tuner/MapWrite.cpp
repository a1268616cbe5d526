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

QList<MapEntryWrite> MapWrites(char letter, const Table& table, const MapSettings& settings)
{
    QList<MapEntryWrite> writes;
    for (int j = 0; j < TableSize; ++j)
        writes.append({letter, j, table[j] & 0xFF});
    const BreakpointBytes breakpoint = BytesOfBreakpoint(BreakpointCountOf(settings.wotBreakpointVolts));
    const TableKind& kind = TableKindAt(TableIndexOf(letter));
    const std::pair<int, int> registers[] = {
        {cmd::WotBreakpointHigh, breakpoint.high},
        {cmd::WotBreakpointLow, breakpoint.low},
        {kind.injectorRegister, sizeByte(settings.installedInjectorSize)},
        {kind.eecInjectorRegister, sizeByte(settings.eecInjectorSize)},
        {cmd::RpmSwitchOnPoint, SwitchStepOf(settings.switchOnRpm)},
        {cmd::RpmSwitchOffPoint, SwitchStepOf(settings.switchOffRpm)},
    };
    for (const auto& [reg, byte] : registers)
        writes.append({'T', reg, byte});
    return writes;
}

MapWriteResult WriteWholeMap(char letter, const Table& table, const MapSettings& settings,
                             const std::function<void(int entry)>& progress)
{
    for (const MapEntryWrite& write : MapWrites(letter, table, settings)) {
        if (write.table != 'T') {
            if (progress)
                progress(write.address);
            if (!tuner_link::WriteEntry(letter, write.address, write.byte))
                return MapWriteResult::Failed;
        } else if (!tuner_link::WriteRegister(write.address, write.byte)) {
            // The switch points have their own messages.
            if (write.address == cmd::RpmSwitchOnPoint)
                return MapWriteResult::SwitchOnFailed;
            if (write.address == cmd::RpmSwitchOffPoint)
                return MapWriteResult::SwitchOffFailed;
            return MapWriteResult::Failed;
        }
    }
    return MapWriteResult::Written;
}

} // namespace tuner

#include "tuner/TunerLink.h"

#include "link/Unit.h"
#include "memory/CellAccess.h"
#include "state/PublicVars.h"

namespace tuner_link {

using unit::Use;

std::optional<int> ReadEntryByte(char table, int address)
{
    return unit::ReadCell(Use::TunerCellRead, table, address);
}

std::optional<int> ReadEntryByteAfterFailure(char table, int address)
{
    return unit::ReadCell(Use::TunerReadAfterFailure, table, address);
}

std::optional<int> ReadRegisterByte(int reg)
{
    return unit::ReadRegister(Use::TunerRegisterRead, reg);
}

bool WriteEntry(char table, int address, int value)
{
    return cells::WriteCellByte(table, address, value & 0xFF, Use::TunerCellWrite) == cells::WriteOutcome::Confirmed;
}

bool WriteRegister(int reg, int byte)
{
    return unit::WriteRegister(Use::TunerRegisterWrite, reg, byte);
}

std::optional<QString> RequestSample(const std::function<bool()>& between)
{
    std::optional<QString> sample = unit::LiveSample(Use::TunerSample, between);
    if (!sample)
        mdlPublicVars::Connected = false;
    return sample;
}

} // namespace tuner_link

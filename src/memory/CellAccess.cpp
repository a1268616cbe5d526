#include "memory/CellAccess.h"

#include "link/Unit.h"
#include "memory/CellConversions.h"
#include "memory/CellEntry.h"
#include "state/PublicVars.h"

namespace cells {

AddressOrError AddressFor(char table, double position)
{
    if (const auto error = PositionError(table, position))
        return {0, *error};
    return {table == 'F' ? VoltsToAddress(position) : RpmToAddress(position), {}};
}

ByteOrError ByteFor(char table, int address, double value, double injectorRatio)
{
    const auto error = table == 'F' ? FlowError(address, value, injectorRatio) : CorrectionError(value);
    if (error)
        return {0, *error};
    return {table == 'F' ? *EncodeFlow(address, value, injectorRatio) : EncodeCorrection(value), {}};
}

long long ValueOf(char table, int address, int byte, double injectorRatio)
{
    return table == 'F' ? DecodeFlow(address, byte, injectorRatio) : DecodeCorrection(byte);
}

namespace {

// The tune opened off line is saved to a file that holds no transfer
// function: a change to it would be lost without a word.
bool keptOffLine(char table)
{
    return table != 'F' || mdlPublicVars::OffLineTunePath.isEmpty();
}

WriteOutcome outcomeOf(unit::Written written)
{
    switch (written) {
    case unit::Written::Confirmed:
        return WriteOutcome::Confirmed;
    case unit::Written::WrongEcho:
        return WriteOutcome::NotConfirmed;
    case unit::Written::NotAnswered:
        break;
    }
    return WriteOutcome::NotAnswered;
}

} // namespace

std::optional<int> ReadCellByte(char table, int address, unit::Use use)
{
    return unit::ReadCell(use, table, address);
}

WriteOutcome WriteCellByte(char table, int address, int byte, unit::Use use)
{
    if (!keptOffLine(table))
        return WriteOutcome::Refused;
    return outcomeOf(unit::WriteCell(use, table, address, byte));
}

WriteOutcome FillCellBytes(char table, int first, int last, int byte)
{
    if (!keptOffLine(table))
        return WriteOutcome::Refused;
    return outcomeOf(unit::FillCells(unit::Use::MemoryBlock, table, first, last, byte));
}

int ReadTableBytes(char table, const std::function<bool(int cell, int byte)>& onCell)
{
    for (int cell = 0; cell < CellCount; ++cell) {
        const std::optional<int> byte = ReadCellByte(table, cell, unit::Use::MemoryListing);
        if (!byte)
            return cell;
        if (!onCell(cell, *byte))
            return cell + 1;
    }
    return CellCount;
}

} // namespace cells

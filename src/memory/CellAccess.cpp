#include "memory/CellAccess.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/Transaction.h"
#include "memory/CellConversions.h"
#include "memory/CellEcho.h"
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

bool transact(const QString& payload, Patience patience)
{
    mdlPublicVars::RxBuffer.clear();
    return SendFrame(payload, patience.attempts, patience.timeoutMs) != 0;
}

} // namespace

std::optional<int> ReadCellByte(char table, int address, Patience patience)
{
    if (!transact(cmd::ReadCell(table, address), patience))
        return std::nullopt;
    return cmd::HexValue(mdlPublicVars::RxBuffer, cmd::reply::CellValue);
}

WriteOutcome WriteCellByte(char table, int address, int byte, Patience patience)
{
    if (!keptOffLine(table))
        return WriteOutcome::Refused;
    if (!transact(cmd::WriteCell(table, address, byte), patience))
        return WriteOutcome::NotAnswered;
    return WriteEchoMatches(mdlPublicVars::RxBuffer, table, frame::HexByte(address), frame::HexByte(byte))
        ? WriteOutcome::Confirmed
        : WriteOutcome::NotConfirmed;
}

WriteOutcome FillCellBytes(char table, int first, int last, int byte)
{
    if (!keptOffLine(table))
        return WriteOutcome::Refused;
    if (!transact(cmd::FillCells(table, first, last, byte), BlockPatience))
        return WriteOutcome::NotAnswered;
    return FillEchoMatches(mdlPublicVars::RxBuffer, table, frame::HexByte(first), frame::HexByte(last),
                           frame::HexByte(byte))
        ? WriteOutcome::Confirmed
        : WriteOutcome::NotConfirmed;
}

int ReadTableBytes(char table, const std::function<bool(int cell, int byte)>& onCell)
{
    for (int cell = 0; cell < CellCount; ++cell) {
        const std::optional<int> byte = ReadCellByte(table, cell, TablePatience);
        if (!byte)
            return cell;
        if (!onCell(cell, *byte))
            return cell + 1;
    }
    return CellCount;
}

} // namespace cells

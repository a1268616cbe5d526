#include "tuner/TunerLink.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/RegisterMap.h"
#include "link/Transaction.h"
#include "memory/CellAccess.h"
#include "memory/CellEcho.h"
#include "state/PublicVars.h"

namespace tuner_link {

namespace {

constexpr cells::Patience TunerPatience{Attempts, TimeoutMs};

bool transact(const QString& payload, int attempts, int timeoutMs)
{
    mdlPublicVars::RxBuffer.clear();
    return SendFrame(payload, attempts, timeoutMs) != 0;
}

} // namespace

namespace {

std::optional<int> readEntry(char table, int address, int attempts, int timeoutMs)
{
    using mdlPublicVars::RxBuffer;
    if (!transact(cmd::ReadCell(table, address), attempts, timeoutMs))
        return std::nullopt;
    if (!cells::EchoedLetterIs(RxBuffer, table)
        || cmd::Text(RxBuffer, cmd::reply::CellAddress) != frame::HexByte(address))
        return std::nullopt;
    return register_map::ParseByte(cmd::Text(RxBuffer, cmd::reply::CellValue));
}

} // namespace

std::optional<int> ReadEntryByte(char table, int address)
{
    return readEntry(table, address, Attempts, TimeoutMs);
}

std::optional<int> ReadEntryByteAfterFailure(char table, int address)
{
    return readEntry(table, address, SampleAttempts, SampleTimeoutMs);
}

std::optional<int> ReadRegisterByte(int reg)
{
    if (!transact(cmd::ReadRegister(reg), Attempts, TimeoutMs))
        return std::nullopt;
    return register_map::ParseByte(cmd::Text(mdlPublicVars::RxBuffer, cmd::reply::RegisterValue));
}

bool WriteEntry(char table, int address, int value)
{
    return cells::WriteCellByte(table, address, value & 0xFF, TunerPatience) == cells::WriteOutcome::Confirmed;
}

bool WriteRegister(int reg, int byte)
{
    if (!transact(cmd::WriteRegister(reg, byte), Attempts, TimeoutMs))
        return false;
    return cmd::Text(mdlPublicVars::RxBuffer, cmd::reply::RegisterEcho) == frame::HexByte(reg) + frame::HexByte(byte);
}

bool RequestSample()
{
    if (transact(cmd::LiveSample(), SampleAttempts, SampleTimeoutMs))
        return true;
    mdlPublicVars::Connected = false;
    return false;
}

} // namespace tuner_link

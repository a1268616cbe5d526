#include "link/Unit.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

namespace unit {

namespace {

// One exchange with the use's attempts and time-out: the reply data, or
// nothing when every attempt failed.
std::optional<QString> ask(Use use, const QString& payload, const BetweenAttempts& between = {})
{
    const Patience patience = PatienceOf(use);
    if (SendFrame(payload, patience.attempts, patience.timeoutMs, between) == 0)
        return std::nullopt;
    return LastReplyData();
}

// A write under a use that does not check echoes is a mistake in the
// program: it is refused unsent.
bool writes(Use use)
{
    Q_ASSERT(RowOf(use).reply == Reply::Echo);
    return RowOf(use).reply == Reply::Echo;
}

bool letterEchoed(const QString& replyData, char table)
{
    const QString letter = cmd::Text(replyData, cmd::reply::CellTable);
    return letter.size() == 1 && letter.at(0).unicode() - 32 == static_cast<unsigned char>(table);
}

Transact transactWith(std::function<int(const QString&, int, int)> send)
{
    return [send = std::move(send)](const QString& payload, int attempts, int timeoutMs, QString& reply) {
        const bool answered = send(payload, attempts, timeoutMs) != 0;
        reply = answered ? LastReplyData() : QString();
        return answered;
    };
}

} // namespace

namespace echo {

bool CellWrite(const QString& replyData, char table, int address, int byte)
{
    return cmd::Text(replyData, cmd::reply::CellValue) == frame::HexByte(byte)
        && cmd::Text(replyData, cmd::reply::CellAddress) == frame::HexByte(address) && letterEchoed(replyData, table);
}

bool CellFill(const QString& replyData, char table, int first, int last, int byte)
{
    return cmd::Text(replyData, cmd::reply::FillValue) == frame::HexByte(byte)
        && cmd::Text(replyData, cmd::reply::CellAddress) == frame::HexByte(first)
        && cmd::Text(replyData, cmd::reply::CellValue) == frame::HexByte(last) && letterEchoed(replyData, table);
}

bool RegisterWrite(const QString& replyData, int reg, int byte)
{
    return cmd::Text(replyData, cmd::reply::RegisterEcho) == frame::HexByte(reg) + frame::HexByte(byte);
}

} // namespace echo

std::optional<QString> Probe(Use use)
{
    return ask(use, cmd::Probe());
}

std::optional<PowerUp> PowerUpValues(Use use)
{
    const std::optional<QString> reply = ask(use, cmd::PowerUpValues());
    if (!reply)
        return std::nullopt;
    return PowerUp{cmd::HexValue(*reply, cmd::reply::MafKeyOn), cmd::HexValue(*reply, cmd::reply::TpsKeyOn),
                   cmd::HexValue(*reply, cmd::reply::StageCode)};
}

std::optional<int> ReadRegister(Use use, int reg)
{
    const std::optional<QString> reply = ask(use, cmd::ReadRegister(reg));
    if (!reply)
        return std::nullopt;
    return register_map::ParseByte(cmd::Text(*reply, cmd::reply::RegisterValue));
}

bool WriteRegister(Use use, int reg, int byte)
{
    if (!writes(use))
        return false;
    const std::optional<QString> reply = ask(use, cmd::WriteRegister(reg, byte));
    return reply && echo::RegisterWrite(*reply, reg, byte);
}

std::optional<int> ReadCell(Use use, char table, int address)
{
    const std::optional<QString> reply = ask(use, cmd::ReadCell(table, address));
    if (!reply)
        return std::nullopt;
    return register_map::ParseByte(cmd::Text(*reply, cmd::reply::CellValue));
}

Written WriteCell(Use use, char table, int address, int byte)
{
    if (!writes(use))
        return Written::NotAnswered;
    const std::optional<QString> reply = ask(use, cmd::WriteCell(table, address, byte));
    if (!reply)
        return Written::NotAnswered;
    return echo::CellWrite(*reply, table, address, byte) ? Written::Confirmed : Written::WrongEcho;
}

Written FillCells(Use use, char table, int first, int last, int byte)
{
    if (!writes(use))
        return Written::NotAnswered;
    const std::optional<QString> reply = ask(use, cmd::FillCells(table, first, last, byte));
    if (!reply)
        return Written::NotAnswered;
    return echo::CellFill(*reply, table, first, last, byte) ? Written::Confirmed : Written::WrongEcho;
}

std::optional<QString> LiveSample(Use use, const BetweenAttempts& between)
{
    return ask(use, cmd::LiveSample(), between);
}

std::optional<QString> FirmwareRevision(Use use)
{
    const std::optional<QString> reply = ask(use, cmd::FirmwareRevision());
    if (!reply)
        return std::nullopt;
    return cmd::Text(*reply, cmd::reply::FirmwareMajor) + QLatin1Char('.')
        + cmd::Text(*reply, cmd::reply::FirmwareMinor);
}

std::optional<QString> SelfTest(Use use)
{
    return ask(use, cmd::SelfTest());
}

bool SoftReset(Use use)
{
    return ask(use, cmd::SoftReset()).has_value();
}

void WriteRawStop()
{
    const QByteArray stop(1, cmd::RawStop);
    services::port().write(stop);
    mdlPublicVars::LastFrame = QString::fromLatin1(stop);
}

QString LastReply()
{
    return LastReplyData();
}

Transact TransactOnLink(BetweenAttempts between)
{
    return transactWith([between = std::move(between)](const QString& payload, int attempts, int timeoutMs) {
        return SendFrame(payload, attempts, timeoutMs, between);
    });
}

Transact TransactOn(SerialPort& port, Clock& clock)
{
    return transactWith([&port, &clock](const QString& payload, int attempts, int timeoutMs) {
        return SendFrameOn(port, clock, payload, attempts, timeoutMs);
    });
}

} // namespace unit

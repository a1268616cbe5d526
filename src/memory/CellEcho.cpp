#include "memory/CellEcho.h"

#include "link/Commands.h"

namespace cells {

bool EchoedLetterIs(const QString& replyData, char table)
{
    const QString letter = cmd::Text(replyData, cmd::reply::CellTable);
    return letter.size() == 1 && letter.at(0).unicode() - 32 == static_cast<unsigned char>(table);
}

bool WriteEchoMatches(const QString& replyData, char table, const QString& address,
                      const QString& byte)
{
    return cmd::Text(replyData, cmd::reply::CellValue) == byte
        && cmd::Text(replyData, cmd::reply::CellAddress) == address
        && EchoedLetterIs(replyData, table);
}

bool FillEchoMatches(const QString& replyData, char table, const QString& first,
                     const QString& last, const QString& byte)
{
    return cmd::Text(replyData, cmd::reply::FillValue) == byte
        && cmd::Text(replyData, cmd::reply::CellAddress) == first
        && cmd::Text(replyData, cmd::reply::CellValue) == last
        && EchoedLetterIs(replyData, table);
}

} // namespace cells

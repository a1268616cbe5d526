#include "link/Commands.h"

#include "link/Frame.h"
#include "link/ReplyShape.h"

namespace cmd {

namespace {
QString letter(char table)
{
    return QString(QLatin1Char(table));
}
} // namespace

QString Probe()
{
    return QStringLiteral("Z");
}
QString PowerUpValues()
{
    return QStringLiteral("Y");
}
QString LiveSample()
{
    return QStringLiteral("M");
}
QString FirmwareRevision()
{
    return QStringLiteral("V");
}
QString SelfTest()
{
    return QStringLiteral("T");
}
QString SoftReset()
{
    return QStringLiteral("K");
}

QString ReadRegister(int reg)
{
    return QStringLiteral("RT") + frame::HexByte(reg);
}

QString WriteRegister(int reg, int value)
{
    return QStringLiteral("WT") + frame::HexByte(reg) + frame::HexByte(value);
}

QString ReadCell(char table, int address)
{
    return QStringLiteral("R") + letter(table) + frame::HexByte(address);
}

QString WriteCell(char table, int address, int value)
{
    return QStringLiteral("W") + letter(table) + frame::HexByte(address) + frame::HexByte(value);
}

QString FillCells(char table, int first, int last, int value)
{
    return QStringLiteral("S") + letter(table) + frame::HexByte(first) + frame::HexByte(last) + frame::HexByte(value);
}

QString Text(const QString& replyData, Field field)
{
    return replyData.mid(field.position - 1, field.width);
}

int HexValue(const QString& replyData, Field field)
{
    bool ok = false;
    const int value = Text(replyData, field).toInt(&ok, 16);
    return ok ? value : 0;
}

ReplyShape ExpectedReply(const QString& payload)
{
    ReplyShape shape;
    bool addressOk = false;
    const int address = payload.mid(2, 2).toInt(&addressOk, 16);
    if (payload.size() == 4 && payload.startsWith(QLatin1String("RT")) && addressOk)
        return shape.hexadecimal(reply::RegisterNumber, address).hexadecimal(reply::RegisterValue).length(6);
    if (payload.size() == 4 && payload.at(0) == QLatin1Char('R') && addressOk)
        return shape.echoes(reply::CellTable, payload.mid(1, 1).toLower())
            .hexadecimal(reply::CellAddress, address)
            .hexadecimal(reply::CellValue)
            .length(6);
    if (payload == PowerUpValues())
        return shape.hexadecimal(reply::MafKeyOn).hexadecimal(reply::TpsKeyOn).hexadecimal(reply::StageCode).length(7);
    if (payload == FirmwareRevision())
        return shape.decimal(reply::FirmwareMajor).decimal(reply::FirmwareMinor).length(4);
    if (payload == LiveSample())
        return shape.hexadecimal(reply::LiveSampleFields);
    return shape;
}

bool NeedsLineInStep(const QString& payload)
{
    return payload == PowerUpValues() || payload == FirmwareRevision() || payload == SelfTest();
}

} // namespace cmd

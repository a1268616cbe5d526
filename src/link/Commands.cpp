#include "link/Commands.h"

#include "link/Frame.h"

namespace cmd {

namespace {
QString letter(char table)
{
    return QString(QLatin1Char(table));
}
} // namespace

QString Probe() { return QStringLiteral("Z"); }
QString PowerUpValues() { return QStringLiteral("Y"); }
QString LiveSample() { return QStringLiteral("M"); }
QString FirmwareRevision() { return QStringLiteral("V"); }
QString SelfTest() { return QStringLiteral("T"); }
QString SoftReset() { return QStringLiteral("K"); }

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
    return QStringLiteral("S") + letter(table) + frame::HexByte(first) + frame::HexByte(last)
        + frame::HexByte(value);
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

} // namespace cmd

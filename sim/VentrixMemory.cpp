#include "sim/VentrixMemory.h"

#include "link/Commands.h"
#include "sim/Hex.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

const QByteArray Identifier = QByteArrayLiteral("ventrix-memory 1");
constexpr int RowLength = 16;

// A MAF sensor's flow grows much faster than its voltage: a gentle term
// carries idle and cruise (about 20 kg/hr at 0.6 V, 65 kg/hr at 1.5 V), a
// steep one the full-load end (1000 kg/hr at the top cell). The curve stays
// inside what each scale range can hold (255, 510 and 1020 kg/hr).
double factoryFlow(int address)
{
    const double volts = address * 20.0 / 1024.0;
    const double x = volts / (255 * 20.0 / 1024.0);
    return 1000.0 * (0.25 * std::pow(x, 1.2) + 0.75 * std::pow(x, 4.0));
}

using sim_hex::Byte;
using sim_hex::ParseByte;

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

VentrixMemory::VentrixMemory()
{
    using namespace cmd;
    // 2.5 V breakpoint (count 512); bank 1 injectors of four different sizes
    // (open loop 24 installed for 19 in the computer, closed loop 30 for 21),
    // so that two registers taken for one another can never pass unnoticed;
    // 19 lb/hr on bank 2; waste-spark ignition, RPM switch on at 6000 and off
    // at 5800 rpm in shift-light mode.
    registers_[WotBreakpointHigh] = 0x02;
    registers_[WotBreakpointLow] = 0x00;
    registers_[InjectorsOL] = 24;
    registers_[EecInjectorsOL] = 19;
    registers_[Injectors] = 30;
    registers_[EecInjectors] = 21;
    for (const int reg : {InjectorsOLBank2, EecInjectorsOLBank2, InjectorsBank2, EecInjectorsBank2})
        registers_[reg] = 0x13;
    registers_[IgnitionType] = 0x81;
    registers_[RpmSwitchOnPoint] = 6000 / 40;
    registers_[RpmSwitchOffPoint] = 5800 / 40;
    registers_[RpmSwitchMode] = 0x00;

    // Monotonic in flow, not just in byte: where the scale doubles, the byte
    // is chosen so that the flow never steps back.
    auto& transfer = tables_[tableIndex('F')];
    int previousFlow = 0;
    for (int address = 0; address < TableSize; ++address) {
        const int scale = TransferScale(address);
        const double target = std::max(factoryFlow(address), static_cast<double>(previousFlow));
        int byte = static_cast<int>(std::lround(target / scale));
        if (byte * scale < previousFlow)
            byte = (previousFlow + scale - 1) / scale;
        byte = std::min(byte, 255);
        transfer[address] = static_cast<quint8>(byte);
        previousFlow = byte * scale;
    }
}

int VentrixMemory::tableIndex(char letter)
{
    const auto* found = std::find(std::begin(TableLetters), std::end(TableLetters), letter);
    return found == std::end(TableLetters) ? -1 : static_cast<int>(found - std::begin(TableLetters));
}

bool VentrixMemory::IsTable(char letter)
{
    return tableIndex(letter) >= 0;
}

int VentrixMemory::cell(char table, int address) const
{
    Q_ASSERT(IsTable(table) && address >= 0 && address < TableSize);
    return tables_[tableIndex(table)][address];
}

void VentrixMemory::setCell(char table, int address, int value)
{
    Q_ASSERT(IsTable(table) && address >= 0 && address < TableSize);
    tables_[tableIndex(table)][address] = static_cast<quint8>(value & 0xFF);
}

int VentrixMemory::registerValue(int number) const
{
    Q_ASSERT(number >= 0 && number < RegisterCount);
    return registers_[number];
}

void VentrixMemory::setRegister(int number, int value)
{
    Q_ASSERT(number >= 0 && number < RegisterCount);
    registers_[number] = static_cast<quint8>(value & 0xFF);
}

int VentrixMemory::TransferScale(int address)
{
    if (address <= 150)
        return 1;
    return address <= 200 ? 2 : 4;
}

int VentrixMemory::transferFlow(int address) const
{
    return cell('F', address) * TransferScale(address);
}

QByteArray VentrixMemory::toText() const
{
    QByteArray text = Identifier + '\n';
    text += "stage " + Byte(stageCode_) + '\n';
    for (int reg = 0; reg < RegisterCount; ++reg)
        text += "register " + Byte(reg) + ' ' + Byte(registers_[reg]) + '\n';
    for (const char letter : TableLetters) {
        for (int row = 0; row < TableSize; row += RowLength) {
            text += "table " + QByteArray(1, letter) + ' ' + Byte(row);
            for (int address = row; address < row + RowLength; ++address)
                text += ' ' + Byte(cell(letter, address));
            text += '\n';
        }
    }
    return text;
}

bool VentrixMemory::fromText(const QByteArray& text, QString* error)
{
    VentrixMemory result;
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != Identifier)
        return fail(
            error,
            QStringLiteral("not a memory file: the first line must be \"%1\"").arg(QString::fromLatin1(Identifier)));

    for (int index = 1; index < lines.size(); ++index) {
        const QByteArray line = lines[index].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> words = line.simplified().split(' ');
        const auto bad = [&](const char* why) {
            return fail(error, QStringLiteral("line %1: %2").arg(index + 1).arg(QLatin1String(why)));
        };
        int value = 0;
        if (words[0] == "stage") {
            if (words.size() != 2 || !ParseByte(words[1], value))
                return bad("expected \"stage HH\"");
            result.stageCode_ = value;
        } else if (words[0] == "register") {
            int reg = 0;
            if (words.size() != 3 || !ParseByte(words[1], reg) || !ParseByte(words[2], value))
                return bad("expected \"register RR VV\"");
            if (reg >= RegisterCount)
                return bad("no such register");
            result.registers_[reg] = static_cast<quint8>(value);
        } else if (words[0] == "table") {
            int first = 0;
            if (words.size() < 4 || words[1].size() != 1 || !IsTable(words[1][0]) || !ParseByte(words[2], first))
                return bad("expected \"table LETTER AA VV VV ...\"");
            const int count = static_cast<int>(words.size()) - 3;
            if (first + count > TableSize)
                return bad("the row runs past cell FF");
            for (int i = 0; i < count; ++i) {
                if (!ParseByte(words[3 + i], value))
                    return bad("cell values are two hexadecimal digits");
                result.setCell(words[1][0], first + i, value);
            }
        } else {
            return bad("unknown entry");
        }
    }
    *this = result;
    return true;
}

bool VentrixMemory::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray text = toText();
    if (file.write(text) != text.size() || !file.commit())
        return fail(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
    return true;
}

bool VentrixMemory::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
    QString why;
    if (!fromText(file.readAll(), &why))
        return fail(error, QStringLiteral("%1: %2").arg(path, why));
    return true;
}

#pragma once

#include "sim/VentrixMemory.h"
#include "support/ReadFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Simulated units with known, distinct tunes, and the file an export of one
// must give, spelled out here independently of the code under test.
namespace tune_test {

inline constexpr char TuneTables[] = {'C', 'O', 'L', 'H'};

// Every cell and register a different-looking byte; seeds give different tunes.
inline void FillTune(VentrixMemory& memory, int seed)
{
    quint32 state = 2166136261u ^ static_cast<quint32>(seed);
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>(state >> 24);
    };
    for (const char table : TuneTables)
        for (int address = 0; address < VentrixMemory::TableSize; ++address)
            memory.setCell(table, address, next());
    for (int reg = 0; reg < VentrixMemory::RegisterCount; ++reg)
        memory.setRegister(reg, next());
}

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QByteArray Hex2(int value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

inline QByteArray ExpectedFile(const VentrixMemory& memory, const char* stamp)
{
    QByteArray file = QByteArray("&M110901\r\n") + stamp + "\r\n";
    for (const char table : TuneTables)
        for (int address = 0; address < VentrixMemory::TableSize; ++address)
            file += table + Hex2(address) + Hex2(memory.cell(table, address)) + "\r\n";
    for (int reg = 0; reg < VentrixMemory::RegisterCount; ++reg)
        file += 'T' + Hex2(reg) + Hex2(memory.registerValue(reg)) + "\r\n";
    return file + "\r\n";
}

// Whether two units hold the same tune (tables C, O, L, H and registers).
inline bool SameTune(const VentrixMemory& a, const VentrixMemory& b)
{
    for (const char table : TuneTables)
        for (int address = 0; address < VentrixMemory::TableSize; ++address)
            if (a.cell(table, address) != b.cell(table, address))
                return false;
    for (int reg = 0; reg < VentrixMemory::RegisterCount; ++reg)
        if (a.registerValue(reg) != b.registerValue(reg))
            return false;
    return true;
}

} // namespace tune_test

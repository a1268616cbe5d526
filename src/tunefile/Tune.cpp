#include "tunefile/Tune.h"

#include "link/Frame.h"

#include <algorithm>

namespace tunefile {

const QList<Entry>& TuneOrder()
{
    static const QList<Entry> order = [] {
        QList<Entry> entries;
        entries.reserve(DataLineCount);
        for (const char table : TableLetters)
            for (int address = 0; address < TableSize; ++address)
                entries.append({table, address});
        for (int reg = 0; reg < RegisterCount; ++reg)
            entries.append({RegisterLetter, reg});
        return entries;
    }();
    return order;
}

int IndexOf(const Entry& entry)
{
    if (entry.table == RegisterLetter)
        return entry.address >= 0 && entry.address < RegisterCount ? TableCount * TableSize + entry.address : -1;
    const char* const letter = std::find(std::begin(TableLetters), std::end(TableLetters), entry.table);
    if (letter == std::end(TableLetters) || entry.address < 0 || entry.address >= TableSize)
        return -1;
    return static_cast<int>(letter - std::begin(TableLetters)) * TableSize + entry.address;
}

QString EntryName(const Entry& entry)
{
    return QLatin1Char(entry.table) + frame::HexByte(entry.address);
}

Tune Tune::FromValues(const QList<int>& values)
{
    Tune tune;
    for (qsizetype i = 0; i < values.size() && i < DataLineCount; ++i)
        tune.values_[i] = static_cast<qint16>(values.at(i) & 0xFF);
    return tune;
}

bool Tune::has(const Entry& entry) const
{
    return value(entry).has_value();
}

std::optional<int> Tune::value(const Entry& entry) const
{
    return valueAt(IndexOf(entry));
}

std::optional<int> Tune::valueAt(int index) const
{
    if (index < 0 || index >= DataLineCount || values_[index] == Absent)
        return std::nullopt;
    return values_[index];
}

void Tune::setValue(const Entry& entry, int value)
{
    const int index = IndexOf(entry);
    if (index >= 0)
        values_[index] = static_cast<qint16>(value & 0xFF);
}

void Tune::clear(const Entry& entry)
{
    const int index = IndexOf(entry);
    if (index >= 0)
        values_[index] = Absent;
}

bool Tune::isComplete() const
{
    return entryCount() == DataLineCount;
}

int Tune::entryCount() const
{
    return static_cast<int>(std::count_if(values_.begin(), values_.end(), [](qint16 v) { return v != Absent; }));
}

std::array<std::optional<int>, TableSize> Tune::table(char letter) const
{
    std::array<std::optional<int>, TableSize> cells;
    for (int address = 0; address < TableSize; ++address)
        cells[address] = value({letter, address});
    return cells;
}

void Tune::copyTableFrom(const Tune& source, char letter)
{
    for (int address = 0; address < TableSize; ++address) {
        const std::optional<int> v = source.value({letter, address});
        if (v)
            setValue({letter, address}, *v);
        else
            clear({letter, address});
    }
}

QList<QString> DataLines(const Tune& tune)
{
    QList<QString> lines;
    const QList<Entry>& order = TuneOrder();
    for (int i = 0; i < DataLineCount; ++i)
        if (const std::optional<int> v = tune.valueAt(i))
            lines.append(EntryName(order.at(i)) + frame::HexByte(*v));
    return lines;
}

QList<Difference> Differences(const Tune& left, const Tune& right)
{
    QList<Difference> differences;
    const QList<Entry>& order = TuneOrder();
    for (int i = 0; i < DataLineCount; ++i) {
        const std::optional<int> a = left.valueAt(i);
        const std::optional<int> b = right.valueAt(i);
        if (a != b)
            differences.append({order.at(i), a, b});
    }
    return differences;
}

} // namespace tunefile

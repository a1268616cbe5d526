#include "tunefile/ConnectCheck.h"

#include "link/Unit.h"

#include <QFileInfo>
#include <QStringList>

#include <utility>

namespace connect_check {

namespace {

QString seenText(const tune_history::Record& record)
{
    return QStringLiteral("the tune last seen on port %1 (%2, %3)")
        .arg(record.port, record.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             tune_history::SourceName(record.source));
}

} // namespace

std::optional<tune_history::Record> LastSeenOn(const QString& port)
{
    const QString path = tune_history::HistoryPath();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    tune_history::History history(path);
    if (!history.isOpen())
        return std::nullopt;
    for (const tune_history::Record& record : history.records()) // newest first
        if (record.port == port)
            return record;
    return std::nullopt;
}

std::optional<Registers> ReadRegisters()
{
    Registers registers{};
    for (int reg = 0; reg < tunefile::RegisterCount; ++reg) {
        const std::optional<int> byte = unit::ReadRegister(unit::Use::ConnectCheck, reg);
        if (!byte)
            return std::nullopt;
        registers[reg] = *byte;
    }
    return registers;
}

Outcome Compare(const Registers& unit, const tune_history::Record& record)
{
    Outcome outcome;
    QStringList names;
    int compared = 0;
    for (int reg = 0; reg < tunefile::RegisterCount; ++reg) {
        const tunefile::Entry entry{tunefile::RegisterLetter, reg};
        const std::optional<int> seen = record.tune.value(entry);
        if (!seen)
            continue;
        ++compared;
        if (*seen != unit[reg]) {
            outcome.differing << reg;
            names << tunefile::EntryName(entry);
        }
    }
    if (compared == 0)
        return outcome;
    if (names.isEmpty())
        outcome.text = QStringLiteral("Registers match ") + seenText(record);
    else
        outcome.text = (names.size() == 1 ? QStringLiteral("Register %1 differs from ")
                                          : QStringLiteral("Registers %1 differ from "))
                           .arg(names.join(QStringLiteral(", ")))
            + seenText(record);
    return outcome;
}

tunefile::Tune SeenTune(const tune_history::Record& record)
{
    tunefile::Tune tune = record.tune;
    tune.origin = {};
    tune.stamp = seenText(record);
    return tune;
}

std::optional<Check> Run(const QString& port)
{
    std::optional<tune_history::Record> record = LastSeenOn(port);
    if (!record)
        return std::nullopt;
    Check check{std::move(*record), {}};
    if (const std::optional<Registers> registers = ReadRegisters())
        check.outcome = Compare(*registers, check.record);
    else
        check.outcome.text = ReadFailedText;
    return check;
}

} // namespace connect_check

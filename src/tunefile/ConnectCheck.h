#pragma once

#include "tunefile/Tune.h"
#include "tunefile/TuneHistory.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// At each connect the unit's twenty registers are read and compared with the
// tune KESTREL last read from or wrote to a unit on the same port, so that a
// unit changed by another tool or reset since is told in the status line.
// Nothing further is read, and nothing is written.
namespace connect_check {

using Registers = std::array<int, tunefile::RegisterCount>;

// The newest record in the default history for the port ("1"); nullopt when
// the history holds none or cannot be used (a missing file is not made).
std::optional<tune_history::Record> LastSeenOn(const QString& port);

// T00 to T13 from the installed unit; nullopt when one cannot be read.
std::optional<Registers> ReadRegisters();

struct Outcome {
    QList<int> differing; // register numbers, in order
    // "Registers match the tune last seen on port 1 (2026-12-05 14:02, export)",
    // or which differ; empty when the record holds no register to compare.
    QString text;
};
// A register the record lacks is not compared.
Outcome Compare(const Registers& unit, const tune_history::Record& record);

// The record's tune as the compare window names it.
tunefile::Tune SeenTune(const tune_history::Record& record);

// The whole check of the unit on `port`: nothing when the history holds no
// record for it (and then nothing is read); otherwise the record and the
// comparison, whose text is ReadFailedText when the registers could not be read.
struct Check {
    tune_history::Record record;
    Outcome outcome;
};
std::optional<Check> Run(const QString& port);

inline const QString ReadFailedText =
    QStringLiteral("The registers could not be read to compare them with the last tune seen");

} // namespace connect_check

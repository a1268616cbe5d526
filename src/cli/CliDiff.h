#pragma once

#include "tunefile/TuneFile.h"

#include <QString>
#include <QStringList>

#include <functional>

struct Console;

// kestrel-cli diff A B: the differences between two tunes, each a tune file
// or the connected unit, one line each on standard output, with the exit
// status of diff: 0 the same, 1 they differ, 2 bad input or a unit that failed.
namespace cli_diff {

inline constexpr int Same = 0;
inline constexpr int Differ = 1;
inline constexpr int Trouble = 2;

// The operand that means the connected unit (a file of that name is "./unit").
inline const QString UnitOperand = QStringLiteral("unit");

// What the command needs of the link, from the runner: the port search, and
// transactions that stop being sent once Ctrl-C was pressed, with the
// request that was then held back.
struct UnitAccess {
    std::function<bool()> connect;
    tunefile::Transact transact;
    std::function<QString()> stoppedBefore;
};

int RunDiff(const QStringList& operands, Console& console, const UnitAccess& unit);

} // namespace cli_diff

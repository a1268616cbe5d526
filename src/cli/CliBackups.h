#pragma once

#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"

#include <QString>

#include <functional>

struct CliArguments;
struct Console;

// kestrel-cli import, restore and backups: the tune writes that overwrite
// the unit, each after a backup of what it holds, and the list of backups.
namespace cli_backups {

// What the import borrows from the command runner: the port search, the
// consent to overwrite (Done, or the exit status once the refusal is told)
// and the link's transactions, which stop once Ctrl-C was pressed (the
// request not sent kept in stoppedBefore).
struct UnitAccess {
    std::function<bool()> connect;
    std::function<int(const QString& question)> consent;
    std::function<tunefile::Transact(QString& stoppedBefore)> transact;
};

// import FILE: the file checked whole, the unit backed up (unless
// --no-backup), then only the lines that change it written (every line
// without a backup), then what was written read back (unless --no-verify).
int Import(const CliArguments& arguments, Console& console, const QString& path, const UnitAccess& unit);

// The import's work once its lines are checked: the question, the backup,
// the lines that change the unit written, the read-back, the record in the
// tune history. `from` names the lines' source in the report.
int ImportLines(const CliArguments& arguments, Console& console, const tunefile::FileLines& file, const QString& from,
                const UnitAccess& unit, const std::function<QString(int entries)>& question,
                tune_history::Source source);

// restore N: the import of backup N of the list (1 is the newest).
int Restore(const CliArguments& arguments, Console& console, const UnitAccess& unit);

// backups: the list, newest first; needs no unit.
int List(const CliArguments& arguments, Console& console);

} // namespace cli_backups

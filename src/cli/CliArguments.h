#pragma once

#include "app/CommandLine.h"
#include "monitor/SampleRate.h"

#include <QString>
#include <QStringList>

#include <optional>

// What kestrel-cli was asked to do: a subcommand, its operands and options,
// and the options it shares with the windowed program (--port, --simulate,
// --sim-...).
struct CliArguments {
    QString command; // probe, ports, info, export, import, restore, backups, history, read, ..., autotune
    QStringList operands;
    bool help = false;
    bool version = false;
    bool yes = false;             // --yes: no confirmation asked before overwriting the unit
    bool verify = true;           // import, restore: read back what was written (--no-verify: not)
    bool backup = true;           // import, restore: back the unit up first (--no-backup: not)
    QString output;               // list -o FILE, log csv -o FILE
    QString logPath;              // monitor --log FILE
    double seconds = 0;           // monitor --seconds N (0: until interrupted)
    sample_rate::Rate rate;       // monitor --rate max|HZ (every 50 ms without it)
    std::optional<int> injectors; // --injectors SIZE: the transfer function's calibration
    QString table;                // history restore --table O|C|H|L
    bool registersOnly = false;   // history restore --registers
    QStringList commandOptions;   // autotune's own options, as given
    CommandLine common;
    QString error; // set when the arguments make no sense
};

inline const QStringList CliCommands = {"probe",   "ports",   "info", "export",  "import", "restore",
                                        "backups", "history", "read", "write",   "fill",   "list",
                                        "monitor", "log",     "diff", "autotune"};

// The longest a monitor run may be asked for: 31 days.
inline constexpr double MaximumMonitorSeconds = 31.0 * 24 * 3600;

// args: the arguments without the program name. An option the command does
// not take is refused, as are unknown options and commands.
CliArguments ParseCliArguments(const QStringList& args, const QString& portsFromEnvironment);

// The help of one subcommand, or the overview when command is empty.
QString CliHelp(const QString& command, const QString& simulatorHelp);

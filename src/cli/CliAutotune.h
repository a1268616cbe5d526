#pragma once

#include <QString>
#include <QStringList>

struct CliArguments;
struct Console;

// kestrel-cli autotune: the tuner's AUTO-TUNE without a window. Reads one or
// more data logs and the table to change (from a tune file, or read from the
// connected unit as an export reads it), and writes a complete tune with
// the suggested table to a new file; it never writes to the unit.
namespace cli_autotune {

// autotune's own options; the first ones take a value.
inline const QStringList ValueOptions = {"--table", "--target", "--tune",        "--breakpoint",
                                         "--cap",   "--lock",   "--min-samples", "--lag"};
inline const QStringList FlagOptions = {"--no-split", "--closed-loop", "--smooth"};

QString Help();

// Runs the command; the exit status of kestrel-cli.
int Run(const CliArguments& arguments, Console& console);

} // namespace cli_autotune

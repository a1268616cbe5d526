#pragma once

#include "cli/CliBackups.h"

struct CliArguments;
struct Console;

// kestrel-cli history: the tune history's records, newest first, numbered
// from 1 as backups numbers its list.
//   history                    one record a line
//   history show N             the record's details and its entries
//   history note N TEXT        the record's note
//   history export N OUT.tun   the record's tune as a tune file
//   history restore N [--table O|C|H|L | --registers] [--yes]
//                              into the unit, as import does (backup first)
namespace cli_history {

int Run(const CliArguments& arguments, Console& console, const cli_backups::UnitAccess& unit);

} // namespace cli_history

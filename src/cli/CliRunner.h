#pragma once

struct CliArguments;
struct Console;

// Exit statuses of kestrel-cli.
namespace exit_status {
inline constexpr int Done = 0;
inline constexpr int UnitFailed = 1;    // the unit failed or did not answer
inline constexpr int BadInput = 2;      // bad usage or bad input; nothing was sent
inline constexpr int Interrupted = 130; // stopped by Ctrl-C (128 + SIGINT)
} // namespace exit_status

// Runs one command of kestrel-cli against the unit on the installed port
// (services), printing to the console. Returns the exit status.
int RunCli(const CliArguments& arguments, Console& console);

// The three programs' command lines: what each accepts, and what it refuses
// with exit status 2 and a message naming the trouble.
#include "app/CommandLine.h"
#include "cli/CliArguments.h"
#include "sim/SimOptions.h"

#include <gtest/gtest.h>

namespace {

enum class Program { Cli, Kestrel, Sim };
using enum Program;

// The refusal the program's start gives the line; empty when it takes it.
QString Parse(Program program, const QStringList& args, const QString& environment)
{
    if (program == Cli)
        return ParseCliArguments(args, environment).error;
    if (program == Kestrel)
        return ParseCommandLine(args, environment).error;
    return ParseSimCommandLine(args).error;
}

struct Row {
    Program program;
    QStringList args;
    const char* message; // a fragment of the refusal; "" for an accepted line
    QString environment = {};
};

TEST(CommandLinesTest, EachProgramAcceptsItsOptionsAndRefusesTheRest)
{
    const Row rows[] = {
        // kestrel-cli: options anywhere, negative numbers as operands.
        {Cli, {"probe"}, ""},
        {Cli, {"--yes", "fill", "C", "2000", "3000", "-4.5"}, ""},
        {Cli, {"import", "a.tun", "--verify", "-y", "--simulate", "--no-backup"}, ""},
        {Cli, {"read", "--sim-pace", "O", "--simulate", "1600", "--sim-fault", "delay=1500"}, ""},
        {Cli, {"monitor", "--seconds", "2678400"}, ""}, // 31 days
        {Cli, {"log", "csv", "run.txt", "--output", "run.csv"}, ""},
        {Cli, {"autotune", "run.txt", "--table=C", "--lag", "-0.1", "-o", "out.tun", "--smooth"}, ""},
        {Cli, {"--help"}, ""},
        // An option of another command is refused, never dropped.
        {Cli,
         {"--simulate", "probe", "--seconds", "5", "--injectors", "30", "-o", "FILE"},
         "the probe command does not take --seconds, --injectors or -o (try kestrel-cli probe --help)"},
        {Cli, {"export", "a.tun", "--yes"}, "the export command does not take --yes"},
        {Cli, {"write", "O", "3000", "5", "--no-verify"}, "the write command does not take --no-verify"},
        {Cli, {"autotune", "run.txt", "-o", "out.tun", "-y"}, "the autotune command does not take -y"},
        // Unknown options and commands, missing and unwanted values.
        {Cli, {}, "no command given (try --help)"},
        {Cli, {"frobnicate"}, "unknown command 'frobnicate' (try --help)"},
        {Cli, {"read", "O", "3000", "--colour=red"}, "unknown option '--colour' (try --help)"},
        {Cli, {"monitor", "--log"}, "--log needs a value"},
        {Cli, {"monitor", "--log", "--seconds", "5"}, "--log needs a value"},
        {Cli, {"probe", "--port"}, "--port needs NUMBER=DEVICE"},
        {Cli, {"import", "a.tun", "--yes=1"}, "--yes takes no value"},
        // An empty file name is no file: not standard output, not "no log".
        {Cli, {"list", "O", "-o", ""}, "-o needs a file name"},
        {Cli, {"monitor", "--log="}, "--log needs a file name"},
        // Numbers.
        {Cli, {"monitor", "--seconds", "0"}, "--seconds needs a number of seconds above 0, at most 2678400"},
        {Cli, {"monitor", "--seconds", "nan"}, "--seconds needs a number"},
        {Cli, {"monitor", "--seconds", "1e300"}, "--seconds needs a number"},
        {Cli, {"monitor", "--seconds", "2678401"}, "--seconds needs a number"},
        {Cli, {"monitor", "--rate", "max"}, ""},
        {Cli, {"monitor", "--rate=130.5"}, ""},
        {Cli, {"monitor", "--rate", "0"}, "--rate needs max or a number of samples a second above 0, not \"0\""},
        {Cli, {"monitor", "--rate", "-20"}, "--rate needs max"},
        {Cli, {"monitor", "--rate", "fast"}, "--rate needs max"},
        {Cli, {"monitor", "--rate", "inf"}, "--rate needs max"},
        {Cli, {"monitor", "--rate", "50 ms"}, "--rate needs max"},
        {Cli, {"probe", "--rate", "max"}, "the probe command does not take --rate"},
        {Cli, {"list", "F", "--injectors", "256"}, "--injectors needs an injector size in lb/hr, 1 to 255"},
        {Cli, {"read", "O", "-1e5"}, "unknown option '-1e5'"},
        // The shared options.
        {Cli, {"probe", "--port", "one"}, "--port: "},
        {Cli, {"probe"}, "KESTREL_PORTS: ", "nonsense"},
        {Cli, {"--sim-pace", "probe", "--sim-stage", "base"}, "options need --simulate: --sim-pace, --sim-stage"},
        {Cli, {"--simulate", "probe", "--sim-stage", "weird"}, "base or a code 0 to 255, got \"weird\""},

        // kestrel: Qt's window-system options are Qt's.
        {Kestrel, {}, ""},
        {Kestrel, {"--simulate", "--port", "1=/dev/ttyUSB0", "--sim-stage", "base", "--sim-pace"}, ""},
        {Kestrel, {"--simulate", "--sim-pace", "-platform", "offscreen", "--sim-fault", "late=3"}, ""},
        {Kestrel, {"--tune=my tune.tun", "--log", "run.txt", "--port", "1=/dev/a"}, ""},
        {Kestrel, {"--version"}, ""},
        {Kestrel, {"--frobnicate"}, "unknown option '--frobnicate' (try --help)"},
        {Kestrel, {"--port"}, "--port needs NUMBER=DEVICE"},
        {Kestrel, {"--port", "ttyUSB0"}, "--port: "},
        {Kestrel, {}, "KESTREL_PORTS: ", "nonsense"},
        {Kestrel, {"--log"}, "--log needs a FILE"},
        {Kestrel, {"--simulate=yes"}, "--simulate takes no value"},
        {Kestrel, {"--simulate", "--tune", "t.tun"}, "its own: leave out --simulate and the --sim- options"},
        {Kestrel, {"--sim-stage", "base"}, "the simulated Ventrix's options need --simulate: --sim-stage"},
        {Kestrel, {"--simulate", "--sim-tune", "3"}, "--sim-tune: expected 1 or 2, got \"3\""},

        // ventrix-sim: the same options, with or without "sim-".
        {Sim, {"--stage", "plus", "--memory=f", "--quiet", "--sim-pace", "--fault", "silent"}, ""},
        {Sim, {"--bogus"}, "unknown option '--bogus' (try --help)"},
        {Sim, {"stray"}, "unexpected argument 'stray' (try --help)"},
        {Sim, {"--memory"}, "--memory needs a value"},
        {Sim, {"--pace=1"}, "--pace takes no value"},
        {Sim, {"--stage", "weird"}, "--sim-stage: expected plus, base or a code 0 to 255"},
        {Sim, {"--sim-firmware", "12.3"}, "--sim-firmware: expected a revision like 1.23"},
        {Sim, {"--sim-register", "14=00"}, "--sim-register: expected RR=VV in hexadecimal, register 00 to 13"},
        {Sim, {"--sim-fault", "nosuch"}, "--sim-fault: "},
        {Sim, {"--sim-port", "0"}, "--sim-port: expected a port number 1 to 255"},
        {Sim, {"--sim-tune", "3"}, "--sim-tune: expected 1 or 2"},
        {Sim, {"--sim-maf-key-on", "6"}, "--sim-maf-key-on: expected volts 0 to 5"},
        {Sim, {"--sim-drive", "race"}, "--sim-drive: expected sweep, tuning or pulls"},
        {Sim, {"--sim-maf-error", "3"}, "--sim-maf-error: "},
        {Sim, {"--sim-injectors", "0"}, "--sim-injectors: expected an injector size in lb/hr, 1 to 255"},
        {Sim, {"--sim-wideband-delay", "3.5"}, "--sim-wideband-delay: expected seconds 0 to 3"},
        {Sim, {"--sim-wideband-lag", "-1"}, "--sim-wideband-lag: expected seconds 0 to 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(int(row.program)).arg(row.args.join(' ')).toStdString());
        const QString error = Parse(row.program, row.args, row.environment);
        const QString expected = QString::fromUtf8(row.message);
        EXPECT_EQ(error.isEmpty(), expected.isEmpty()) << error.toStdString();
        EXPECT_TRUE(error.contains(expected)) << error.toStdString();
    }
}

TEST(CommandLinesTest, KestrelCliReadsCommandOperandsAndValues)
{
    const CliArguments a = ParseCliArguments(
        {"--yes", "import", "a.tun", "--no-verify", "--simulate", "--sim-stage=base", "--sim-pace"}, {});
    ASSERT_TRUE(a.error.isEmpty()) << a.error.toStdString();
    EXPECT_EQ(a.command, "import");
    EXPECT_EQ(a.operands, QStringList{"a.tun"});
    EXPECT_EQ(std::tuple(a.yes, a.verify, a.backup, a.common.simulate, a.common.sim.pace),
              std::tuple(true, false, true, true, true));
    EXPECT_EQ(a.common.sim.stageCode, 1);
    // The last of --verify and --no-verify wins; --no-backup turns the backup off.
    const CliArguments b = ParseCliArguments({"restore", "3", "--no-verify", "--verify", "--no-backup"}, {});
    EXPECT_EQ(b.operands, QStringList{"3"});
    EXPECT_EQ(std::tuple(b.yes, b.verify, b.backup), std::tuple(false, true, false));

    // --port replaces what the environment says, as for the windowed program.
    const CliArguments m = ParseCliArguments(
        {"monitor", "--log", "run.txt", "--seconds=60", "--port", "2=/dev/ttyUSB1"}, QStringLiteral("1=/dev/ttyS0"));
    EXPECT_EQ(std::pair(m.logPath, m.seconds), std::pair(QStringLiteral("run.txt"), 60.0));
    EXPECT_EQ(m.common.ports, (port_names::Assignments{{2, "/dev/ttyUSB1"}}));
    EXPECT_FALSE(m.common.simulate);

    EXPECT_EQ(ParseCliArguments({"fill", "C", "0", "400", "-4.5", "-y"}, {}).operands,
              (QStringList{"C", "0", "400", "-4.5"}));
    // A simulator flag takes no value, wherever it stands.
    EXPECT_EQ(ParseCliArguments({"read", "--sim-pace", "O", "--simulate", "1600"}, {}).operands,
              (QStringList{"O", "1600"}));

    // autotune's own options reach it as given, a value after "=".
    const CliArguments t = ParseCliArguments(
        {"autotune", "a.txt", "--lag", "-0.1", "b.txt", "--table=C", "--smooth", "--lock", "1,2", "-o", "x.tun"}, {});
    EXPECT_EQ(std::pair(t.operands, t.output), std::pair(QStringList{"a.txt", "b.txt"}, QStringLiteral("x.tun")));
    EXPECT_EQ(t.commandOptions, (QStringList{"--table=C", "--lock=1,2", "--lag=-0.1", "--smooth"}));
}

} // namespace

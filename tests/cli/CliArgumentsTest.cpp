#include "cli/CliArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(CliArgumentsTest, CommandsOperandsAndOptions)
{
    struct Case {
        QStringList args;
        QString command;
        QStringList operands;
        bool yes;
        bool verify;
        bool simulate;
        bool backup = true;
    };
    const Case cases[] = {
        {{"probe"}, "probe", {}, false, true, false},
        {{"write", "O", "3000", "-5"}, "write", {"O", "3000", "-5"}, false, true, false},
        {{"--yes", "fill", "C", "2000", "3000", "-4.5"}, "fill", {"C", "2000", "3000", "-4.5"}, true, true, false},
        {{"import", "a.tun", "--verify", "-y", "--simulate"}, "import", {"a.tun"}, true, true, true},
        {{"import", "a.tun", "--no-verify", "--no-backup"}, "import", {"a.tun"}, false, false, false, false},
        {{"restore", "3", "--no-backup"}, "restore", {"3"}, false, true, false, false},
        {{"backups"}, "backups", {}, false, true, false},
        {{"--simulate", "--sim-stage", "base", "read", "F", "2.5"}, "read", {"F", "2.5"}, false, true, true},
        // A simulator flag takes no value, wherever it stands.
        {{"--simulate", "--sim-pace", "probe"}, "probe", {}, false, true, true},
        {{"read", "--sim-pace", "O", "--simulate", "1600"}, "read", {"O", "1600"}, false, true, true},
        {{"--simulate", "--sim-fault", "delay=1500", "read", "O", "1600"}, "read", {"O", "1600"}, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliArguments a = ParseCliArguments(c.args, {});
        EXPECT_TRUE(a.error.isEmpty()) << a.error.toStdString();
        EXPECT_EQ(a.command, c.command);
        EXPECT_EQ(a.operands, c.operands);
        EXPECT_EQ(a.yes, c.yes);
        EXPECT_EQ(a.verify, c.verify);
        EXPECT_EQ(a.backup, c.backup);
        EXPECT_EQ(a.common.simulate, c.simulate);
    }
    EXPECT_EQ(ParseCliArguments({"--sim-pace", "probe", "--sim-fault", "late=3"}, {}).common.simulatorArguments,
              QStringList({"--sim-pace", "--sim-fault", "late=3"}));
}

TEST(CliArgumentsTest, ValuesOfOptionsAndSharedPortAssignments)
{
    const CliArguments a = ParseCliArguments(
        {"monitor", "--log", "run.txt", "--seconds=60", "--port", "2=/dev/ttyUSB1", "--sim-stage=base"},
        QStringLiteral("1=/dev/ttyS0"));
    ASSERT_TRUE(a.error.isEmpty()) << a.error.toStdString();
    EXPECT_EQ(a.logPath, "run.txt");
    EXPECT_EQ(a.seconds, 60.0);
    // --port replaces what the environment says, as for the windowed program.
    EXPECT_EQ(a.common.ports, (port_names::Assignments{{2, "/dev/ttyUSB1"}}));
    EXPECT_EQ(a.common.simulatorArguments, QStringList({"--sim-stage=base"}));

    const CliArguments list = ParseCliArguments({"list", "O", "-o", "LO_Table.txt", "--injectors", "30"}, {});
    EXPECT_EQ(list.output, "LO_Table.txt");
    EXPECT_EQ(list.injectors, 30);
}

TEST(CliArgumentsTest, NonsenseIsRefusedWithAReason)
{
    const QList<QStringList> bad = {
        {},
        {"frobnicate"},
        {"read", "O", "3000", "--colour"},
        {"read", "-x"},
        {"monitor", "--seconds", "0"},
        {"monitor", "--seconds", "nan"},
        {"monitor", "--seconds", "inf"},
        {"monitor", "--seconds", "1e300"},
        {"monitor", "--seconds", "2678401"},  // 31 days and a second
        {"list", "F", "--injectors", "256"},
        {"monitor", "--log"},
        // An empty file name is no file: not standard output, not "no log".
        {"list", "O", "-o", ""},
        {"log", "csv", "run.txt", "--output="},
        {"monitor", "--log="},
        {"list", "O", "--injectors", "lots"},
        {"probe", "--port", "one"},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_FALSE(ParseCliArguments(args, {}).error.isEmpty());
    }
    EXPECT_EQ(ParseCliArguments({"monitor", "--seconds", "2678400"}, {}).seconds, 2678400.0);
    // Help needs no command.
    EXPECT_TRUE(ParseCliArguments({"--help"}, {}).error.isEmpty());
}

} // namespace

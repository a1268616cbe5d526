// What kestrel's command line asks for; the lines it refuses are in
// tests/cli/CommandLinesTest.cpp, with the other programs'.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineTest, ReadsTheOptions)
{
    const CommandLine line = ParseCommandLine({"--simulate", "--port", "1=/dev/ttyUSB0", "--port=3=/dev/pts/4",
                                               "--sim-stage", "base", "-platform", "offscreen", "--sim-pace"},
                                              QStringLiteral("2=/dev/ttyS0"));
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_TRUE(line.simulate);
    EXPECT_FALSE(line.showHelp || line.showVersion);
    // --port replaces what KESTREL_PORTS says.
    EXPECT_EQ(line.ports, (port_names::Assignments{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/4"}}));
    EXPECT_EQ(line.sim.stageCode, 1);
    EXPECT_TRUE(line.sim.pace);
    EXPECT_TRUE(line.logPath.isEmpty() && line.tunePath.isEmpty());

    EXPECT_EQ(ParseCommandLine({}, "2=/dev/ttyS0").ports, (port_names::Assignments{{2, "/dev/ttyS0"}}));
    EXPECT_FALSE(ParseCommandLine({}, {}).sim.pace);
    const CommandLine files = ParseCommandLine({"--tune=my tune.tun", "--log", "/tmp/MON_Datalog.txt"}, {});
    EXPECT_EQ(files.tunePath, "my tune.tun");
    EXPECT_EQ(files.logPath, "/tmp/MON_Datalog.txt");
    EXPECT_FALSE(files.simulate);
    EXPECT_TRUE(ParseCommandLine({"-h"}, {}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"-v"}, {}).showVersion);
    EXPECT_TRUE(CommandLineHelp("  --sim-x\n").contains("--sim-x"));
}

} // namespace

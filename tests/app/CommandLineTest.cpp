#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineTest, ReadsTheOptions)
{
    const CommandLine line = ParseCommandLine(
        {"--simulate", "--port", "1=/dev/ttyUSB0", "--port=3=/dev/pts/4", "--sim-stage", "base", "--sim-pace"}, {});
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_TRUE(line.simulate);
    EXPECT_EQ(line.ports, (port_names::Assignments{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/4"}}));
    EXPECT_EQ(line.simulatorArguments, (QStringList{"--sim-stage", "base", "--sim-pace"}));

    // The pacing flag takes no value, wherever it stands: the window
    // system's option after it stays Qt's.
    const CommandLine paced = ParseCommandLine({"--sim-pace", "-platform", "offscreen", "--sim-fault", "late=3"}, {});
    EXPECT_TRUE(paced.error.isEmpty()) << paced.error.toStdString();
    EXPECT_EQ(paced.simulatorArguments, (QStringList{"--sim-pace", "--sim-fault", "late=3"}));
}

TEST(CommandLineTest, ALogToOpenAtStartUp)
{
    EXPECT_EQ(ParseCommandLine({"--log", "/tmp/MON_Datalog.txt"}, {}).logPath, "/tmp/MON_Datalog.txt");
    EXPECT_EQ(ParseCommandLine({"--simulate", "--log=run 2.txt"}, {}).logPath, "run 2.txt");
    EXPECT_TRUE(ParseCommandLine({}, {}).logPath.isEmpty());
    EXPECT_EQ(ParseCommandLine({"--log"}, {}).error, "--log needs a FILE");
}

TEST(CommandLineTest, ATuneToOpenOffLine)
{
    EXPECT_EQ(ParseCommandLine({"--tune", "/tmp/track.tun"}, {}).tunePath, "/tmp/track.tun");
    const CommandLine both = ParseCommandLine({"--tune=my tune.tun", "--log", "run.txt"}, {});
    EXPECT_EQ(both.tunePath, "my tune.tun");
    EXPECT_EQ(both.logPath, "run.txt");
    EXPECT_TRUE(both.error.isEmpty());
    EXPECT_EQ(ParseCommandLine({"--tune"}, {}).error, "--tune needs a FILE");
    // The off-line unit is a simulated unit of its own.
    for (const QStringList& args : {QStringList{"--simulate", "--tune", "t.tun"}, QStringList{"--tune", "t.tun", "--sim-stage", "base"}})
        EXPECT_EQ(ParseCommandLine(args, {}).error,
                  "--tune opens the file in a simulated unit of its own: leave out --simulate and the --sim- options");
}

TEST(CommandLineTest, PortOptionsWinOverTheEnvironment)
{
    EXPECT_EQ(ParseCommandLine({}, "2=/dev/ttyS0").ports, (port_names::Assignments{{2, "/dev/ttyS0"}}));
    EXPECT_EQ(ParseCommandLine({"--port", "1=/dev/a"}, "2=/dev/ttyS0").ports,
              (port_names::Assignments{{1, "/dev/a"}}));
}

TEST(CommandLineTest, RefusesWhatItDoesNotUnderstand)
{
    const std::pair<QStringList, QString> cases[] = {
        {{"--frobnicate"}, {}}, {{"--port"}, {}}, {{"--port", "ttyUSB0"}, {}}, {{}, "nonsense"}};
    for (const auto& [args, environment] : cases)
        EXPECT_FALSE(ParseCommandLine(args, environment).error.isEmpty()) << args.join(' ').toStdString();
}

TEST(CommandLineTest, HelpAndVersion)
{
    EXPECT_TRUE(ParseCommandLine({"--help"}, {}).showHelp);
    EXPECT_TRUE(ParseCommandLine({"--version"}, {}).showVersion);
    EXPECT_TRUE(CommandLineHelp("  --sim-x\n").contains("--sim-x"));
}

} // namespace

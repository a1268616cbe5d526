// kestrel-cli ports against simulated ports of every kind.
#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/TestApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(CliPortsTest, ListsEveryPortAndTellsHowToMendAPermissionRefusal)
{
    TestApplication();
    mdlPublicVars::Reset();
    ManualClock clock;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort port{device, clock};
    port.setExistingPorts({1, 2, 3, 5});
    port.setClaimedPorts({2});
    port.setPermissionDeniedPorts({3});
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    ConsoleDialogs dialogs{errStream};
    services::install(&port, &clock, &dialogs, &settings);

    Console console(outStream, errStream);
    const int status = RunCli(ParseCliArguments({"ports", "--simulate"}, {}), console);
    outStream.flush();
    errStream.flush();

    EXPECT_EQ(status, exit_status::Done);
    EXPECT_EQ(out, QStringLiteral("Port 1  simulated port 1  free\n"
                                  "Port 2  simulated port 2  busy\n"
                                  "Port 3  simulated port 3  permission denied\n"
                                  "Port 4  -               missing\n"
                                  "Port 5  simulated port 5  free\n"
                                  "Port 6  -               missing\n"));
    EXPECT_TRUE(err.startsWith(QStringLiteral("You may not open simulated port 3 (permission denied).")))
        << err.toStdString();
    EXPECT_TRUE(device.payloadLog().isEmpty());  // nothing is sent to any unit
}

} // namespace

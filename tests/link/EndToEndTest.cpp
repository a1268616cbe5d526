// KESTREL's real serial path, searching for and connecting to ventrix-sim on
// a pseudo-terminal, as it would to a unit on a cable; ventrix-sim keeps what
// was written in its memory file when it is stopped.
#include "RecordingView.h"
#include "link/Commands.h"
#include "link/LowLatency.h"
#include "link/QtSerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/VentrixMemory.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include "support/SimulatorProcess.h"
#include "support/TestApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(EndToEndTest, FindsAndTalksToTheSimulatorOnAPseudoTerminal)
{
    TestApplication();

    QTemporaryDir dir;
    const QString memoryFile = dir.filePath(QStringLiteral("unit.mem"));
    QProcess simulator;
    const QString device =
        StartSimulator(simulator, QStringLiteral(VENTRIX_SIM_PATH), {QStringLiteral("--memory"), memoryFile});
    ASSERT_FALSE(device.isEmpty());

    // The unit is on port 3; ports 1 and 2 lead nowhere.
    // Low latency is asked for on every open; a pty refuses it and the port works on.
    QList<qintptr> asked;
    QtSerialPort port(
        {{1, QStringLiteral("/dev/kestrel-missing-1")}, {2, QStringLiteral("/dev/kestrel-missing-2")}, {3, device}},
        [&](qintptr handle) {
            asked << handle;
            return low_latency::Request(handle);
        });
    ManualClock clock; // the search's pauses cost nothing; replies still take real time
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    services::install(&port, &clock, &dialogs, &settings);
    mdlPublicVars::Reset();

    RecordingView view;
    AutodetectPort(view);
    EXPECT_TRUE(mdlPublicVars::Connected);
    EXPECT_EQ(mdlPublicVars::CommPortNumber, 3);
    EXPECT_EQ(view.candidates, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.open(), PortError::PortAlreadyOpen);
    EXPECT_EQ(port.setRts(true), PortError::None); // a pty has no RTS: not an error
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_GE(asked.last(), 0); // the open port's own handle
    const qsizetype opens = asked.size();
    EXPECT_FALSE(port.lowLatencyGranted());

    // Connected, any framed command goes through and its reply is verified.
    SystemClock realClock;
    EXPECT_EQ(SendFrameOn(port, realClock, cmd::FirmwareRevision(), 10, 5000), 1);
    EXPECT_EQ(LastReplyData().size(), 4);
    EXPECT_EQ(SendFrameOn(port, realClock, cmd::WriteCell('O', 0x80, 0x05), 10, 1000), 1);
    EXPECT_EQ(SendFrameOn(port, realClock, cmd::ReadCell('O', 0x80), 10, 1000), 1);
    EXPECT_EQ(cmd::Text(LastReplyData(), cmd::reply::CellValue), QStringLiteral("05"));

    port.close();
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(port.open(), PortError::None);
    EXPECT_EQ(asked.size(), opens + 1);
    EXPECT_EQ(SendFrameOn(port, realClock, cmd::ReadCell('O', 0x80), 10, 1000), 1);
    port.close();
    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(simulator.exitCode(), 0);
    VentrixMemory saved;
    QString error;
    ASSERT_TRUE(saved.load(memoryFile, &error)) << qPrintable(error);
    EXPECT_EQ(saved.cell('O', 0x80), 0x05);
}

TEST(QtSerialPortTest, ReportsPortsThatCannotBeUsed)
{
    TestApplication();
    QtSerialPort port({{1, QStringLiteral("/dev/kestrel-no-such-device")}});
    port.setPortNumber(2); // not assigned at all
    EXPECT_EQ(port.open(), PortError::InvalidPortNumber);
    port.setPortNumber(1);
    EXPECT_NE(port.open(), PortError::None);
    EXPECT_FALSE(port.isOpen());
    QByteArray received;
    EXPECT_EQ(port.readAll(received), PortError::PortNotOpen);
    EXPECT_EQ(port.write("UU01ZBB$"), PortError::PortNotOpen);
}

} // namespace

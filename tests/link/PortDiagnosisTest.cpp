// What the user is told about ports that cannot be used: the ports listing
// and the hint after a search that was refused a port for permission.
#include "RecordingView.h"
#include "link/PortDiagnosis.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "support/ScriptedDialogs.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

using port_diagnosis::Access;

// A system whose devices say what the test tells them to.
class FakeInspector final : public port_diagnosis::DeviceInspector {
public:
    struct Device {
        Access access;
        QString holder;
        QString hardware;
    };
    QMap<QString, Device> devices;

    QString location(const QString& device) const override { return QStringLiteral("/dev/") + device; }
    Access access(const QString& device) const override
    {
        return devices.value(device, {Access::Missing, {}, {}}).access;
    }
    QString holder(const QString& device) const override { return devices.value(device).holder; }
    QString hardware(const QString& device) const override { return devices.value(device).hardware; }
};

TEST(PortDiagnosisTest, EachPortWithItsDeviceAccessHolderAndHardware)
{
    FakeInspector system;
    system.devices = {
        {"ttyUSB0", {Access::Free, {}, "FTDI FT232R USB UART (USB 0403:6001, serial A50285BI)"}},
        {"ttyUSB1", {Access::Busy, "ModemManager (pid 812)", "Prolific USB-Serial (USB 067b:2303)"}},
        {"ttyS0", {Access::PermissionDenied, {}, {}}},
        {"ttyS1", {Access::Missing, "ignored", "ignored"}},
    };
    const port_names::Assignments assigned = {{1, "ttyUSB0"}, {2, "ttyUSB1"}, {3, "ttyS0"}, {5, "ttyS1"}};

    const QList<port_diagnosis::PortReport> reports = port_diagnosis::Diagnose(assigned, system);
    QStringList lines;
    for (const auto& report : reports)
        lines << port_diagnosis::ReportLine(report);
    EXPECT_EQ(lines,
              QStringList({
                  "Port 1  /dev/ttyUSB0    free  FTDI FT232R USB UART (USB 0403:6001, serial A50285BI)",
                  "Port 2  /dev/ttyUSB1    busy (held by ModemManager (pid 812))  Prolific USB-Serial (USB 067b:2303)",
                  "Port 3  /dev/ttyS0      permission denied",
                  "Port 4  -               missing",
                  "Port 5  /dev/ttyS1      missing",
                  "Port 6  -               missing",
              }));
}

TEST(PortDiagnosisTest, ThroughTheSimulatedPortsEveryStateIsToldApart)
{
    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
    port.setExistingPorts({1, 2, 3, 5});
    port.setClaimedPorts({2});
    port.setPermissionDeniedPorts({3});

    QList<Access> seen;
    QStringList devices;
    for (const auto& report : port_diagnosis::DiagnoseThroughPort(port)) {
        seen << report.access;
        devices << report.device;
    }
    EXPECT_EQ(seen,
              QList<Access>({Access::Free, Access::Busy, Access::PermissionDenied, Access::Missing, Access::Free,
                             Access::Missing}));
    EXPECT_EQ(devices,
              QStringList({"simulated port 1", "simulated port 2", "simulated port 3", "", "simulated port 5", ""}));
    EXPECT_FALSE(port.isOpen());
}

class PermissionHintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mdlPublicVars::Reset();
        services::install(&port, &clock, &dialogs, &settings);
    }

    RecordingView view;
    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
};

TEST_F(PermissionHintTest, ASearchRefusedForPermissionSaysWhichDeviceAndHow)
{
    // The unit sits on port 2, which the user may not open; port 4 is too.
    port.setUnitPort(2);
    port.setPermissionDeniedPorts({2, 4});
    AutodetectPort(view);

    EXPECT_FALSE(mdlPublicVars::Connected);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("Not Connected"));
    EXPECT_TRUE(dialogs.messages[1].text.startsWith(
        QStringLiteral("You may not open simulated port 2, simulated port 4 (permission denied).")))
        << dialogs.messages[1].text.toStdString();
    EXPECT_TRUE(dialogs.messages[1].text.contains(QStringLiteral("sudo usermod -aG dialout $USER")));
}

TEST_F(PermissionHintTest, ASearchPastBusyPortsSaysWhichAndWhoHoldsThem)
{
    // The unit sits on port 2, which another copy of the program holds;
    // port 5 is held too, by a program the system does not name.
    class Held final : public ForwardingPort {
    public:
        using ForwardingPort::ForwardingPort;
        QString deviceName() const override { return inner_.deviceName(); }
        QString busyHolder() const override
        {
            return portNumber() == 2 ? QStringLiteral("kestrel (pid 4242)") : QString();
        }
    } held(port);
    services::installPort(&held);
    port.setUnitPort(2);
    port.setClaimedPorts({2, 5});
    AutodetectPort(view);
    services::installPort(&port);

    EXPECT_FALSE(mdlPublicVars::Connected);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].text,
              QStringLiteral("Port 2 (simulated port 2) is busy (held by kestrel (pid 4242)).\n"
                             "Port 5 (simulated port 5) is busy (another program has it open).\n"
                             "A unit behind a busy port cannot be reached. Close the program that holds it, then try "
                             "again."));
}

} // namespace

#include "support/FakePorts.h"

#include "link/Reconnect.h"
#include "link/SettingsStore.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

// What a device on a port answers to the probe.
enum class On { Nothing, Unit, AskAgain, Nonsense, Silence, Busy };

void Attach(FakePorts& ports, int number, On on)
{
    if (on == On::Nothing)
        return;
    FakePorts::Device& device = ports.device(number);
    if (on == On::Busy)
        device.openError = PortError::PortAlreadyOpen;
    else if (on != On::Silence)
        device.answer = [on](const QByteArray&) {
            return on == On::Unit    ? QByteArray("uu0103$")
                : on == On::AskAgain ? QByteArray("uu0102$")
                                     : QByteArray("uu01q7$");
        };
}

// A fresh program: not connected, its ports, clock and settings the test's.
struct World {
    World()
    {
        Reset();
        services::install(&ports, &clock, &dialogs, &settings);
    }
    ManualClock clock;
    FakePorts ports{clock};
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
};

// The unit was on port 2. Where one try finds it, which ports it opened,
// and what the program then holds. The port as given is probed first; the
// others only when its device is gone, and only a ready unit is taken.
TEST(ReconnectTest, OneTryTakesOnlyAReadyUnitAndSearchesOnlyWhenTheDeviceIsGone)
{
    struct Case {
        const char* what;
        std::array<On, 6> ports; // ports 1 to 6
        int found;               // 0: not found
        QList<int> opens;
    };
    using enum On;
    const Case cases[] = {
        {"adapter back as port 1", {Unit, Nothing, Unit, Nothing, Nothing, Nothing}, 1, {2, 1}},
        {"back where it was", {Nothing, Unit, Unit, Nothing, Nothing, Nothing}, 2, {2}},
        {"unit still silent: no search", {Unit, Silence, Nothing, Nothing, Nothing, Nothing}, 0, {2}},
        {"another device on its port", {Unit, Nonsense, Nothing, Nothing, Nothing, Nothing}, 0, {2}},
        {"asks to be asked again", {Nothing, AskAgain, Nothing, Nothing, Nothing, Nothing}, 0, {2}},
        {"adapter back as port 5", {Busy, Nothing, Nonsense, AskAgain, Unit, Unit}, 5, {2, 1, 3, 4, 5}},
        {"gone, nothing answers ready", {Silence, Nothing, Nonsense, Nothing, Nothing, Nothing}, 0, {2, 1, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        World w;
        FakePorts& ports = w.ports;
        for (int number = 1; number <= 6; ++number)
            Attach(ports, number, c.ports[number - 1]);
        CommPortNumber = 2;

        reconnect::Reconnector reconnector(2);
        EXPECT_EQ(reconnector.tryOnce(), c.found != 0);
        EXPECT_EQ(ports.opens, c.opens);
        EXPECT_EQ(Connected, c.found != 0);
        EXPECT_EQ(ports.isOpen(), c.found != 0);
        EXPECT_EQ(CommPortNumber, c.found != 0 ? c.found : 2);
        EXPECT_EQ(w.settings.read("KESTREL", "Startup", "LastActiveCommPort", "-"),
                  c.found != 0 ? QString::number(c.found) : QStringLiteral("-"));
        if (c.found != 0) {
            EXPECT_EQ(ports.portNumber(), c.found);
            EXPECT_TRUE(ports.rts);
        }
    }
}

// Run tries once a second until the unit answers or the caller stops.
TEST(ReconnectTest, RunTriesEverySecondUntilBackOrStopped)
{
    for (const bool stopped : {false, true}) {
        World w;
        FakePorts& ports = w.ports;
        ManualClock& clock = w.clock;
        // Silent for the first three probes (250 ms each), then ready.
        int probes = 0;
        ports.device(1).answer = [&](const QByteArray&) { return ++probes > 3 ? QByteArray("uu0103$") : QByteArray(); };
        const qint64 start = clock.nowMs();
        int asked = 0;
        reconnect::Reconnector reconnector(1);
        EXPECT_EQ(reconnect::Run(reconnector, [&] { return !stopped || ++asked <= 2; }), !stopped);
        // A second's wait before each try: three silent tries of 250 ms,
        // then the fourth answered at once; stopped before the third.
        EXPECT_EQ(clock.nowMs() - start, stopped ? 2500 : 4750);
        EXPECT_EQ(probes, stopped ? 2 : 4);
    }
}

} // namespace

#include "RecordingView.h"
#include "support/FakePorts.h"

#include "link/SettingsStore.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <QMap>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

const QString NotFoundText = QStringLiteral("VentrixTM not located on any active comm port.\n"
                                            "Check power to VentrixTM and serial cable connectivity.");

// A fresh program, not connected, on the test's ports, dialogs and settings.
struct World {
    explicit World(ManualClock& clock) : ports(clock)
    {
        Reset();
        services::install(&ports, &clock, &dialogs, &settings);
    }
    FakePorts ports;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    RecordingView view;
};

class AutodetectTest : public ::testing::Test {
protected:
    void storeLastPort(const QString& value) { startup_settings::Write(startup_settings::LastActiveCommPort, value); }
    QString storedLastPort() const { return w.settings.read("KESTREL", "Startup", "LastActiveCommPort", "<absent>"); }

    ManualClock clock;
    World w{clock};
    FakePorts& ports = w.ports;
    RecordingView& view = w.view;
};

// Where the unit is, how it answers and what was stored: where the search
// finds it, which ports it showed, and what it cost.
TEST_F(AutodetectTest, SearchesTheLastPortThenScans)
{
    using Units = std::function<void(FakePorts&)>;
    // Port n answers "02" first, then nothing until probe `answered`, which is "03".
    const auto asksAgainThenSilentUntil = [](int n, int answered) -> Units {
        return [n, answered](FakePorts& p) {
            p.device(n).answer = [answered, probes = std::make_shared<int>(0)](const QByteArray&) {
                ++*probes;
                return *probes == 1 ? QByteArray("uu0102$") : *probes < answered ? QByteArray() : QByteArray("uu0103$");
            };
        };
    };
    const auto answers = [](int n, QList<QByteArray> statuses) -> Units {
        return [n, statuses](FakePorts& p) { p.device(n).answer = AnswersStatuses(statuses); };
    };
    const auto both = [](Units first, Units second) -> Units {
        return [first, second](FakePorts& p) {
            first(p);
            second(p);
        };
    };
    struct Case {
        const char* what;
        const char* stored; // null: nothing stored
        bool allPortsExist;
        Units units;
        int found; // 0: not found
        QList<int> candidates;
        QStringList events;         // empty: not checked
        qint64 waitedMs;            // -1: not checked
        QMap<int, int> probes = {}; // frames written to a port
        QList<int> firstOpens = {};
    };
    // clang-format off
    const Case cases[] = {
        {"last port answers ready", nullptr, true, answers(1, {"03"}), 1, {}, {"busy", "arrow", "Com 1"}, -1, {{1, 1}}},
        // Five attempts as the last port, five in the scan.
        {"the scan finds a later port", "4", true, answers(5, {"03"}), 5, {1, 2, 3, 4, 5},
         {"busy", "autodetect", "arrow", "Com 5", "unload"}, -1, {{4, 10}}},
        // 5 s on the last port, then 1 s pause and 5 s of probing for each of six ports.
        {"no unit anywhere", "2", true, {}, 0, {1, 2, 3, 4, 5, 6}, {"busy", "autodetect", "failed", "arrow", "unload"},
         6 * 1000, {{2, 10}, {1, 5}}},
        {"missing ports skipped", nullptr, false, answers(3, {"03"}), 3, {1, 2, 3}, {}, -1, {}, {1, 1, 2}},
        // 1 s before reopening, 2 s after.
        {"ask again answered by a second probe", nullptr, true, answers(1, {"02", "03"}), 1, {}, {}, 3000},
        {"silent second probe on the last port leads on to the scan", "6", true, asksAgainThenSilentUntil(6, 7), 6,
         {1, 2, 3, 4, 5, 6}, {}, -1},
        {"silent second probe during the scan ends it", "9", true,
         both(asksAgainThenSilentUntil(2, 1000), answers(4, {"03"})), 0, {1, 2}, {}, -1, {{4, 0}}},
        {"stored port that is no number counts as none", "COM3", true, answers(2, {"03"}), 2, {1, 2}, {}, -1, {}, {1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        World world(clock);
        auto& [ports, dialogs, settings, view] = world;
        if (c.allPortsExist)
            for (int n = 1; n <= 6; ++n)
                ports.device(n);
        if (c.stored)
            startup_settings::Write(startup_settings::LastActiveCommPort, QString::fromLatin1(c.stored));
        if (c.units)
            c.units(ports);
        const qint64 waitedBefore = clock.waitedMs();

        AutodetectPort(view);

        EXPECT_EQ(Connected, c.found != 0);
        EXPECT_EQ(ports.isOpen(), c.found != 0);
        EXPECT_EQ(WidebandModel, 1);
        if (c.found) {
            EXPECT_EQ(ProbeStatus, 3);
            EXPECT_EQ(CommPortNumber, c.found);
            EXPECT_TRUE(ports.rts);
            EXPECT_EQ(settings.read("KESTREL", "Startup", "LastActiveCommPort", ""), QString::number(c.found));
            EXPECT_TRUE(dialogs.messages.isEmpty());
        } else {
            EXPECT_EQ(ProbeStatus, 255);
            ASSERT_EQ(dialogs.messages.size(), 1);
            EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
            EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Not Connected"));
            EXPECT_EQ(dialogs.messages[0].text, NotFoundText);
            CloseLinkForExit(); // the stored port is kept for the next start
            EXPECT_EQ(settings.read("KESTREL", "Startup", "LastActiveCommPort", "-"), c.stored ? c.stored : "-");
        }
        EXPECT_EQ(view.candidates, c.candidates);
        if (!c.events.isEmpty()) {
            EXPECT_EQ(view.events, c.events);
        }
        if (c.waitedMs >= 0) {
            EXPECT_EQ(clock.waitedMs() - waitedBefore, c.waitedMs);
        }
        for (auto it = c.probes.cbegin(); it != c.probes.cend(); ++it)
            EXPECT_EQ(ports.written[it.key()].size(), it.value()) << "port " << it.key();
        EXPECT_EQ(ports.opens.mid(0, c.firstOpens.size()), c.firstOpens);
    }
}

TEST_F(AutodetectTest, PortErrorsOfTheScan)
{
    struct Case {
        const char* name;
        PortError error;
        bool searchGoesOn;
    } const cases[] = {
        {"already open", PortError::PortAlreadyOpen, true},
        {"hardware missing", PortError::HardwareNotAvailable, true},
        {"cannot open", PortError::DeviceNotOpen, true},
        {"unknown", PortError::Other, false},
    };
    for (const Case& c : cases) {
        World world(clock);
        auto& [casePorts, caseDialogs, caseSettings, caseView] = world;
        casePorts.device(1).openError = c.error;
        casePorts.device(2).answer = AnswersStatuses({"03"});
        AutodetectPort(caseView);
        EXPECT_EQ(Connected, c.searchGoesOn) << c.name;
        EXPECT_TRUE(caseDialogs.messages.isEmpty()) << c.name;
        EXPECT_EQ(caseView.events.last(), c.searchGoesOn ? "unload" : "arrow") << c.name;
    }
}

TEST_F(AutodetectTest, DisconnectAndExitSaveThePortInUse)
{
    for (int n = 1; n <= 6; ++n)
        ports.device(n);
    storeLastPort("3");
    ports.device(3).answer = AnswersStatuses({"03"});
    AutodetectPort(view);
    ASSERT_TRUE(Connected);

    storeLastPort("1");
    DisconnectFromUnit(view);
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(ports.isOpen());
    EXPECT_FALSE(ports.rts);
    EXPECT_EQ(storedLastPort(), "3");
    EXPECT_EQ(view.events.last(), "disconnected");

    // Connect searches again; the last port is found at once.
    ConnectToUnit(view);
    EXPECT_TRUE(Connected);
    EXPECT_EQ(view.events.last(), "title connected");

    storeLastPort("1");
    CloseLinkForExit();
    EXPECT_FALSE(ports.isOpen());
    EXPECT_EQ(storedLastPort(), "3");
}

// A number outside the list of models shows the voltage; a number that is no
// model's index is none; text is the default.
TEST(WidebandModelSetting, KeepsAnyNumberAndDefaultsOnlyForText)
{
    const std::pair<const char*, int> cases[] = {
        {"0", 0}, {"8", 8},    {" 3 ", 3}, {"9", 9}, {"12", 12}, {"-2", -2}, {"2.5", NoWidebandModel},
        {"", 1},  {"junk", 1}, {"1x", 1}};
    for (const auto& [stored, model] : cases)
        EXPECT_EQ(WidebandModelFromSetting(QString::fromLatin1(stored)), model) << stored;
}

TEST(ProbeStatus, ReadsTheLeadingDigits)
{
    const std::pair<const char*, int> cases[] = {{"03", 3}, {"02", 2},  {"3x", 3}, {"x3", 0},
                                                 {"", 0},   {"12", 12}, {"033", 3}};
    for (const auto& [reply, status] : cases)
        EXPECT_EQ(ProbeStatusOf(QString::fromLatin1(reply)), status) << reply;
}

} // namespace

#include "support/FakePorts.h"

#include "link/Autodetect.h"
#include "link/SettingsStore.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

// Records what the search showed, in order.
class RecordingView final : public ConnectionView {
public:
    void setBusyPointer(bool busy) override { events << (busy ? "busy" : "arrow"); }
    void showAutodetectWindow() override { events << "autodetect"; }
    void showCandidatePort(int n) override { candidates.append(n); }
    void unloadAutodetectWindow() override { events << "unload"; }
    void showConnectedIndicator(int n) override { events << QStringLiteral("Com %1").arg(n); }
    void showSearchFailed() override { events << "failed"; }
    void showConnectedTitle() override { events << "title connected"; }
    void showDisconnected() override { events << "disconnected"; }

    QStringList events;
    QList<int> candidates;
};

const QString NotFoundText = QStringLiteral(
    "VentrixTM not located on any active comm port.\n"
    "Check power to VentrixTM and serial cable connectivity.");

class AutodetectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        services::install(&ports, &clock, &dialogs, &settings);
    }

    void allPortsSilent()
    {
        for (int n = 1; n <= 6; ++n)
            ports.device(n);
    }

    void storeLastPort(const QString& value)
    {
        startup_settings::Write(startup_settings::LastActiveCommPort, value);
    }

    QString storedLastPort() const
    {
        return settings.read("KESTREL", "Startup", "LastActiveCommPort", "<absent>");
    }

    ManualClock clock;
    FakePorts ports{clock};
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    RecordingView view;
};

TEST_F(AutodetectTest, LastPortAnsweringReadySkipsTheScan)
{
    allPortsSilent();
    ports.device(1).answer = AnswersStatuses({"03"});
    AutodetectPort(view);
    ShowConnectedState(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(ProbeStatus, 3);
    EXPECT_EQ(CommPortNumber, 1);
    EXPECT_EQ(WidebandModel, 1);
    EXPECT_TRUE(ports.isOpen());
    EXPECT_TRUE(ports.rts);
    EXPECT_EQ(storedLastPort(), "1");
    EXPECT_EQ(view.events, (QStringList{"busy", "arrow", "Com 1", "title connected"}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(ports.written[1].first(), QByteArray("UU01ZBB$"));
}

TEST_F(AutodetectTest, ScanFindsALaterPortAndRemembersIt)
{
    allPortsSilent();
    storeLastPort("4");
    ports.device(5).answer = AnswersStatuses({"03"});
    AutodetectPort(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(CommPortNumber, 5);
    EXPECT_EQ(PortCandidate, 5);
    EXPECT_EQ(storedLastPort(), "5");
    EXPECT_EQ(view.candidates, (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(view.events, (QStringList{"busy", "autodetect", "arrow", "Com 5", "unload"}));
    EXPECT_EQ(ports.written[4].size(), 10);  // five attempts as last port, five in the scan
}

TEST_F(AutodetectTest, NoUnitAnywhereTriesEachPortOnceThenSaysSo)
{
    allPortsSilent();
    storeLastPort("2");
    AutodetectPort(view);
    ShowConnectedState(view);

    EXPECT_FALSE(Connected);
    EXPECT_EQ(ProbeStatus, 255);
    EXPECT_EQ(view.candidates, (QList<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Not Connected"));
    EXPECT_EQ(dialogs.messages[0].text, NotFoundText);
    EXPECT_EQ(view.events, (QStringList{"busy", "autodetect", "failed", "arrow", "unload"}));
    EXPECT_FALSE(ports.isOpen());
    // 5 s on the last port, then 1 s pause and 5 s of probing for each of six ports.
    EXPECT_EQ(clock.waitedMs(), 6 * 1000);
    EXPECT_EQ(ports.written[2].size(), 10);
    EXPECT_EQ(ports.written[1].size(), 5);
}

TEST_F(AutodetectTest, MissingPortsAreSkippedWithoutAMessage)
{
    ports.device(3).answer = AnswersStatuses({"03"});
    AutodetectPort(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(CommPortNumber, 3);
    EXPECT_EQ(ports.opens.mid(0, 3), (QList<int>{1, 1, 2}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AutodetectTest, AskAgainIsAnsweredByASecondProbe)
{
    allPortsSilent();
    ports.device(1).answer = AnswersStatuses({"02", "03"});
    AutodetectPort(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(CommPortNumber, 1);
    EXPECT_EQ(clock.waitedMs(), 3000);  // 1 s before reopening, 2 s after
    EXPECT_TRUE(view.candidates.isEmpty());
}

TEST_F(AutodetectTest, SilentSecondProbeOnTheLastPortLeadsOnToTheScan)
{
    allPortsSilent();
    storeLastPort("6");
    int probes = 0;
    ports.device(6).answer = [&probes](const QByteArray&) {
        // Asks to be asked again, then falls silent until the scan reaches it.
        ++probes;
        return probes == 1 ? QByteArray("uu0102$") : probes <= 6 ? QByteArray() : QByteArray("uu0103$");
    };
    AutodetectPort(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(CommPortNumber, 6);
    EXPECT_EQ(view.candidates, (QList<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(AutodetectTest, SilentSecondProbeDuringTheScanEndsIt)
{
    allPortsSilent();
    storeLastPort("9");  // no such port
    int probes = 0;
    ports.device(2).answer = [&probes](const QByteArray&) {
        return ++probes == 1 ? QByteArray("uu0102$") : QByteArray();
    };
    ports.device(4).answer = AnswersStatuses({"03"});
    AutodetectPort(view);

    EXPECT_FALSE(Connected);
    EXPECT_EQ(ProbeStatus, 255);
    EXPECT_EQ(view.candidates, (QList<int>{1, 2}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, NotFoundText);
    EXPECT_TRUE(ports.written[4].isEmpty());
}

TEST_F(AutodetectTest, StoredPortThatIsNoNumberCountsAsNone)
{
    allPortsSilent();
    storeLastPort("COM3");
    ports.device(2).answer = AnswersStatuses({"03"});
    AutodetectPort(view);

    EXPECT_TRUE(Connected);
    EXPECT_EQ(storedLastPort(), "2");
    EXPECT_EQ(ports.opens.first(), 1);  // straight into the scan
    EXPECT_EQ(view.candidates, (QList<int>{1, 2}));
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
        Reset();
        FakePorts casePorts(clock);
        ScriptedDialogs caseDialogs;
        MemorySettingsStore caseSettings;
        RecordingView caseView;
        services::install(&casePorts, &clock, &caseDialogs, &caseSettings);
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
    allPortsSilent();
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

TEST_F(AutodetectTest, FailedSearchStillSavesTheStoredPortOnExit)
{
    storeLastPort("4");
    AutodetectPort(view);
    ASSERT_FALSE(Connected);
    CloseLinkForExit();
    EXPECT_EQ(storedLastPort(), "4");
}

TEST(WidebandModelSetting, KeepsAnyNumberAndDefaultsOnlyForText)
{
    const std::pair<const char*, int> cases[] = {
        {"0", 0}, {"8", 8}, {" 3 ", 3},
        {"9", 9}, {"12", 12}, {"-2", -2},      // no model of the list: the voltage is shown
        {"2.5", NoWidebandModel},              // a number, but no model's index
        {"", 1}, {"junk", 1}, {"1x", 1},       // not a number: the default
    };
    for (const auto& [stored, model] : cases)
        EXPECT_EQ(WidebandModelFromSetting(QString::fromLatin1(stored)), model) << stored;
}

TEST(ProbeStatus, ReadsTheLeadingDigits)
{
    const std::pair<const char*, int> cases[] = {{"03", 3}, {"02", 2}, {"3x", 3}, {"x3", 0}, {"", 0}, {"12", 12}, {"033", 3}};
    for (const auto& [reply, status] : cases)
        EXPECT_EQ(ProbeStatusOf(QString::fromLatin1(reply)), status) << reply;
}

} // namespace

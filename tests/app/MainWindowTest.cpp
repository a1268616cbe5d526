#include "app/frmMain.h"
#include "app/mdlMain.h"
#include "monitor/LiveLink.h"
#include "platform/Colours.h"
#include "support/SimulatedWorld.h"
#include "tunefile/ConnectCheck.h"
#include "tunefile/TuneHistory.h"
#include "tunefile/frmCompareTunes.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.reset();
        w = std::make_unique<SimulatedWorld>();
    }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        return w->main->findChild<T*>(QString::fromLatin1(name));
    }

    bool enabled(const char* name) const { return mdlMain::IsControlEnabled(QString::fromLatin1(name)); }

    std::unique_ptr<SimulatedWorld> w;
};

TEST_F(MainWindowTest, MenuTreeHasItsCaptionsInOrder)
{
    const QList<std::pair<QString, QStringList>> expected = {
        {"&File", {"&Open Log...", "Open &Tune Off Line...", "&Save Tune", "Save Tune &As...", "E&xit"}},
        {"&Diagnostics", {"&Accuracy Test"}},
        {"Ven&trix", {"&Run", "R&eset", "&Ignition Config", "&Startup Values"}},
        {"&Tune",
         {"&Graphical Tuner", "&Export Tune", "&Import Tune", "&Compare Tunes...", "&Restore Backup...", "&History...",
          "&Memory Modify"}},
        {"&Wideband", {"&WBO2 Config"}},
        {"&Help", {"&About", "&Calculator", "&Keyboard"}},
    };
    const QList<QAction*> menus = w->main->menuBar()->actions();
    ASSERT_EQ(menus.size(), expected.size());
    for (int i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(menus[i]->text(), expected[i].first);
        QStringList items;
        for (const QAction* action : menus[i]->menu()->actions())
            items << action->text();
        EXPECT_EQ(items, expected[i].second);
    }
}

TEST_F(MainWindowTest, CompareTunesOpensOnceWithoutAUnit)
{
    // Two files compare without a unit: no connection guard, no message.
    ASSERT_FALSE(Connected);
    w->main->findChild<QAction*>(QStringLiteral("mnuCompareTunesItem"))->trigger();
    w->main->mnuCompareTunesItem_Click();
    int windows = 0;
    for (const QMdiSubWindow* frame : w->main->mdiArea()->subWindowList())
        windows += frame->widget()->objectName() == QLatin1String("frmCompareTunes") ? 1 : 0;
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
}

TEST_F(MainWindowTest, ConnectAndDisconnectDriveTheIndicator)
{
    EXPECT_EQ(w->main->windowTitle(), QStringLiteral("HALDEN RACING \"KESTREL\" - VentrixTM Tuning Software"));
    w->connectAndLoad();
    auto* indicator = control<QLineEdit>("txtConnected");
    EXPECT_EQ(w->main->windowTitle(), QStringLiteral("Connected - VentrixTM Communcations Software"));
    EXPECT_EQ(indicator->text(), QStringLiteral("Com 1"));
    EXPECT_EQ(colours::Background(indicator), colours::Green);
    EXPECT_FALSE(enabled("cmdConnect"));
    EXPECT_TRUE(enabled("cmdDisconnect"));

    w->main->cmdDisconnect_Click();
    EXPECT_EQ(w->main->windowTitle(), QStringLiteral("Not Connected"));
    EXPECT_TRUE(indicator->text().isEmpty());
    EXPECT_NE(colours::Background(indicator), colours::Green);
    EXPECT_TRUE(enabled("cmdConnect"));
    EXPECT_FALSE(enabled("cmdDisconnect"));
    EXPECT_FALSE(w->simulated.isOpen());
}

// At connect only the twenty registers are read and compared with the tune
// last seen on the port; a difference links to Compare Tunes with the unit on
// side A and that tune on side B.
TEST_F(MainWindowTest, ConnectComparesTheRegistersWithTheTuneLastSeenOnThePort)
{
    tune_history::SetHistoryPath(w->dir.filePath(QStringLiteral("history.sqlite")));
    struct Reset {
        ~Reset() { tune_history::SetHistoryPath({}); }
    } reset;
    w->device.memory().setRegister(6, 0x41);
    tunefile::Tune seen;
    for (int reg = 0; reg < 20; ++reg)
        seen.setValue({'T', reg}, w->device.memory().registerValue(reg));
    const QDateTime saturday(QDate(2026, 12, 5), QTime(14, 2));
    ASSERT_TRUE(tune_history::History().add(tune_history::Source::Export, "1", seen, saturday));
    seen.setValue({'T', 6}, 0x99); // a later tune seen on another port
    ASSERT_TRUE(tune_history::History().add(tune_history::Source::Backup, "2", seen, saturday.addDays(1)));
    const QString lastSeen = QStringLiteral("the tune last seen on port 1 (2026-12-05 14:02, export)");
    struct Row {
        int t06;             // the unit's T06 at connect
        const char* silence; // a register read the unit never answers
        QString status;      // the status line, or the text before the link
        bool link;
    };
    const Row rows[] = {
        {0x41, "", "Registers match " + lastSeen, false},
        {0x42, "", "Register T06 differs from " + lastSeen, true},
        {0x41, "RT13", connect_check::ReadFailedText, false},
    };
    // The same when a lost link is found again (the unit may have been reset meanwhile).
    for (const Row& row : rows)
        for (const bool afterLoss : {false, true}) {
            SCOPED_TRACE(row.status.toStdString() + (afterLoss ? ", found again" : ", at Connect"));
            if (Connected)
                w->main->cmdDisconnect_Click();
            w->port->silenced.clear();
            w->device.memory().setRegister(6, 0x41);
            if (afterLoss)
                w->main->cmdConnect_Click();
            w->device.memory().setRegister(6, row.t06);
            w->port->silenced = QString::fromLatin1(row.silence).split(' ', Qt::SkipEmptyParts);
            w->port->requests.clear();
            w->main->statusBar()->clearMessage();
            if (afterLoss) {
                QLabel status;
                QPushButton cancel;
                live_link::Healing healing(&status, &cancel, nullptr);
                healing.begin();
                healing.tryNow();
            } else {
                w->main->cmdConnect_Click();
            }
            ASSERT_TRUE(Connected);
            EXPECT_TRUE(w->dialogs.messages.isEmpty());
            for (const QString& request : w->port->requests)
                EXPECT_TRUE(request == "Z" || request == "Y" || request.startsWith("RT")) << request.toStdString();
            EXPECT_TRUE(w->port->requests.contains("RT13"));
            auto* link = w->main->statusBar()->findChild<QLabel*>(QStringLiteral("lblStatusLink"));
            ASSERT_EQ(link && !link->isHidden(), row.link);
            if (!row.link) {
                EXPECT_EQ(w->main->statusBar()->currentMessage(), row.status);
                continue;
            }
            EXPECT_EQ(link->text(), row.status + R"( <a href="link">Compare</a>)");
            emit link->linkActivated(QStringLiteral("link"));
            auto* compare = w->main->findChild<frmCompareTunes*>();
            ASSERT_TRUE(compare && compare->tune(0) && compare->tune(1));
            EXPECT_EQ(compare->tune(0)->origin.kind, tunefile::TuneOrigin::Kind::Unit);
            EXPECT_EQ(compare->tune(0)->value({'T', 6}), 0x42);
            EXPECT_EQ(compare->tune(1)->value({'T', 6}), 0x41);
            EXPECT_EQ(compare->tune(1)->stamp, lastSeen);
        }
}

TEST_F(MainWindowTest, GuardRefusesDeviceWindowsWithoutAConnection)
{
    QPointer<QWidget> slot;
    bool created = false;
    const QWidget* opened = w->main->OpenGuarded(DeviceWindow::MemoryModify, slot, [&created] {
        created = true;
        return new QWidget;
    });
    EXPECT_TRUE(opened == nullptr && !created);
    ASSERT_EQ(w->dialogs.messages.size(), 1);
    EXPECT_EQ(w->dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w->dialogs.messages[0].title, QStringLiteral("Connection Error"));
    EXPECT_EQ(w->dialogs.messages[0].text, QStringLiteral("Not connected to Ventrix. Please connect and try again."));
}

TEST_F(MainWindowTest, EachDeviceWindowShutsOutItsConflictingCommands)
{
    const QStringList watched = {"cmdConnect",      "cmdDisconnect",   "cmdGraphicalTune", "cmdVentrixRun",
                                 "cmdMemoryModify", "cmdAccuracyTest", "mnuDiagnostics",   "mnuVentrixRunItem",
                                 "mnuResetItem",    "mnuVentrix",      "mnuMemory",        "mnuHelp",
                                 "mnuWideband",     "cmdAbout"};
    struct Case {
        DeviceWindow window;
        QStringList disabled;
    } const cases[] = {
        {DeviceWindow::GraphicalTuner,
         {"cmdConnect", "cmdDisconnect", "cmdGraphicalTune", "cmdVentrixRun", "cmdMemoryModify", "cmdAccuracyTest",
          "mnuDiagnostics", "mnuVentrixRunItem", "mnuResetItem", "mnuMemory"}},
        // Run is one command, the button's and the menu item's.
        {DeviceWindow::MemoryModify,
         {"cmdGraphicalTune", "cmdVentrixRun", "mnuVentrixRunItem", "cmdMemoryModify", "cmdAccuracyTest",
          "mnuDiagnostics", "mnuVentrix", "mnuMemory"}},
    };
    for (const Case& c : cases) {
        SetUp();
        // Everything the window may touch starts enabled, as on a connected main window.
        mdlMain::RegisterMainWindow(w->main.get());
        mdlMain::SetControlsEnabled(watched, true);
        Connected = true;

        QPointer<QWidget> slot;
        QWidget* child = w->main->OpenGuarded(c.window, slot, [] { return new QWidget; });
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->parentWidget()->pos(), QPoint(0, 0));
        for (const QString& name : watched)
            EXPECT_EQ(mdlMain::IsControlEnabled(name), !c.disabled.contains(name))
                << name.toStdString() << " with window " << int(c.window);

        // Reopening reuses the one instance, back at the top left.
        child->parentWidget()->move(120, 80);
        EXPECT_EQ(w->main->OpenGuarded(c.window, slot, [] { return new QWidget; }), child);
        EXPECT_EQ(child->parentWidget()->pos(), QPoint(0, 0));
        EXPECT_EQ(w->main->mdiArea()->subWindowList().size(), 1);

        // QUIT gives back what the window took; connected, Connect stays off.
        mdlMain::GiveBackCommands(c.window);
        for (const QString& name : watched)
            EXPECT_EQ(mdlMain::IsControlEnabled(name),
                      name != QLatin1String("cmdConnect") || c.window == DeviceWindow::MemoryModify)
                << name.toStdString() << " given back by window " << int(c.window);
    }
}

TEST_F(MainWindowTest, AToolbarButtonAndItsMenuItemAreOneCommand)
{
    const std::pair<const char*, const char*> commands[] = {
        {"cmdGraphicalTune", "mnuGraphicalTunerItem"},
        {"cmdVentrixRun", "mnuVentrixRunItem"},
        {"cmdMemoryModify", "mnuMemoryModifyItem"},
        {"cmdAccuracyTest", "mnuAccuracyTestItem"},
        {"cmdAbout", "mnuAboutItem"},
        {"cmdAirFuelCalculator", "Calculator"},
    };
    for (const auto& [button, item] : commands) {
        SCOPED_TRACE(button);
        mdlMain::SetControlsEnabled({QString::fromLatin1(item)}, false);
        EXPECT_FALSE(control<QAbstractButton>(button)->isEnabled());
        mdlMain::SetControlsEnabled({QString::fromLatin1(button)}, true);
        EXPECT_TRUE(w->main->findChild<QAction*>(QString::fromLatin1(item))->isEnabled());
    }
    // Unavailable under the button's name keeps the menu item off too, and
    // the reason shows on the button.
    mdlMain::MarkUnavailable(QStringLiteral("cmdAccuracyTest"), QStringLiteral("no unit"));
    mdlMain::SetControlsEnabled({QStringLiteral("mnuAccuracyTestItem")}, true);
    EXPECT_FALSE(enabled("mnuAccuracyTestItem"));
    EXPECT_EQ(control<QAbstractButton>("cmdAccuracyTest")->toolTip(), QStringLiteral("no unit"));
}

TEST_F(MainWindowTest, AboutBoxReportsVersionAndFirmware)
{
    w->main->mnuAboutItem_Click();
    ASSERT_EQ(w->dialogs.messages.size(), 1);
    EXPECT_EQ(w->dialogs.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(w->dialogs.messages[0].title, QStringLiteral("KESTREL - VentrixTM Communications Software"));
    const QString notDetected = QStringLiteral("KESTREL for Windows Version 1.0.10\nFirmware Revision: Not detected.");
    EXPECT_EQ(w->dialogs.messages[0].text, notDetected);
    EXPECT_TRUE(w->heard().isEmpty());

    w->connectAndLoad();
    EXPECT_EQ(frmMain::AboutText(), QStringLiteral("KESTREL for Windows Version 1.0.10\nFirmware Revision: 1.23"));

    w->device.faults().silent = true; // the unit stops answering (its attempts: AttemptsTableTest)
    EXPECT_EQ(frmMain::AboutText(), notDetected);
}

} // namespace

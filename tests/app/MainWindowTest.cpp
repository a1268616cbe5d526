#include "app/frmMain.h"
#include "app/mdlMain.h"
#include "platform/Colours.h"
#include "support/SimulatedWorld.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

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

TEST_F(MainWindowTest, GuardRefusesDeviceWindowsWithoutAConnection)
{
    QPointer<QWidget> slot;
    bool created = false;
    const QWidget* opened = w->main->OpenGuarded(DeviceWindow::MemoryModify, slot, [&created] {
        created = true;
        return new QWidget;
    });
    EXPECT_EQ(opened, nullptr);
    EXPECT_FALSE(created);
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
    EXPECT_EQ(w->dialogs.messages[0].text,
              QStringLiteral("KESTREL for Windows Version 1.0.10\nFirmware Revision: Not detected."));
    EXPECT_TRUE(w->heard().isEmpty());

    w->connectAndLoad();
    EXPECT_EQ(frmMain::AboutText(), QStringLiteral("KESTREL for Windows Version 1.0.10\nFirmware Revision: 1.23"));

    w->device.faults().silent = true; // the unit stops answering
    const qint64 before = w->clock.nowMs();
    EXPECT_EQ(frmMain::AboutText(),
              QStringLiteral("KESTREL for Windows Version 1.0.10\nFirmware Revision: Not detected."));
    EXPECT_EQ(w->clock.nowMs() - before, 10 * 5000);
}

} // namespace

// The program as a user reaches it: started the real way against the
// simulated unit, driven through its menu actions and toolbar buttons.
#include "app/Startup.h"
#include "app/frmAutodetect.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/mdlMain.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "support/SimulatedWorld.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

namespace {

// Every character written to any port so far.
int charactersWritten(const SimulatedPort& port)
{
    int total = 0;
    for (int number = 1; number <= 6; ++number)
        total += static_cast<int>(port.writtenTo(number).size());
    return total;
}

using namespace mdlPublicVars;

constexpr int UnitPort = 4;

// The simulated unit answers on port 4. SetUp is also a fresh start within
// a test: the old world goes first.
class UserPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.reset();
        w = std::make_unique<SimulatedWorld>();
        w->simulated.setUnitPort(UnitPort);
    }

    // The start-up sequence, with the unit's port remembered from last time.
    void startUpOnTheUnitsPort()
    {
        w->settings.write("KESTREL", "Startup", "LastActiveCommPort", QString::number(UnitPort));
        RunStartupSequence(*w->main);
    }

    QAction* action(const char* name) const { return w->main->findChild<QAction*>(QString::fromLatin1(name)); }
    template <typename T = QWidget>
    T* control(const char* name) const
    {
        return w->main->findChild<T*>(QString::fromLatin1(name));
    }

    // A menu item chosen as the user can: only when it and its menu are enabled.
    void choose(const char* name) const
    {
        QAction* item = action(name);
        ASSERT_NE(item, nullptr) << name;
        const auto* menu = qobject_cast<QMenu*>(item->parent());
        ASSERT_NE(menu, nullptr) << name;
        ASSERT_TRUE(menu->menuAction()->isEnabled()) << name;
        ASSERT_TRUE(item->isEnabled() && item->isVisible()) << name;
        item->trigger();
    }
    void click(const char* name) const
    {
        auto* button = control<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isEnabled()) << name;
        button->click();
    }
    QStringList titles() const
    {
        QStringList shown;
        for (const ScriptedDialogs::Message& m : w->dialogs.messages)
            shown << m.title;
        return shown;
    }

    std::unique_ptr<SimulatedWorld> w;
};

// Runs `act` once, from within the program's own event processing, as soon
// as the scan's window is up (looked for on every pass of the event loop).
struct DuringScan : QTimer {
    DuringScan(const SimulatedWorld& w, std::function<void()> act)
    {
        connect(this, &QTimer::timeout, [this, &w, act = std::move(act)] {
            if (!done && w.main->findChild<frmAutodetect*>()) {
                done = true;
                stop();
                act();
            }
        });
        start(0);
    }
    bool done = false;
};

TEST_F(UserPathsTest, KeptWindowsKeepTheUnitsValuesThroughTheirCloseButton)
{
    w->device.setKeyOnVolts(1.0, 0.9);
    w->device.memory().setRegister(0x04, 24);
    w->device.memory().setRegister(0x06, 0x84); // POINTS/PIP (8 Cylinder)
    w->device.memory().setRegister(0x09, 0x01); // RPM && W.O.T.
    startUpOnTheUnitsPort();
    ASSERT_TRUE(Connected);

    choose("mnuStartupValuesItem");
    QPointer<frmConfigure> configure = w->main->findChild<frmConfigure*>();
    ASSERT_NE(configure, nullptr);
    EXPECT_EQ(configure->txtMAFMinimum()->text(), "0.996"); // 51 / 256 x 5

    choose("mnuIgnitionConfigItem");
    QPointer<frmIgnitionConfig> ignition = w->main->findChild<frmIgnitionConfig*>();
    ASSERT_NE(ignition, nullptr);

    // The title bar's close button on each.
    w->device.clearLog();
    for (QWidget* window : {static_cast<QWidget*>(configure.data()), static_cast<QWidget*>(ignition.data())}) {
        QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        ASSERT_NE(frame, nullptr);
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        ASSERT_FALSE(frame.isNull());
        EXPECT_TRUE(frame->isHidden());
    }
    ASSERT_FALSE(configure.isNull() || ignition.isNull());

    choose("mnuStartupValuesItem");
    choose("mnuIgnitionConfigItem");
    EXPECT_EQ(w->main->findChild<frmConfigure*>(), configure.data());
    EXPECT_TRUE(configure->isVisible());
    EXPECT_EQ(configure->txtMAFMinimum()->text(), "0.996");
    EXPECT_TRUE(ignition->isVisible());
    EXPECT_EQ(ignition->SelectedIgnitionType(), 3);
    EXPECT_EQ(ignition->SelectedRpmConfig(), 1);
    EXPECT_TRUE(ignition->optRPMConfig(1)->isEnabled());
    EXPECT_TRUE(w->heard().isEmpty()); // shown again, not read again
}

TEST_F(UserPathsTest, ConnectReadsTheConfigurationStartUpCouldNotRead)
{
    struct Case {
        const char* what;
        std::function<void(SimFaults&)> atStartUp;
        QStringList startUpTitles;
    } const cases[] = {
        {"no unit answered", [](SimFaults& f) { f.silent = true; }, {"Not Connected"}},
        {"the load stopped part-way", [](SimFaults& f) { f.negativeCommands = {"RT"}; }, {"Configuration Failure!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        w->device.memory().setRegister(0x04, 30);
        w->device.memory().setRegister(0x06, 0x81);
        w->device.memory().setRegister(0x09, 0x01);
        c.atStartUp(w->device.faults());
        startUpOnTheUnitsPort();
        EXPECT_EQ(titles(), c.startUpTitles);
        if (Connected)
            click("cmdDisconnect");
        ASSERT_FALSE(Connected);

        w->device.setFaults({});
        w->device.clearLog();
        w->dialogs.messages.clear();
        click("cmdConnect");
        ASSERT_TRUE(Connected);
        const QStringList sent = w->heard();
        EXPECT_TRUE(sent.contains("Y"));
        EXPECT_TRUE(sent.contains("RT0D"));
        EXPECT_TRUE(w->dialogs.messages.isEmpty());
        // What the windows show of it is ConfigurationLoadTest's.
        EXPECT_TRUE(IsPlusStage);
        EXPECT_EQ(InstalledInjectorSize, 30);

        // Read in full once: a later Connect only searches.
        click("cmdDisconnect");
        click("cmdConnect");
        EXPECT_FALSE(w->heard().contains("Y"));
    }
}

TEST_F(UserPathsTest, MenusAndToolbarOpenTheirWindows)
{
    struct Case {
        const char* control;
        bool menuItem;
        const char* window;  // the window it opens, or
        const char* title;   // the first box it shows, or
        const char* request; // what the unit hears
    } const cases[] = {
        // Run, Ignition Config and Startup Values are chosen in the tests above and below.
        {"mnuGraphicalTunerItem", true, "frmGraphicalTune", nullptr, nullptr},
        // A toolbar button shows its menu item's command (the main window's
        // tests); one of each kind of button is pressed here.
        {"cmdGraphicalTune", false, "frmGraphicalTune", nullptr, nullptr},
        {"mnuAccuracyTestItem", true, nullptr, "WARNING!", nullptr},
        {"mnuResetItem", true, nullptr, nullptr, "K"},
        {"mnuExportTuneItem", true, nullptr, "TUNE EXPORT", nullptr},
        {"mnuImportTuneItem", true, nullptr, "WARNING", nullptr},
        {"mnuMemoryModifyItem", true, "ReadWriteByte", nullptr, nullptr},
        {"mnuConfig", true, "frmWidebandConfig", nullptr, nullptr},
        {"mnuAboutItem", true, nullptr, "KESTREL - VentrixTM Communications Software", nullptr},
        {"Calculator", true, "frmAirFuelCalculator", nullptr, nullptr},
        {"cmdAccuracyTest", false, nullptr, "WARNING!", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        SetUp();
        startUpOnTheUnitsPort();
        ASSERT_TRUE(Connected);
        w->dialogs.messages.clear();
        w->device.clearLog();
        // Questions are answered No: only the first box matters here.
        for (int i = 0; i < 3; ++i)
            w->dialogs.answerNext(MsgAnswer::No);

        c.menuItem ? choose(c.control) : click(c.control);

        if (c.window) {
            auto* window = w->main->findChild<QWidget*>(QString::fromLatin1(c.window));
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(window->isVisible());
        }
        if (c.title) {
            ASSERT_FALSE(w->dialogs.messages.isEmpty());
            EXPECT_EQ(w->dialogs.messages[0].title, QString::fromLatin1(c.title));
        }
        if (c.request) {
            EXPECT_TRUE(w->heard().contains(QString::fromLatin1(c.request)));
        }
    }

    // The two that only a stand-alone step can show: Disconnect, then Connect
    // (their looks are the main window's tests), and Exit.
    SetUp();
    startUpOnTheUnitsPort();
    click("cmdDisconnect");
    click("cmdConnect");
    EXPECT_TRUE(Connected);
    choose("mnuExitItem");
    EXPECT_FALSE(w->simulated.isOpen());
    EXPECT_FALSE(w->main->isVisible());
}

TEST_F(UserPathsTest, BoxesAndTheSearchWindowAreAsWideAsTheirTitles)
{
    WidgetDialogs real;
    const QString title = QStringLiteral("KESTREL - VentrixTM Communications Software");
    int width = 0;
    QTimer close;
    close.setInterval(10);
    QObject::connect(&close, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            width = box->width();
            box->accept();
        }
    });
    close.start();
    real.message(MsgIcon::Information, title, QStringLiteral("UPDATE Successful"), MsgButtons::Ok);
    close.stop();
    EXPECT_GE(width, WindowWidthForTitle(title));
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GT(WindowWidthForTitle(title), QFontMetrics(bold).horizontalAdvance(title));

    // The search's window: its port number beside its label, the title whole.
    frmAutodetect window;
    window.showPort(6);
    const QWidget* label = window.findChild<QWidget*>("Label1");
    const QWidget* number = window.commPortLabel();
    EXPECT_GT(number->x(), label->geometry().right());
    EXPECT_LE(number->geometry().right(), number->parentWidget()->width());
    EXPECT_LE(number->parentWidget()->geometry().right(), window.width());
    EXPECT_GE(window.width(), WindowWidthForTitle(window.windowTitle()));
}

TEST_F(UserPathsTest, TheWorkAreaScrollsToAChildLargerThanIt)
{
    w->main->resize(700, 500);
    startUpOnTheUnitsPort();
    ASSERT_TRUE(Connected);
    choose("mnuVentrixRunItem");
    QWidget* monitor = control("frmMONITOR");
    ASSERT_NE(monitor, nullptr);
    click("cmdADVANCED");
    QCoreApplication::processEvents();

    QMdiArea* area = w->main->mdiArea();
    QScrollBar* vertical = area->verticalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    vertical->setValue(vertical->maximum());
    QCoreApplication::processEvents();
    // Scrolled to the end, the monitor's lowest control is inside the area.
    QWidget* lowest = monitor->findChild<QWidget*>("lblRawDataStream");
    const QPoint bottom = lowest->mapTo(area->viewport(), QPoint(0, lowest->height()));
    EXPECT_LE(bottom.y(), area->viewport()->height());
}

// --- the search while it runs ---------------------------------------------

TEST_F(UserPathsTest, ConnectDuringTheScanStartsNoSecondSearch)
{
    bool connectEnabled = true;
    bool deviceCommandsEnabled = true;
    DuringScan duringScan(*w, [&] {
        auto* connect = control<QAbstractButton>("cmdConnect");
        connectEnabled = connect->isEnabled();
        deviceCommandsEnabled = mdlMain::IsControlEnabled("cmdVentrixRun") || mdlMain::IsControlEnabled("mnuMemory");
        connect->click();
        w->main->cmdConnect_Click(); // reached some other way (a guard re-enabling the button)
    });
    RunStartupSequence(*w->main); // port 1 first, then the scan finds the unit on 4

    EXPECT_TRUE(duringScan.done);
    EXPECT_FALSE(connectEnabled);
    EXPECT_FALSE(deviceCommandsEnabled);
    EXPECT_TRUE(Connected);
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
    // The splash is gone, and so is the scan's window.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->main->findChild<frmSplash*>(), nullptr);
    EXPECT_EQ(w->main->findChild<frmAutodetect*>(), nullptr);
    // One search: port 1 twice (last port, then the scan), 2 and 3 once, 4 found.
    EXPECT_EQ(w->simulated.opensOf(1), 2);
    EXPECT_EQ(w->simulated.opensOf(2), 1);
    EXPECT_EQ(w->simulated.opensOf(5), 0);
}

TEST_F(UserPathsTest, ExitDuringTheScanEndsItAtOnce)
{
    int writtenAtExit = -1;
    DuringScan duringScan(*w, [&] {
        writtenAtExit = charactersWritten(w->simulated);
        action("mnuExitItem")->trigger();
    });
    RunStartupSequence(*w->main);

    ASSERT_TRUE(duringScan.done);
    EXPECT_EQ(charactersWritten(w->simulated), writtenAtExit);
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(w->simulated.isOpen());
    EXPECT_TRUE(w->dialogs.messages.isEmpty());
    EXPECT_FALSE(w->main->isVisible());
}

} // namespace

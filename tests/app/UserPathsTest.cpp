// The program as a user reaches it: started the real way against the
// simulated unit, driven through its menu actions and toolbar buttons.
#include "app/Startup.h"
#include "app/frmAutodetect.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/mdlMain.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "link/SettingsStore.h"
#include "platform/Colours.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"

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

using namespace mdlPublicVars;

constexpr int UnitPort = 4;

class UserPathsTest : public ::testing::Test {
protected:
    // Also a fresh start within a test: the old main window goes first (it
    // takes the installed port with it), and the unit forgets its faults.
    void SetUp() override
    {
        TestApplication();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Reset();
        dialogs = ScriptedDialogs();
        device.setFaults({});
        device.setFrameListener({});
        device.clearLog();
        services::install(nullptr, &clock, &dialogs, &settings);
        auto owned = std::make_unique<SimulatedPort>(device, clock);
        owned->setUnitPort(UnitPort);
        port = owned.get();
        main = std::make_unique<frmMain>(std::move(owned));
    }

    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The start-up sequence, with the unit's port remembered from last time.
    void startUpOnTheUnitsPort()
    {
        settings.write("KESTREL", "Startup", "LastActiveCommPort", QString::number(UnitPort));
        RunStartupSequence(*main);
    }

    QAction* action(const char* name) const { return main->findChild<QAction*>(QString::fromLatin1(name)); }
    template <typename T = QWidget>
    T* control(const char* name) const
    {
        return main->findChild<T*>(QString::fromLatin1(name));
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

    QStringList heard()
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads << QString::fromLatin1(payload);
        device.clearLog();
        return payloads;
    }
    QStringList titles() const
    {
        QStringList shown;
        for (const ScriptedDialogs::Message& m : dialogs.messages)
            shown << m.title;
        return shown;
    }
    // Every character written to any port so far.
    int charactersWritten() const
    {
        int total = 0;
        for (int number = 1; number <= 6; ++number)
            total += static_cast<int>(port->writtenTo(number).size());
        return total;
    }

    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort* port = nullptr;
    std::unique_ptr<frmMain> main;
};

// Runs `act` once, from within the program's own event processing, as soon
// as `ready` holds (polled on every pass of the event loop).
class WhenReady : public QObject {
public:
    WhenReady(std::function<bool()> ready, std::function<void()> act)
        : ready_(std::move(ready)), act_(std::move(act))
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            if (done_ || !ready_())
                return;
            done_ = true;
            timer_.stop();
            act_();
        });
        timer_.start();
    }
    bool done() const { return done_; }

private:
    std::function<bool()> ready_;
    std::function<void()> act_;
    QTimer timer_;
    bool done_ = false;
};

TEST_F(UserPathsTest, KeptWindowsKeepTheUnitsValuesThroughTheirCloseButton)
{
    device.setKeyOnVolts(1.0, 0.9);
    device.memory().setRegister(0x04, 24);
    device.memory().setRegister(0x06, 0x84);  // POINTS/PIP (8 Cylinder)
    device.memory().setRegister(0x09, 0x01);  // RPM && W.O.T.
    startUpOnTheUnitsPort();
    ASSERT_TRUE(Connected);

    choose("mnuStartupValuesItem");
    QPointer<frmConfigure> configure = main->findChild<frmConfigure*>();
    ASSERT_NE(configure, nullptr);
    const QString mafShown = configure->txtMAFMinimum()->text();
    EXPECT_EQ(mafShown, "0.996");  // 51 / 256 x 5
    EXPECT_EQ(configure->txtVentrixConfig()->text(), "STAGE2(PLUS)");
    EXPECT_EQ(configure->txtInjectors()->text(), "24");

    choose("mnuIgnitionConfigItem");
    QPointer<frmIgnitionConfig> ignition = main->findChild<frmIgnitionConfig*>();
    ASSERT_NE(ignition, nullptr);
    EXPECT_EQ(ignition->SelectedIgnitionType(), 3);
    EXPECT_EQ(ignition->SelectedRpmConfig(), 1);

    // The title bar's close button on each.
    device.clearLog();
    for (QWidget* window : {static_cast<QWidget*>(configure.data()), static_cast<QWidget*>(ignition.data())}) {
        QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        ASSERT_NE(frame, nullptr);
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        ASSERT_FALSE(frame.isNull());
        EXPECT_TRUE(frame->isHidden());
    }
    ASSERT_FALSE(configure.isNull());
    ASSERT_FALSE(ignition.isNull());

    choose("mnuStartupValuesItem");
    choose("mnuIgnitionConfigItem");
    EXPECT_EQ(main->findChild<frmConfigure*>(), configure.data());
    EXPECT_TRUE(configure->isVisible());
    EXPECT_EQ(configure->txtMAFMinimum()->text(), mafShown);
    EXPECT_EQ(configure->txtVentrixConfig()->text(), "STAGE2(PLUS)");
    EXPECT_EQ(configure->txtInjectors()->text(), "24");
    EXPECT_TRUE(ignition->isVisible());
    EXPECT_EQ(ignition->SelectedIgnitionType(), 3);
    EXPECT_EQ(ignition->SelectedRpmConfig(), 1);
    EXPECT_TRUE(ignition->optRPMConfig(1)->isEnabled());
    EXPECT_TRUE(heard().isEmpty());  // shown again, not read again
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
        device.memory().setRegister(0x04, 30);
        device.memory().setRegister(0x06, 0x81);
        device.memory().setRegister(0x09, 0x01);
        c.atStartUp(device.faults());
        startUpOnTheUnitsPort();
        EXPECT_EQ(titles(), c.startUpTitles);
        if (Connected)
            click("cmdDisconnect");
        ASSERT_FALSE(Connected);

        device.setFaults({});
        device.clearLog();
        dialogs.messages.clear();
        click("cmdConnect");
        ASSERT_TRUE(Connected);
        const QStringList sent = heard();
        EXPECT_TRUE(sent.contains("Y"));
        EXPECT_TRUE(sent.contains("RT0D"));
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_TRUE(IsPlusStage);
        EXPECT_EQ(InstalledInjectorSize, 30);

        choose("mnuStartupValuesItem");
        auto* configure = main->findChild<frmConfigure*>();
        ASSERT_NE(configure, nullptr);
        EXPECT_EQ(configure->txtVentrixConfig()->text(), "STAGE2(PLUS)");
        EXPECT_EQ(configure->txtInjectors()->text(), "30");
        EXPECT_EQ(colours::Background(configure->Shape1()), colours::Green);
        choose("mnuIgnitionConfigItem");
        auto* ignition = main->findChild<frmIgnitionConfig*>();
        ASSERT_NE(ignition, nullptr);
        EXPECT_EQ(ignition->SelectedIgnitionType(), 1);
        EXPECT_EQ(ignition->SelectedRpmConfig(), 1);
        EXPECT_TRUE(ignition->optRPMConfig(0)->isEnabled());

        // Read in full once: a later Connect only searches.
        click("cmdDisconnect");
        click("cmdConnect");
        EXPECT_FALSE(heard().contains("Y"));
    }
}

TEST_F(UserPathsTest, MenusAndToolbarOpenTheirWindows)
{
    struct Case {
        const char* control;
        bool menuItem;
        const char* window;   // the window it opens, or
        const char* title;    // the first box it shows, or
        const char* request;  // what the unit hears
    } const cases[] = {
        {"mnuGraphicalTunerItem", true, "frmGraphicalTune", nullptr, nullptr},
        {"cmdGraphicalTune", false, "frmGraphicalTune", nullptr, nullptr},
        {"mnuAccuracyTestItem", true, nullptr, "WARNING!", nullptr},
        {"mnuVentrixRunItem", true, "frmMONITOR", nullptr, nullptr},
        {"mnuResetItem", true, nullptr, nullptr, "K"},
        {"mnuIgnitionConfigItem", true, "frmIgnitionConfig", nullptr, nullptr},
        {"mnuStartupValuesItem", true, "frmConfigure", nullptr, nullptr},
        {"mnuExportTuneItem", true, nullptr, "TUNE EXPORT", nullptr},
        {"mnuImportTuneItem", true, nullptr, "WARNING", nullptr},
        {"mnuMemoryModifyItem", true, "ReadWriteByte", nullptr, nullptr},
        {"mnuConfig", true, "frmWidebandConfig", nullptr, nullptr},
        {"mnuAboutItem", true, nullptr, "KESTREL - VentrixTM Communications Software", nullptr},
        {"Calculator", true, "frmAirFuelCalculator", nullptr, nullptr},
        {"cmdVentrixRun", false, "frmMONITOR", nullptr, nullptr},
        {"cmdMemoryModify", false, "ReadWriteByte", nullptr, nullptr},
        {"cmdAccuracyTest", false, nullptr, "WARNING!", nullptr},
        {"cmdAbout", false, nullptr, "KESTREL - VentrixTM Communications Software", nullptr},
        {"cmdAirFuelCalculator", false, "frmAirFuelCalculator", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        SetUp();
        startUpOnTheUnitsPort();
        ASSERT_TRUE(Connected);
        dialogs.messages.clear();
        device.clearLog();
        // Questions are answered No: only the first box matters here.
        for (int i = 0; i < 3; ++i)
            dialogs.answerNext(MsgAnswer::No);

        c.menuItem ? choose(c.control) : click(c.control);

        if (c.window) {
            auto* window = main->findChild<QWidget*>(QString::fromLatin1(c.window));
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(window->isVisible());
        }
        if (c.title) {
            ASSERT_FALSE(dialogs.messages.isEmpty());
            EXPECT_EQ(dialogs.messages[0].title, QString::fromLatin1(c.title));
        }
        if (c.request) {
            EXPECT_TRUE(heard().contains(QString::fromLatin1(c.request)));
        }
    }

    // The two that only a stand-alone step can show: Disconnect, then Connect,
    // and Exit.
    SetUp();
    startUpOnTheUnitsPort();
    click("cmdDisconnect");
    EXPECT_FALSE(Connected);
    EXPECT_EQ(main->windowTitle(), "Not Connected");
    click("cmdConnect");
    EXPECT_TRUE(Connected);
    EXPECT_EQ(main->windowTitle(), "Connected - VentrixTM Communcations Software");
    choose("mnuExitItem");
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(main->isVisible());
}

TEST_F(UserPathsTest, TheImportQuestionAnswersNoToEnter)
{
    startUpOnTheUnitsPort();
    ASSERT_TRUE(Connected);
    WidgetDialogs real(main.get());
    services::install(&main->MSComm1(), &clock, &real, &settings);

    // Enter on the first message box; any other dialog (a file dialog, if the
    // answer were Yes) is cancelled so the test cannot hang.
    QStringList seen;
    QTimer keys;
    keys.setInterval(10);
    QObject::connect(&keys, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->windowTitle();
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
            QTest::keyClick(box, Qt::Key_Return);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            seen << QStringLiteral("other: ") + dialog->windowTitle();
            dialog->reject();
        }
    });
    keys.start();
    device.clearLog();
    choose("mnuImportTuneItem");
    keys.stop();

    EXPECT_EQ(seen, QStringList{"WARNING"});
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_TRUE(mdlMain::IsControlEnabled("mnuMemory"));
    services::install(&main->MSComm1(), &clock, &dialogs, &settings);
}

TEST_F(UserPathsTest, MessageBoxesAreAsWideAsTheirTitles)
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
}

TEST_F(UserPathsTest, TheWorkAreaScrollsToAChildLargerThanIt)
{
    main->resize(700, 500);
    startUpOnTheUnitsPort();
    ASSERT_TRUE(Connected);
    choose("mnuVentrixRunItem");
    QWidget* monitor = control("frmMONITOR");
    ASSERT_NE(monitor, nullptr);
    click("cmdADVANCED");
    QCoreApplication::processEvents();

    QMdiArea* area = main->mdiArea();
    QScrollBar* vertical = area->verticalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    vertical->setValue(vertical->maximum());
    QCoreApplication::processEvents();
    // Scrolled to the end, the monitor's lowest control is inside the area.
    QWidget* lowest = monitor->findChild<QWidget*>("lblRawDataStream");
    const QPoint bottom = lowest->mapTo(area->viewport(), QPoint(0, lowest->height()));
    EXPECT_LE(bottom.y(), area->viewport()->height());
}

TEST_F(UserPathsTest, TheAutodetectNumberSitsBesideItsLabel)
{
    frmAutodetect window;
    window.showPort(6);
    const QWidget* label = window.findChild<QWidget*>("Label1");
    const QWidget* number = window.commPortLabel();
    EXPECT_GT(number->x(), label->geometry().right());
    EXPECT_LE(number->geometry().right(), number->parentWidget()->width());
    EXPECT_LE(number->parentWidget()->geometry().right(), window.width());
    EXPECT_GE(window.width(), WindowWidthForTitle(window.windowTitle()));
}

// --- the search while it runs ---------------------------------------------

TEST_F(UserPathsTest, ConnectDuringTheScanStartsNoSecondSearch)
{
    bool connectEnabled = true;
    bool deviceCommandsEnabled = true;
    WhenReady duringScan([this] { return main->findChild<frmAutodetect*>() != nullptr; },
                         [&] {
                             auto* connect = control<QAbstractButton>("cmdConnect");
                             connectEnabled = connect->isEnabled();
                             deviceCommandsEnabled = mdlMain::IsControlEnabled("cmdVentrixRun")
                                 || mdlMain::IsControlEnabled("mnuMemory");
                             connect->click();
                             // Reached some other way (a guard re-enabling the button).
                             main->cmdConnect_Click();
                         });
    RunStartupSequence(*main);  // port 1 first, then the scan finds the unit on 4

    EXPECT_TRUE(duringScan.done());
    EXPECT_FALSE(connectEnabled);
    EXPECT_FALSE(deviceCommandsEnabled);
    EXPECT_TRUE(Connected);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(main->windowTitle(), "Connected - VentrixTM Communcations Software");
    EXPECT_EQ(control<QLineEdit>("txtConnected")->text(), "Com 4");
    EXPECT_EQ(settings.read("KESTREL", "Startup", "LastActiveCommPort", ""), "4");
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(port->rts());
    // The splash is gone, and so is the scan's window.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->findChild<frmSplash*>(), nullptr);
    EXPECT_EQ(main->findChild<frmAutodetect*>(), nullptr);
    // One search: port 1 twice (last port, then the scan), 2 and 3 once, 4 found.
    EXPECT_EQ(port->opensOf(1), 2);
    EXPECT_EQ(port->opensOf(2), 1);
    EXPECT_EQ(port->opensOf(3), 1);
    EXPECT_EQ(port->opensOf(5), 0);
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdVentrixRun"));
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdConnect"));
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdDisconnect"));
}

TEST_F(UserPathsTest, ExitDuringTheScanEndsItAtOnce)
{
    int writtenAtExit = -1;
    WhenReady duringScan([this] { return main->findChild<frmAutodetect*>() != nullptr; },
                         [&] {
                             writtenAtExit = charactersWritten();
                             action("mnuExitItem")->trigger();
                         });
    RunStartupSequence(*main);

    ASSERT_TRUE(duringScan.done());
    EXPECT_EQ(charactersWritten(), writtenAtExit);
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(main->isVisible());
}

} // namespace

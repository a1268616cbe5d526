#include "app/Startup.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include "support/TestApplication.h"

#include <gtest/gtest.h>

namespace {


TEST(StartupTest, FindsTheSimulatedUnitAndConnects)
{
    TestApplication();
    mdlPublicVars::Reset();
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    auto port = std::make_unique<SimulatedPort>(device, clock);
    port->setUnitPort(4);
    SimulatedPort& simulated = *port;
    services::install(port.get(), &clock, &dialogs, &settings);
    frmMain main(std::move(port));

    RunStartupSequence(main);

    EXPECT_TRUE(mdlPublicVars::Connected);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Connected - VentrixTM Communcations Software"));
    EXPECT_EQ(main.findChild<QLineEdit*>("txtConnected")->text(), QStringLiteral("Com 4"));
    EXPECT_EQ(settings.read("KESTREL", "Startup", "LastActiveCommPort", ""), QStringLiteral("4"));
    EXPECT_TRUE(simulated.isOpen());
    EXPECT_TRUE(simulated.rts());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // The splash is gone, and so is the scan's window.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.findChild<frmSplash*>(), nullptr);
    EXPECT_EQ(main.findChild<QWidget*>("frmAutodetect"), nullptr);
}

TEST(SplashTest, ShowsTheVersionAndClosesOnAKey)
{
    TestApplication();
    auto* splash = new frmSplash;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<frmSplash> alive = splash;
    splash->show();
    EXPECT_EQ(splash->findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Version 1.0.10"));
    EXPECT_EQ(splash->findChild<QLabel*>("lblProductName")->text(), QStringLiteral("KESTREL"));
    EXPECT_EQ(splash->findChild<QLabel*>("lblCompanyProduct")->text(),
              QStringLiteral("\"Ventrix Communications Software\""));
    QTest::keyClick(splash, Qt::Key_Space);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST(SettingsStoreTest, KeepsTheUsersSettingsWhereTheUserKeepsThem)
{
    TestApplication();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(false);
    QtSettingsStore store;
    store.write("KESTREL", "Startup", "LastActiveCommPort", "3");
    EXPECT_EQ(store.read("KESTREL", "Startup", "LastActiveCommPort", "1"), QStringLiteral("3"));
    EXPECT_EQ(store.read("KESTREL", "Startup", "WBO2", "1"), QStringLiteral("1"));
    EXPECT_TRUE(QFile::exists(home.path() + "/KESTREL/KESTREL.conf"));
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace

#include "app/frmSplash.h"
#include "link/SettingsStore.h"

#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include "support/TestApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(SplashTest, ShowsTheVersionAndClosesOnAKey)
{
    TestApplication();
    auto* splash = new frmSplash;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<frmSplash> alive = splash;
    splash->show();
    EXPECT_EQ(splash->findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Version 1.0.10"));
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

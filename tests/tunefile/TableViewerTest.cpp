#include "memory/frmTableRead.h"

#include "app/mdlMain.h"
#include "platform/Services.h"
#include "support/ReadFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {

class TableViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mdlMain::RegisterMainWindow(nullptr);
        services::install(nullptr, nullptr, &dialogs, nullptr);
        viewer = frmTableRead::Load();
        viewer->setText(QStringLiteral("05-12-2026 - 07:42:10\r\n\r\nOPEN-LOOP TABLE 1\r\n"));
        viewer->appendText(QStringLiteral("MAF_IN[v]: 0.000, Change[%]: 0\r\n"));
        path = dir.filePath(QStringLiteral("LO_Table.txt"));
    }
    void TearDown() override { delete viewer.data(); }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString path;
    QPointer<frmTableRead> viewer;
    const QByteArray listing = "05-12-2026 - 07:42:10\r\n\r\nOPEN-LOOP TABLE 1\r\nMAF_IN[v]: 0.000, Change[%]: 0\r\n";
};

TEST_F(TableViewerTest, SaveWritesTheTextAndOneLineEndAndCloseDropsTheViewer)
{
    EXPECT_EQ(frmTableRead::Load(), viewer.data());
    EXPECT_EQ(viewer->text().toLatin1(), listing);
    dialogs.chooseNextFile(path);
    viewer->mnuSaveFileItem_Click();
    EXPECT_EQ(ReadFile(path), listing + "\r\n");
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].defaultName, QStringLiteral("Table.txt"));
    EXPECT_EQ(dialogs.fileRequests[0].filter, QStringLiteral("Text Files (*.txt)"));

    viewer->setText(QStringLiteral("short\r\n"));
    dialogs.chooseNextFile(path);
    viewer->mnuSaveFileItem_Click();
    EXPECT_EQ(ReadFile(path), "short\r\n\r\n");

    dialogs.chooseNextFile(QString()); // Cancel
    viewer->setText(QStringLiteral("not saved"));
    viewer->mnuSaveFileItem_Click();
    EXPECT_EQ(ReadFile(path), "short\r\n\r\n");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Close drops the viewer: the next one starts empty.
    viewer->mnuFileCloseItem_Click();
    EXPECT_EQ(frmTableRead::Instance(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.isNull());
    frmTableRead* fresh = frmTableRead::Load();
    EXPECT_TRUE(fresh->text().isEmpty());
    delete fresh;
}

TEST_F(TableViewerTest, FailedSaveIsReportedAndKeepsTheOldFile)
{
    dialogs.chooseNextFile(path);
    viewer->mnuSaveFileItem_Click();

    // A file-size limit fails the write as a full disk would (even for root).
    struct rlimit old { };
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &tiny);
    viewer->setText(QString(4000, QLatin1Char('x')));
    dialogs.chooseNextFile(path);
    viewer->mnuSaveFileItem_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFile(path), listing + "\r\n");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Save Failure!"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("LO_Table.txt")));

    // A folder that does not exist: nothing appears there.
    const QString nowhere = dir.filePath(QStringLiteral("missing/LO_Table.txt"));
    dialogs.chooseNextFile(nowhere);
    viewer->mnuSaveFileItem_Click();
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_FALSE(QFile::exists(nowhere));
}

} // namespace

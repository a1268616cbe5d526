// The programs as a user runs them: kestrel-cli against ventrix-sim on a
// pseudo-terminal, and the three programs' refusals of a bad command line.
#include "support/ReadFile.h"
#include "support/SimulatorProcess.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(CliEndToEndTest, ProbesExportsAndImportsThroughThePseudoTerminal)
{
    TestApplication();
    QTemporaryDir dir;
    QProcess simulator;
    const QString device = StartSimulator(simulator, QStringLiteral(VENTRIX_SIM_PATH));
    ASSERT_FALSE(device.isEmpty());

    // Its own settings, so the user's stored port is neither read nor changed.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("config"));
    // And its own data folder, for the backups an import takes.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("data"));
    const auto cli = [&](const QStringList& args, QString* output = nullptr) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(KESTREL_CLI_PATH),
                      QStringList{QStringLiteral("--port"), QStringLiteral("1=") + device} + args);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitCode();
    };

    QString output;
    EXPECT_EQ(cli({"probe"}, &output), 0);
    EXPECT_TRUE(output.contains("Status:   3 (ready)")) << output.toStdString();

    const QString path = dir.filePath("backup.tun");
    EXPECT_EQ(cli({"export", path}), 0);
    EXPECT_EQ(ReadFile(path).count("\r\n"), 1047);

    // Without a terminal, an import needs --yes.
    EXPECT_EQ(cli({"import", path}), 2);
    EXPECT_EQ(cli({"import", path, "--yes", "--no-backup"}, &output), 0);
    EXPECT_TRUE(output.contains("Verified 1044 entries.")) << output.toStdString();
    // With its backup, the tune the unit holds already needs no write.
    EXPECT_EQ(cli({"import", path, "--yes"}, &output), 0);
    EXPECT_TRUE(output.contains("Imported 0 entries")) << output.toStdString();
    EXPECT_EQ(QDir(dir.filePath("data/KESTREL/KESTREL/backups")).entryList({"*.tun"}, QDir::Files).size(), 1);
    EXPECT_EQ(cli({"backups"}, &output), 0);
    EXPECT_TRUE(output.startsWith("  1  ")) << output.toStdString();

    simulator.terminate();
    simulator.waitForFinished(5000);
}

// A line the program cannot take ends it with status 2 and the message on
// standard error, before anything is opened or written.
TEST(CliEndToEndTest, ABadCommandLineIsStatusTwoAndDoesNothing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("FILE");
    const struct {
        const char* program;
        QStringList args;
        int status;
        QString message;
    } cases[] = {
        {KESTREL_CLI_PATH, {"--simulate", "probe", "-o", file}, 2, "kestrel-cli: the probe command does not take -o"},
        {KESTREL_CLI_PATH, {"fill", "--help"}, 0, ""},
        {KESTREL_PATH, {"--sim-stage", "base"}, 2, "kestrel: the simulated Ventrix's options need --simulate"},
        {KESTREL_PATH, {"--help"}, 0, ""},
        {VENTRIX_SIM_PATH, {"--memory", file, "--stage", "weird"}, 2, "ventrix-sim: --sim-stage: expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((QString::fromLatin1(c.program) + ' ' + c.args.join(' ')).toStdString());
        QProcess process;
        process.start(QString::fromLatin1(c.program), c.args);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), c.status);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        if (c.status == 0) {
            EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardOutput()).startsWith("Usage: "));
        }
        EXPECT_FALSE(QFile::exists(file));
    }
}

} // namespace

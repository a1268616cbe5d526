// kestrel-cli as a user runs it, against ventrix-sim on a pseudo-terminal.
#include "support/SimulatorProcess.h"
#include "support/TestApplication.h"

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
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 1047);

    // Without a terminal, an import needs --yes.
    EXPECT_EQ(cli({"import", path}), 2);
    EXPECT_EQ(cli({"import", path, "--yes", "--verify"}, &output), 0);
    EXPECT_TRUE(output.contains("Verified 1044 entries.")) << output.toStdString();

    simulator.terminate();
    simulator.waitForFinished(5000);
}

} // namespace

#include "sim/SimOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

namespace {

SimOptions Parsed(const char* line)
{
    const SimCommandLine parsed = ParseSimCommandLine(QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts));
    EXPECT_TRUE(parsed.error.isEmpty()) << qPrintable(parsed.error);
    return parsed.options;
}

// Each option in its spellings (the refusals are in tests/cli/CommandLinesTest.cpp).
TEST(SimOptions, ParsesEveryOptionInEachSpelling)
{
    const SimOptions none = Parsed("");
    EXPECT_TRUE(!none.stageCode && !none.pace && none.unitPort == 1 && none.grantsLowLatency);
    EXPECT_EQ(none.engine.widebandDelay + none.engine.widebandLag, 0.6);
    for (const auto& [line, code] : {std::pair{"--sim-stage base", 1}, {"--sim-stage=plus", 2}, {"--stage 5", 5}})
        EXPECT_EQ(Parsed(line).stageCode, code) << line;
    EXPECT_EQ(Parsed("--sim-memory /tmp/u.mem").memoryFile, QLatin1String("/tmp/u.mem"));

    const SimOptions o = Parsed("--memory=f --sim-pace --sim-turnaround 0.5 --no-low-latency --sim-latency-ms 16 "
                                "--sim-port=3 --sim-ports 1,3,9 --sim-firmware 2.05 --sim-register 06=80 "
                                "--register=13=F6 --sim-fault silent --sim-fault=delay=200 --fault negative=Z,RT "
                                "--sim-maf-key-on 1.0 --sim-tps-key-on 0.5 --sim-tune 2 --sim-self-test-ms 10 "
                                "--sim-drive pulls --sim-maf-error=0.5:+8,4.5:-2 --sim-injectors 24 --sim-seed 7 "
                                "--sim-wideband-delay 1.0 --sim-wideband-lag=0.25");
    EXPECT_EQ(o.memoryFile, QLatin1String("f"));
    EXPECT_TRUE(o.pace && !o.grantsLowLatency && o.faults.silent);
    EXPECT_EQ(
        std::tuple(o.turnaroundUs, o.latencyTimerMs, o.unitPort, o.firmwareMajor, o.firmwareMinor, o.faults.delayMs),
        std::tuple(500, 16, 3, 2, 5, 200));
    EXPECT_EQ(o.existingPorts, (QList<int>{1, 3, 9}));
    EXPECT_EQ(o.registers, (QMap<int, int>{{0x06, 0x80}, {0x13, 0xF6}}));
    EXPECT_EQ(o.faults.negativeCommands, (QStringList{"Z", "RT"}));
    EXPECT_EQ(std::tuple(o.mafKeyOnVolts, o.tpsKeyOnVolts, o.activeTune, o.selfTestMs), std::tuple(1.0, 0.5, 2, 10));
    EXPECT_EQ(o.engine.drive, DriveCycle::Pulls);
    EXPECT_EQ(o.engine.mafError.percentAt(2.5), 3.0);
    EXPECT_EQ(std::tuple(o.engine.installedInjectors, o.engine.seed, o.engine.widebandDelay, o.engine.widebandLag),
              std::tuple(24, 7u, 1.0, 0.25));
    EXPECT_TRUE(ParseSimCommandLine({"--quiet"}).quiet);
    EXPECT_FALSE(ParseSimCommandLine({}).quiet);
}

TEST(SimOptions, SetUpLoadsTheMemoryFileThenAppliesTheOptions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.mem"));
    QString error;

    // No file yet: factory contents, and the end saves a new file.
    SimOptions options = Parsed("--sim-register 13=05 --sim-stage base --sim-fault busy-probes");
    options.memoryFile = path;
    VentrixDevice fresh;
    ASSERT_TRUE(SetUpDevice(fresh, options, &error)) << qPrintable(error);
    EXPECT_EQ(std::tuple(fresh.memory().registerValue(0x13), fresh.memory().stageCode(), fresh.faults().busyProbes),
              std::tuple(0x05, 1, 1));
    fresh.memory().setCell('O', 7, 0x33);
    ASSERT_TRUE(SaveDeviceMemory(fresh, options, &error)) << qPrintable(error);

    SimOptions reload;
    reload.memoryFile = path;
    VentrixDevice again;
    ASSERT_TRUE(SetUpDevice(again, reload, &error));
    EXPECT_EQ(again.memory(), fresh.memory());
    reload.memoryFile = dir.filePath(QStringLiteral("no/such/dir/unit.mem"));
    EXPECT_FALSE(SaveDeviceMemory(again, reload, &error));
    reload.memoryFile = path;

    // A damaged file is not silently replaced by the factory contents.
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("garbage\n");
    damaged.close();
    VentrixDevice refused;
    EXPECT_FALSE(SetUpDevice(refused, reload, &error));
    EXPECT_TRUE(error.contains(path));
}

} // namespace

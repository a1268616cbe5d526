#include "sim/SimOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

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
    const struct {
        const char* line;
        std::function<bool(const SimOptions&)> holds;
    } cases[] = {
        {"", [](const SimOptions& o) { return !o.stageCode && !o.pace && o.unitPort == 1 && o.grantsLowLatency; }},
        {"--sim-stage base", [](const SimOptions& o) { return o.stageCode == 1; }},
        {"--sim-stage=plus", [](const SimOptions& o) { return o.stageCode == 2; }},
        {"--stage 5", [](const SimOptions& o) { return o.stageCode == 5; }},
        {"--sim-memory /tmp/u.mem", [](const SimOptions& o) { return o.memoryFile == QLatin1String("/tmp/u.mem"); }},
        {"--memory=f", [](const SimOptions& o) { return o.memoryFile == QLatin1String("f"); }},
        {"--sim-pace --sim-turnaround 0.5", [](const SimOptions& o) { return o.pace && o.turnaroundUs == 500; }},
        {"--no-low-latency --sim-latency-ms 16",
         [](const SimOptions& o) { return !o.grantsLowLatency && o.latencyTimerMs == 16; }},
        {"--sim-port=3 --sim-ports 1,3,9",
         [](const SimOptions& o) {
             return o.unitPort == 3 && o.existingPorts == QList<int>{1, 3, 9};
         }},
        {"--sim-firmware 2.05", [](const SimOptions& o) { return o.firmwareMajor == 2 && o.firmwareMinor == 5; }},
        {"--sim-register 06=80 --register=13=F6",
         [](const SimOptions& o) {
             return o.registers == QMap<int, int>{{0x06, 0x80}, {0x13, 0xF6}};
         }},
        {"--sim-fault silent --sim-fault=delay=200 --fault negative=Z,RT",
         [](const SimOptions& o) {
             return o.faults.silent && o.faults.delayMs == 200 && o.faults.negativeCommands == QStringList{"Z", "RT"};
         }},
        {"--sim-maf-key-on 1.0 --sim-tps-key-on 0.5 --sim-tune 2 --sim-self-test-ms 10",
         [](const SimOptions& o) {
             return o.mafKeyOnVolts == 1.0 && o.tpsKeyOnVolts == 0.5 && o.activeTune == 2 && o.selfTestMs == 10;
         }},
        {"--sim-drive pulls --sim-maf-error=0.5:+8,4.5:-2 --sim-injectors 24 --sim-seed 7",
         [](const SimOptions& o) {
             return o.engine.drive == DriveCycle::Pulls && o.engine.mafError.percentAt(2.5) == 3.0
                 && o.engine.installedInjectors == 24 && o.engine.seed == 7u;
         }},
        // The wideband's defaults are 0.6 s in all.
        {"--sim-wideband-delay 1.0 --sim-wideband-lag=0.25",
         [](const SimOptions& o) { return o.engine.widebandDelay == 1.0 && o.engine.widebandLag == 0.25; }},
        {"", [](const SimOptions& o) { return o.engine.widebandDelay + o.engine.widebandLag == 0.6; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(c.holds(Parsed(c.line)));
    }
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
    EXPECT_EQ(fresh.memory().registerValue(0x13), 0x05);
    EXPECT_EQ(fresh.memory().stageCode(), 1);
    EXPECT_EQ(fresh.faults().busyProbes, 1);
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

#include "sim/SimOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList Args(const char* line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(SimOptions, ParsesEveryOptionInBothSpellingsAndIgnoresOthers)
{
    const struct {
        const char* line;
        std::function<bool(const SimOptions&)> holds;
    } cases[] = {
        {"kestrel --simulate -x file.tun", [](const SimOptions& o) { return !o.stageCode && !o.pace && o.unitPort == 1; }},
        {"--sim-stage base", [](const SimOptions& o) { return o.stageCode == 1; }},
        {"--sim-stage=plus", [](const SimOptions& o) { return o.stageCode == 2; }},
        {"--sim-stage 5", [](const SimOptions& o) { return o.stageCode == 5; }},
        {"--sim-memory /tmp/u.mem", [](const SimOptions& o) { return o.memoryFile == QLatin1String("/tmp/u.mem"); }},
        {"--sim-pace --sim-turnaround 0.5", [](const SimOptions& o) { return o.pace && o.turnaroundUs == 500; }},
        {"--sim-port=3 --sim-ports 1,3,9", [](const SimOptions& o) { return o.unitPort == 3 && o.existingPorts == QList<int>{1, 3, 9}; }},
        {"--sim-firmware 2.05", [](const SimOptions& o) { return o.firmwareMajor == 2 && o.firmwareMinor == 5; }},
        {"--sim-register 06=80 --sim-register=13=F6",
         [](const SimOptions& o) { return o.registers == QMap<int, int>{{0x06, 0x80}, {0x13, 0xF6}}; }},
        {"--sim-fault silent --sim-fault=delay=200 --sim-fault negative=Z,RT",
         [](const SimOptions& o) {
             return o.faults.silent && o.faults.delayMs == 200 && o.faults.negativeCommands == QStringList{"Z", "RT"};
         }},
        {"--sim-maf-key-on 1.0 --sim-tps-key-on 0.5 --sim-tune 2 --sim-self-test-ms 10",
         [](const SimOptions& o) {
             return o.mafKeyOnVolts == 1.0 && o.tpsKeyOnVolts == 0.5 && o.activeTune == 2 && o.selfTestMs == 10;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        QString error = QStringLiteral("not cleared");
        const SimOptions options = ParseSimOptions(Args(c.line), &error);
        EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
        EXPECT_TRUE(c.holds(options));
    }
}

TEST(SimOptions, RefusesBadOptions)
{
    for (const char* line : {"--sim-stage weird", "--sim-stage 256", "--sim-firmware 12.3", "--sim-register 14=00",
                             "--sim-register 06", "--sim-fault nosuch", "--sim-pace=1", "--sim-memory",
                             "--sim-bogus", "--sim-port 0", "--sim-ports 1,,2", "--sim-tune 3",
                             "--sim-maf-key-on 6"}) {
        QString error;
        ParseSimOptions(Args(line), &error);
        EXPECT_FALSE(error.isEmpty()) << line;
    }
}

TEST(SimOptions, BareSpellingsGainThePrefix)
{
    EXPECT_EQ(WithSimPrefix(Args("--stage plus --memory=f --quiet --sim-pace --fault silent x")),
              Args("--sim-stage plus --sim-memory=f --quiet --sim-pace --sim-fault silent x"));
}

TEST(SimOptions, SetUpLoadsTheMemoryFileThenAppliesTheOptions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.mem"));
    QString error;

    // No file yet: factory contents, and the end saves a new file.
    SimOptions options = ParseSimOptions(Args("--sim-register 13=05 --sim-stage base --sim-fault busy-probes"), &error);
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

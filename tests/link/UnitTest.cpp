// The unit's typed requests on the simulated unit: what each sends, what it
// gives back, and the echo rules that make a write count as done.
#include "link/Unit.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

namespace {

using unit::Use;

class UnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mdlPublicVars::Reset();
        services::install(&port, &clock, nullptr, nullptr);
        ASSERT_EQ(port.open(), PortError::None);
    }
    void TearDown() override { services::install(nullptr, nullptr, nullptr, nullptr); }

    QStringList heard()
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads << QString::fromLatin1(payload);
        device.clearLog();
        return payloads;
    }

    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
};

TEST_F(UnitTest, ReadsGiveTheUnitsValues)
{
    device.memory().setCell('O', 0x3A, 0xF6);
    device.memory().setRegister(0x06, 0x81);
    EXPECT_EQ(unit::ReadCell(Use::MemoryCell, 'O', 0x3A), 0xF6);
    EXPECT_EQ(unit::ReadRegister(Use::TunerRegisterRead, 0x06), 0x81);
    EXPECT_EQ(unit::Probe(Use::StartupProbe), QStringLiteral("03"));
    EXPECT_EQ(heard(), QStringList({"RO3A", "RT06", "Z"}));
    EXPECT_EQ(unit::LastReply(), QStringLiteral("03"));
}

TEST_F(UnitTest, WritesAreDoneOnlyWhenEchoed)
{
    EXPECT_EQ(unit::WriteCell(Use::TunerCellWrite, 'C', 0x4B, 0xFB), unit::Written::Confirmed);
    EXPECT_EQ(unit::FillCells(Use::MemoryBlock, 'C', 0x32, 0x4B, 0x04), unit::Written::Confirmed);
    EXPECT_TRUE(unit::WriteRegister(Use::IgnitionUpdate, 0x06, 0x84));
    EXPECT_EQ(heard(), QStringList({"WC4BFB", "SC324B04", "WT0684"}));
    EXPECT_EQ(device.memory().cell('C', 0x40), 0x04);
    EXPECT_EQ(device.memory().registerValue(0x06), 0x84);

    device.faults().wrongEcho = true;
    EXPECT_EQ(unit::WriteCell(Use::MemoryCell, 'C', 0x4B, 0xFB), unit::Written::WrongEcho);
    EXPECT_EQ(unit::FillCells(Use::MemoryBlock, 'C', 0x32, 0x4B, 0x04), unit::Written::WrongEcho);
    EXPECT_FALSE(unit::WriteRegister(Use::MonitorOffset, 0x13, 0x05));
    device.faults().wrongEcho = false;
    device.faults().silent = true;
    EXPECT_EQ(unit::WriteCell(Use::MemoryCell, 'C', 0x4B, 0xFB), unit::Written::NotAnswered);
}

TEST(UnitEchoTest, LetterAddressAndValueMustAllMatch)
{
    const std::pair<const char*, bool> writes[] = {
        {"wc4BFB", true},  {"wC4BFB", false}, // an upper-case letter does not verify
        {"wc4CFB", false}, {"wc4BFA", false}, {"wo4BFB", false}, {"wc4B", false}, {"", false},
    };
    for (const auto& [reply, matches] : writes)
        EXPECT_EQ(unit::echo::CellWrite(QString::fromLatin1(reply), 'C', 0x4B, 0xFB), matches) << reply;

    const std::pair<const char*, bool> fills[] = {
        {"sc324B04", true},  {"Sc324B04", true},  {"sC324B04", false}, {"sc334B04", false},
        {"sc324C04", false}, {"sc324B05", false}, {"sc324B", false},
    };
    for (const auto& [reply, matches] : fills)
        EXPECT_EQ(unit::echo::CellFill(QString::fromLatin1(reply), 'C', 0x32, 0x4B, 0x04), matches) << reply;

    const std::pair<const char*, bool> registers[] = {
        {"wt1305", true}, {"wt1304", false}, {"wt1405", false}, {"wt13", false}, {"wt13051", true},
    };
    for (const auto& [reply, matches] : registers)
        EXPECT_EQ(unit::echo::RegisterWrite(QString::fromLatin1(reply), 0x13, 0x05), matches) << reply;
}

// Link traffic is traced only when asked for.
TEST_F(UnitTest, TrafficIsTracedWhenItsCategoryIsOn)
{
    static QStringList traced;
    traced.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (QLatin1String(context.category) == QLatin1String("kestrel.link"))
                traced << text;
        });
    unit::Probe(Use::StartupProbe);
    EXPECT_TRUE(traced.isEmpty());

    QLoggingCategory::setFilterRules(QStringLiteral("kestrel.link.debug=true"));
    device.faults().silent = true;
    unit::Probe(Use::StartupProbe);
    device.faults().silent = false;
    unit::ReadCell(Use::MemoryCell, 'O', 0x00);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    const QString all = traced.join(QLatin1Char('\n'));
    EXPECT_EQ(all.count(QStringLiteral("UU01ZBB$")), 5) << all.toStdString(); // each attempt's frame
    EXPECT_TRUE(all.contains(QStringLiteral("attempt failed"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("uu01ro00"))) << all.toStdString(); // the reply received
}

} // namespace

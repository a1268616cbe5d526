#include "sim/VentrixMemory.h"

#include <gtest/gtest.h>

namespace {

TEST(VentrixMemory, FactoryContents)
{
    const VentrixMemory memory;
    const std::pair<int, int> registers[] = {
        {0x00, 0x02}, {0x01, 0x00}, {0x02, 24},        {0x03, 19},        {0x04, 30},
        {0x05, 21},   {0x06, 0x81}, {0x07, 6000 / 40}, {0x08, 5800 / 40}, {0x09, 0x00},
        {0x0A, 0x13}, {0x0B, 0x13}, {0x0C, 0x13},      {0x0D, 0x13},      {0x13, 0x00},
    };
    for (const auto& [reg, value] : registers)
        EXPECT_EQ(memory.registerValue(reg), value) << reg;
    EXPECT_TRUE(memory.isPlusStage());
    for (const char table : {'O', 'C', 'H', 'L'})
        for (int address = 0; address < VentrixMemory::TableSize; ++address)
            ASSERT_EQ(memory.cell(table, address), 0) << table << address;

    // The transfer function never falls, also where its scale changes.
    EXPECT_EQ(memory.transferFlow(0), 0);
    for (int address = 1; address < VentrixMemory::TableSize; ++address)
        ASSERT_GE(memory.transferFlow(address), memory.transferFlow(address - 1)) << address;
    EXPECT_GT(memory.transferFlow(255), 900);
    for (const auto& [address, scale] : {std::pair{150, 1}, {151, 2}, {200, 2}, {201, 4}})
        EXPECT_EQ(VentrixMemory::TransferScale(address), scale) << address;
}

TEST(VentrixMemory, TextRoundTripAndPartialFiles)
{
    VentrixMemory memory;
    memory.setCell('H', 0xFF, 0x9C);
    memory.setCell('F', 0x00, 0x01);
    memory.setRegister(0x13, 0xF6);
    memory.setStageCode(3);

    VentrixMemory copy;
    QString error;
    ASSERT_TRUE(copy.fromText(memory.toText(), &error)) << qPrintable(error);
    EXPECT_EQ(copy, memory);

    // A hand-written file names only what differs from the factory.
    ASSERT_TRUE(copy.fromText("ventrix-memory 1\n# tuned\nregister 06 80\ntable O F0 01 02\n", &error));
    VentrixMemory expected;
    expected.setRegister(0x06, 0x80);
    expected.setCell('O', 0xF0, 1);
    expected.setCell('O', 0xF1, 2);
    EXPECT_EQ(copy, expected);
}

TEST(VentrixMemory, BadTextIsRefusedWithItsLineAndChangesNothing)
{
    const struct {
        const char* text;
        const char* mentions;
    } cases[] = {
        {"memory 1\n", "first line"},
        {"ventrix-memory 1\nregister 14 00\n", "line 2"},
        {"ventrix-memory 1\nregister 0G 00\n", "line 2"},
        {"ventrix-memory 1\n\ntable O F8 00 00 00 00 00 00 00 00 00\n", "line 3"},
        {"ventrix-memory 1\ntable X 00 00\n", "line 2"},
        {"ventrix-memory 1\nstage\n", "line 2"},
        {"ventrix-memory 1\ncolour red\n", "line 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        VentrixMemory memory;
        memory.setCell('C', 1, 5);
        const VentrixMemory before = memory;
        QString error;
        EXPECT_FALSE(memory.fromText(c.text, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << qPrintable(error);
        EXPECT_EQ(memory, before);
    }
}

} // namespace

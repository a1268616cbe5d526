#include "sim/OffLineUnit.h"

#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

using tunefile::Tune;

class OffLineUnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.setValue({'O', 0x10}, 0x05);
        file.setValue({'O', 0x11}, 0xFB);
        file.setValue({'T', 0x03}, 0x16);
        unit.setModifiedListener([this](bool modified) { told << modified; });
        unit.open(file);
    }

    QString ask(const QString& payload) { return Data(Ask(unit.device(), payload)); }

    Tune file; // names two cells of O and one register, nothing else
    OffLineUnit unit;
    QList<bool> told;
};

TEST_F(OffLineUnitTest, HoldsTheFilesTuneInAPlusUnitOverTheFactoryContents)
{
    const VentrixMemory& memory = unit.device().memory();
    EXPECT_EQ(memory.registerValue(0x03), 0x16);
    EXPECT_EQ(memory.registerValue(0x02), 24); // factory, not named by the file
    EXPECT_EQ(ask("RO11"), "ro11FB");
    EXPECT_EQ(ask("Y").right(2), "02");
    EXPECT_FALSE(unit.modified());
    // Nothing changed: the file keeps naming only what it named.
    EXPECT_TRUE(unit.tuneToSave().sameEntries(file));
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(OffLineUnitTest, WritesMarkItModifiedUntilTheUnitHoldsTheFilesTuneAgain)
{
    EXPECT_EQ(ask("WO10F0"), "wo10F0");
    EXPECT_EQ(ask("WC2001"), "wc2001");
    EXPECT_TRUE(unit.modified());
    EXPECT_EQ(told, QList<bool>{true});

    Tune expected = file;
    expected.setValue({'O', 0x10}, 0xF0);
    expected.setValue({'C', 0x20}, 0x01); // changed, so the file names it now
    EXPECT_TRUE(unit.tuneToSave().sameEntries(expected));

    // Reads change nothing; writing the old values back undoes the change.
    ask("RO10");
    ask("WC2000");
    EXPECT_EQ(told, QList<bool>{true});
    ask("WO1005");
    EXPECT_FALSE(unit.modified());
    EXPECT_EQ(told, (QList<bool>{true, false}));
    EXPECT_TRUE(unit.tuneToSave().sameEntries(file));
}

TEST_F(OffLineUnitTest, BlockAndRegisterWritesCountSavingClearsTheMarkAndAnotherFileStartsAfresh)
{
    ask("SL0002FE");
    ask("WT0317");
    Tune expected = file;
    for (int address = 0; address <= 2; ++address)
        expected.setValue({'L', address}, 0xFE);
    expected.setValue({'T', 0x03}, 0x17);
    EXPECT_TRUE(unit.tuneToSave().sameEntries(expected));

    unit.markSaved();
    EXPECT_FALSE(unit.modified());
    EXPECT_EQ(told, (QList<bool>{true, false}));
    EXPECT_TRUE(unit.tuneToSave().sameEntries(expected));

    // After the save, the saved entries are the file's: setting one back
    // to the factory value keeps it named.
    ask("WL0000");
    EXPECT_TRUE(unit.modified());
    expected.setValue({'L', 0x00}, 0x00);
    EXPECT_TRUE(unit.tuneToSave().sameEntries(expected));

    // Opening another file starts from the factory again.
    Tune other;
    other.setValue({'H', 0x00}, 0x09);
    unit.open(other);
    EXPECT_EQ(unit.device().memory().cell('O', 0x10), 0x00);
    EXPECT_EQ(unit.device().memory().cell('H', 0x00), 0x09);
    EXPECT_FALSE(unit.modified());
    EXPECT_EQ(told, (QList<bool>{true, false, true, false}));
    EXPECT_TRUE(unit.tuneToSave().sameEntries(other));
}

} // namespace

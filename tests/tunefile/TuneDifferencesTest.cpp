#include "tunefile/TuneDifferences.h"

#include "tunefile/TuneFile.h"

#include <gtest/gtest.h>

namespace {

using namespace tunefile;

// A complete tune of zero bytes, with registers as a unit ships them.
Tune baseTune()
{
    Tune tune = Tune::FromValues(QList<int>(DataLineCount, 0));
    tune.setValue({'T', 0x00}, 0x01); // breakpoint count 01FF = 511
    tune.setValue({'T', 0x01}, 0xFF);
    tune.setValue({'T', 0x02}, 0x18); // 24 lb/hr
    tune.setValue({'T', 0x06}, 0x81); // waste spark
    tune.setValue({'T', 0x07}, 0x32); // 50 x 40 = 2000 rpm
    return tune;
}

TEST(TuneDifferencesTest, OneCellPerTableIsListedByItsListingVoltsAndPercents)
{
    const Tune left = baseTune();
    Tune right = left;
    // Where a tune came from is no difference.
    right.origin = {TuneOrigin::Kind::File, QStringLiteral("/tmp/a.tun"), {}, {}};
    right.stamp = QStringLiteral("12-05-2026-07:41:09");
    EXPECT_TRUE(DifferenceRows(left, right).isEmpty());
    Tune changedLeft = left;
    // Cell volts are address x 5 / 255, as the table listing labels them;
    // bytes are two's-complement percentages.
    changedLeft.setValue({'C', 0x1F}, 0xFB); // 31 x 5/255 = 0.6078 V, -5 %
    right.setValue({'C', 0x1F}, 0x03);       // +3 %
    changedLeft.setValue({'O', 0x00}, 0x80); // 0 V, -128 %
    right.setValue({'O', 0x00}, 0x7F);       // +127 %
    right.setValue({'L', 0xFF}, 0x9C);       // 5.000 V, 0 % -> -100 %
    right.setValue({'H', 0x80}, 0xFF);       // 128 x 5/255 = 2.5098 V, -1 %

    const QList<DifferenceRow> rows = DifferenceRows(changedLeft, right);
    const QStringList expected = {
        "C 1F  0.608 V  -5 % -> 3 %",
        "O 00  0.000 V  -128 % -> 127 %",
        "L FF  5.000 V  0 % -> -100 %",
        "H 80  2.510 V  0 % -> -1 %",
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(DifferenceLine(rows.at(i)), expected.at(i));
    EXPECT_EQ(rows.at(0).entry, (Entry{'C', 0x1F}));
    EXPECT_EQ(rows.at(0).where, QStringLiteral("0.608 V"));

    const QList<Difference> differences = Differences(changedLeft, right);
    for (const char table : TableLetters)
        EXPECT_EQ(TableDifferenceCount(differences, table), 1) << table;
    EXPECT_EQ(TableDifferenceCount(differences, RegisterLetter), 0);
}

TEST(TuneDifferencesTest, RegistersAreListedByNumberAndMeaning)
{
    struct Case {
        int reg;
        int from;
        int to;
        const char* line;
    };
    const Case cases[] = {
        // 01FF = 511 counts = 2.495 V; 0100 = 256 counts = 1.250 V.
        {0x01, 0xFF, 0x00, "T 01  TPS W.O.T. breakpoint, low byte  FF (2.495 V) -> 00 (1.250 V)"},
        // The low byte stays FF: 02FF = 767 counts = 3.745 V.
        {0x00, 0x01, 0x02, "T 00  TPS W.O.T. breakpoint, high byte  01 (2.495 V) -> 02 (3.745 V)"},
        {0x02, 0x18, 0x1E, "T 02  installed injector size, open loop, bank 1  18 (24 lb/hr) -> 1E (30 lb/hr)"},
        {0x05, 0x13, 0x18, "T 05  EEC injector size, closed loop, bank 1  13 (19 lb/hr) -> 18 (24 lb/hr)"},
        {0x06, 0x81, 0x84, "T 06  ignition type  81 (WASTE-SPARK (4/6/8 Cyl.)) -> 84 (POINTS/PIP (8 Cylinder))"},
        {0x06, 0x81, 0x83, "T 06  ignition type  81 (WASTE-SPARK (4/6/8 Cyl.)) -> 83 (unknown ignition type)"},
        {0x07, 0x32, 0x4B, "T 07  RPM switch on point  32 (2,000 rpm) -> 4B (3,000 rpm)"},
        {0x08, 0x00, 0xFF, "T 08  RPM switch off point  00 (0 rpm) -> FF (10,200 rpm)"},
        {0x09, 0x00, 0x01, "T 09  RPM switch mode  00 (RPM ONLY (SHIFT LIGHT)) -> 01 (RPM & W.O.T. (NITROUS))"},
        {0x09, 0x01, 0x07, "T 09  RPM switch mode  01 (RPM & W.O.T. (NITROUS)) -> 07 (unknown mode)"},
        // An unset bank-2 size stands for 19 lb/hr.
        {0x0A, 0x00, 0x18, "T 0A  installed injector size, open loop, bank 2  00 (19 lb/hr) -> 18 (24 lb/hr)"},
        {0x0D, 0x00, 0x13, "T 0D  EEC injector size, closed loop, bank 2  00 (19 lb/hr) -> 13 (19 lb/hr)"},
        // Signed steps of 5/1024 V: F6 = -10 = -0.049 V, 67 = 103 = 0.503 V.
        {0x13, 0xF6, 0x67, "T 13  monitor MAF voltage offset  F6 (-0.049 V) -> 67 (0.503 V)"},
        // Registers without a known meaning show their bytes alone.
        {0x0E, 0x00, 0x05, "T 0E  00 -> 05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Tune left = baseTune();
        Tune right = baseTune();
        left.setValue({'T', c.reg}, c.from);
        right.setValue({'T', c.reg}, c.to);
        const QList<DifferenceRow> rows = DifferenceRows(left, right);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(DifferenceLine(rows.at(0)), QString::fromUtf8(c.line));
    }
}

TEST(TuneDifferencesTest, AnEntryOnlyOneSideHoldsIsNone)
{
    // A file may name only some entries.
    const std::optional<Tune> partial = TuneFromText(QStringLiteral("&M110901\r\nstamp\r\nO1FFB\r\nT0002\r\n\r\n"));
    ASSERT_TRUE(partial);
    Tune whole = baseTune();
    whole.setValue({'O', 0x1F}, 0xFB);
    const QList<DifferenceRow> rows = DifferenceRows(*partial, whole);
    // 1044 entries, of which the file names two and one of those differs.
    EXPECT_EQ(rows.size(), DataLineCount - 1);
    const auto find = [&rows](const Entry& entry) {
        for (const DifferenceRow& row : rows)
            if (row.entry == entry)
                return DifferenceLine(row);
        return QString();
    };
    EXPECT_EQ(find({'C', 0x00}), QStringLiteral("C 00  0.000 V  none -> 0 %"));
    EXPECT_TRUE(find({'O', 0x1F}).isEmpty());
    // Register 00 alone cannot give the breakpoint: its byte is shown bare.
    EXPECT_EQ(find({'T', 0x00}), QStringLiteral("T 00  TPS W.O.T. breakpoint, high byte  02 -> 01 (2.495 V)"));
    EXPECT_EQ(find({'T', 0x07}), QStringLiteral("T 07  RPM switch on point  none -> 32 (2,000 rpm)"));
}

} // namespace

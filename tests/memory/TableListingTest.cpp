#include "memory/TableListing.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

using namespace cells;

class TableListingTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(TableListingTest, CellLines)
{
    struct Case {
        char table;
        int cell, byte;
        double ratio;
        const char* line;
    } const cases[] = {
        {'C', 1, 0xFB, 1, "MAF_IN[v]: 0.020, Change[%]: -5(LEAN)"},
        {'O', 2, 0x00, 1, "MAF_IN[v]: 0.039, Change[%]: 0"},
        {'H', 0, 0x80, 1, "MAF_IN[v]: 0.000, Change[%]: -128(LEAN)"},
        {'L', 255, 0x7F, 1, "MAF_IN[v]: 5.000, Change[%]: 127(RICH)"},
        {'F', 160, 0x64, 1, "Output[v]: 3.125, Flow[kg/hr]: 200"},
        {'F', 255, 0xFF, 1, "Output[v]: 4.980, Flow[kg/hr]: 1020"},
        {'F', 1, 3, 0.5, "Output[v]: 0.020, Flow[kg/hr]: 2"}, // 1.5 goes to 2
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListingLine(c.table, c.cell, c.byte, c.ratio), QString::fromLatin1(c.line));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // the regional decimal separator
    EXPECT_EQ(ListingLine('O', 1, 0xFB, 1), QStringLiteral("MAF_IN[v]: 0,020, Change[%]: -5(LEAN)"));
}

TEST_F(TableListingTest, HeadingsAndFileNames)
{
    const std::tuple<char, const char*, const char*> tables[] = {
        {'C', "CLOSED-LOOP TABLE 1", "LC_Table.txt"},
        {'O', "OPEN-LOOP TABLE 1", "LO_Table.txt"},
        {'H', "OPEN-LOOP TABLE 2", "HO_Table.txt"},
        {'L', "CLOSED-LOOP TABLE 2", "HC_Table.txt"},
        {'F', "MAF TRANSFER FUNCTION: 19lb/hr Calibration.", "FL_Table.txt"},
    };
    for (const auto& [table, heading, file] : tables) {
        EXPECT_EQ(ListingHeading(table, QStringLiteral("19lb/hr")), QString::fromLatin1(heading));
        EXPECT_EQ(ListingFileName(table), QString::fromLatin1(file));
    }
}

TEST_F(TableListingTest, AWholeTableIsItsHeaderThenACellALine)
{
    QList<int> bytes;
    for (int cell = 0; cell < 256; ++cell)
        bytes << cell;
    const QStringList lines =
        TableListing('C', QDateTime(QDate(2026, 12, 1), QTime(23, 5, 9)), {}, bytes, 1).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 260); // 259 lines and the empty rest after the last line end
    EXPECT_EQ(lines.mid(0, 3), QStringList({"12-01-2026 - 23:05:09", "", "CLOSED-LOOP TABLE 1"})); // a 24-hour clock
    EXPECT_EQ(lines[4], QStringLiteral("MAF_IN[v]: 0.020, Change[%]: 1(RICH)"));
    EXPECT_EQ(lines[258], QStringLiteral("MAF_IN[v]: 5.000, Change[%]: -1(LEAN)"));
}

} // namespace

#include "platform/NumberFormat.h"

#include <QLocale>
#include <gtest/gtest.h>

using number_format::Format;
using number_format::LeadingNumber;
using number_format::RoundHalfEven;

namespace {

class NumberFormatTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(NumberFormatTest, DisplayPatterns)
{
    struct Case {
        double value;
        const char* pattern;
        const char* shown;
    } const cases[] = {
        {0.0, "0.000", "0.000"},     {1.5, "#0.000", "1.500"},
        {-0.25, "#0.000", "-0.250"}, {-0.0001, "#0.000", "0.000"},
        {12.34, "##0.0", "12.3"},    {0.05, "##0.0", "0.1"},
        {3480, "##,##0", "3,480"},   {123456, "##,##0", "123,456"},
        {999.6, "##,##0", "1,000"},  {7.5, "###0", "8"},
        {0.2, "###0", "0"},          {19, "#0", "19"},
        {14.65, "#0.0", "14.7"},     {0.5, "#.00", ".50"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Format(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.shown))
            << c.value << " as " << c.pattern;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Format(3480, QStringLiteral("##,##0")), QStringLiteral("3.480"));
    EXPECT_EQ(Format(1.25, QStringLiteral("#0.000")), QStringLiteral("1,250"));
}

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour)
{
    const std::pair<double, long long> cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},     {2.49, 2}, {2.51, 3},
                                                  {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {255.5, 256}, {12.0, 12}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(LeadingNumberTest, ReadsTheNumberTheTextStartsWith)
{
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5}, {"12.5 V", 12.5}, {"  -3x", -3}, {"+7", 7}, {".5", 0.5},       {"abc", 0},
        {"", 0},        {"-", 0},         {"1e2", 100},  {"1e", 1}, {"3000rpm", 3000}, {"4.", 4},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromLatin1(text)), value) << text;
}

} // namespace

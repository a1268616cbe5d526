#include "logs/LogNumber.h"

#include <gtest/gtest.h>

namespace {

using log_number::DecimalSeparatorOf;
using log_number::Parse;

TEST(LogNumberTest, DecimalSeparatorComesFromTheFixedDecimalVolts)
{
    struct Case {
        const char* volts;
        const char* separator; // "" when the text tells none
    } const cases[] = {
        // An offset can be negative; a separator may be more than one byte. No separator: none told, or too few
        // or too many decimals to be volts.
        {"2.500", "."}, {"2,500", ","}, {"0.00", "."},  {"4,90", ","}, {"-0.049", "."}, {"2\331\253500", "\331\253"},
        {"2500", ""},   {"2.5", ""},    {"2.5000", ""}, {".500", ""},  {"2.5a0", ""},   {"XXX", ""},
        {"", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(DecimalSeparatorOf(c.volts), QByteArray(c.separator)) << c.volts;
}

TEST(LogNumberTest, NumbersInTheWritersLocale)
{
    struct Case {
        const char* text;
        const char* decimal;
        std::optional<double> value;
    };
    const std::optional<double> none;
    // Thousands in a file of "2.500" volts and of "2,500" volts, grouped by a space, a no-break space (UTF-8,
    // narrow, Latin-1), an apostrophe (plain, typographic); then a decimal comma in a file of decimal points, a
    // group of two digits, more than three digits before a separator, and the rest that is no number.
    const Case cases[] = {{"3,480", ".", 3480},
                          {"3.480", ",", 3480},
                          {"2,500", ",", 2.5},
                          {"2.500", ".", 2.5},
                          {"12,000", ".", 12000},
                          {"1.234.567", ",", 1234567},
                          {"3 480", ",", 3480},
                          {"3\302\240480", ",", 3480},
                          {"3\342\200\257480", ",", 3480},
                          {"3\240480", ",", 3480},
                          {"3'480", ".", 3480},
                          {"3\342\200\231480", ".", 3480},
                          {"-12.5", ".", -12.5},
                          {"-12,5", ",", -12.5},
                          {"+7", ".", 7},
                          {" 185 ", ".", 185},
                          {"0", ".", 0},
                          {"12,5", ".", none},
                          {"3,48", ".", none},
                          {"3480,000,1", ".", none},
                          {"1234,567", ".", none},
                          {",480", ".", none},
                          {"3,480.", ".", none},
                          {"2.5.0", ".", none},
                          {"XXX", ".", none},
                          {"", ".", none},
                          {"-", ".", none},
                          {"12abc", ".", none},
                          {"1e5", ".", none},
                          {"\x01\xFF", ".", none}};
    for (const Case& c : cases) {
        const std::optional<double> value = Parse(c.text, c.decimal);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *c.value) << c.text;
        }
    }
}

} // namespace

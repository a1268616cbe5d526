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
        {"2.500", "."},
        {"2,500", ","},
        {"0.00", "."},
        {"4,90", ","},
        {"-0.049", "."}, // an offset can be negative
        {"2\xD9\xAB"
         "500",
         "\xD9\xAB"}, // a separator of more than one byte
        {"2500", ""},
        {"2.5", ""}, // no decimals, or too few to be volts
        {"2.5000", ""},
        {".500", ""},
        {"2.5a0", ""},
        {"XXX", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecimalSeparatorOf(c.volts), QByteArray(c.separator)) << c.volts;
}

TEST(LogNumberTest, NumbersInTheWritersLocale)
{
    struct Case {
        const char* text;
        const char* decimal;
        std::optional<double> value;
    } const cases[] = {
        {"3,480", ".", 3480}, // thousands in a file of "2.500" volts
        {"3.480", ",", 3480}, // and in a file of "2,500" volts
        {"2,500", ",", 2.5},
        {"2.500", ".", 2.5},
        {"12,000", ".", 12000},
        {"1.234.567", ",", 1234567},
        {"3 480", ",", 3480},
        {"3\xC2\xA0"
         "480",
         ",", 3480}, // no-break space
        {"3\xE2\x80\xAF"
         "480",
         ",", 3480}, // narrow no-break space
        {"3'480", ".", 3480},
        {"3\xE2\x80\x99"
         "480",
         ".", 3480}, // typographic apostrophe
        {"3\xA0"
         "480",
         ",", 3480}, // no-break space in Latin-1
        {"-12.5", ".", -12.5},
        {"-12,5", ",", -12.5},
        {"+7", ".", 7},
        {" 185 ", ".", 185},
        {"0", ".", 0},
        {"12,5", ".", std::nullopt}, // a decimal comma in a file of decimal points
        {"3,48", ".", std::nullopt}, // a group of two digits
        {"3480,000,1", ".", std::nullopt},
        {"1234,567", ".", std::nullopt}, // more than three digits before a separator
        {",480", ".", std::nullopt},
        {"3,480.", ".", std::nullopt},
        {"2.5.0", ".", std::nullopt},
        {"XXX", ".", std::nullopt},
        {"", ".", std::nullopt},
        {"-", ".", std::nullopt},
        {"12abc", ".", std::nullopt},
        {"1e5", ".", std::nullopt},
        {"\x01\xFF", ".", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> value = Parse(c.text, c.decimal);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *c.value) << c.text;
        }
    }
}

} // namespace

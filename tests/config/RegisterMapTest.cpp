#include "link/RegisterMap.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace register_map;

TEST(RegisterMapTest, ByteTextMustBeExactlyTwoHexDigits)
{
    for (const auto& [text, value] : {std::pair{"00", 0}, {"8f", 0x8F}, {"FF", 255}})
        EXPECT_EQ(ParseByte(QString::fromLatin1(text)), value) << text;
    for (const char* bad : {"", "1", "123", "+1", " 1", "G0", "-0"})
        EXPECT_FALSE(ParseByte(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(RegisterMapTest, IgnitionCodesAndSwitchModesMapToTheirOptions)
{
    const int codes[] = {0x80, 0x81, 0x82, 0x84, 0x86};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IgnitionIndexOf(codes[i]), i);
        EXPECT_EQ(IgnitionCodeOf(i), codes[i]);
    }
    for (const int unlisted : {0x00, 0x83, 0x85, 0x87, 0xFF})
        EXPECT_EQ(IgnitionIndexOf(unlisted), -1) << unlisted;
    EXPECT_EQ(std::tuple(IgnitionCodeOf(-1), IgnitionCodeOf(5), RpmModeIndexOf(0), RpmModeIndexOf(1), RpmModeIndexOf(2),
                         RpmModeOf(-1)),
              std::tuple(-1, -1, 0, 1, -1, -1));
}

TEST(RegisterMapTest, RatioWithoutAnInstalledSizeIsOneAndFinite)
{
    EXPECT_NEAR(InjectorRatio(19, 24), 0.792, 0.001);
    EXPECT_EQ(InjectorRatio(19, 0), 1.0);
    EXPECT_EQ(InjectorRatio(0, 0), 1.0);
    EXPECT_EQ(InjectorRatio(0, 24), 0.0);
}

} // namespace

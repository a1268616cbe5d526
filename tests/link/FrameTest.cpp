#include "link/Frame.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameTest, BuildMatchesTheWireFormat)
{
    const std::pair<const char*, const char*> cases[] = {{"Z", "UU01ZBB$"},
                                                         {"RT00", "UU04RT006A$"},
                                                         {"WT0680", "UU06WT0680DF$"},
                                                         {"RO80", "UU04RO806D$"}};
    for (const auto& [payload, wire] : cases)
        EXPECT_EQ(frame::Build(QString::fromLatin1(payload)), QByteArray(wire)) << payload;
}

TEST(FrameTest, LengthIsTwoUpperCaseHexDigits)
{
    EXPECT_EQ(frame::LengthField(QString(15, QLatin1Char('A'))), QByteArray("0F"));
    EXPECT_EQ(frame::LengthField(QString(16, QLatin1Char('A'))), QByteArray("10"));
    EXPECT_EQ(frame::LengthField(QString(255, QLatin1Char('A'))), QByteArray("FF"));
}

TEST(FrameTest, ChecksumWrapsModulo256AndPadsToTwoDigits)
{
    // "01" + "Z" sums to 0x30 + 0x31 + 0x5A = 0xBB; one more "a" overflows to 0x11C.
    EXPECT_EQ(frame::Checksum("01", "Z"), QByteArray("BB"));
    EXPECT_EQ(frame::Checksum("02", "Za"), QByteArray("1D"));
    EXPECT_EQ(frame::Checksum("", QByteArray("\x0A")), QByteArray("0A"));
    EXPECT_EQ(frame::Checksum("", QByteArray("\x00", 1)), QByteArray("00"));
}

TEST(FrameTest, JudgeSortsTheReply)
{
    using enum frame::Verdict;
    const std::tuple<QByteArray, bool, frame::Verdict> cases[] = {
        {"uu0103$", true, Positive},   {"uu01x$", true, Positive},   {"uu01$", true, Negative},
        {"UU01$", true, Negative},     {"UU0103$", true, Malformed}, {"xuu0103$", true, Malformed},
        {"uu0103$x", false, TimedOut}, {"uu0103", false, TimedOut},  {"", false, TimedOut},
        {"uu0103$", false, TimedOut}, // complete but late
    };
    for (const auto& [received, inTime, verdict] : cases)
        EXPECT_EQ(frame::Judge(received, inTime), verdict) << received.constData();
}

} // namespace

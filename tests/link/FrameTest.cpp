#include "link/Frame.h"

#include <gtest/gtest.h>

namespace {

struct BuildCase {
    const char* payload;
    const char* frame;
};

class FrameBuild : public ::testing::TestWithParam<BuildCase> { };

TEST_P(FrameBuild, MatchesTheWireFormat)
{
    EXPECT_EQ(frame::Build(QString::fromLatin1(GetParam().payload)), QByteArray(GetParam().frame));
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, FrameBuild,
                         ::testing::Values(BuildCase{"Z", "UU01ZBB$"}, BuildCase{"RT00", "UU04RT006A$"},
                                           BuildCase{"WT0680", "UU06WT0680DF$"}, BuildCase{"RO80", "UU04RO806D$"}));

TEST(FrameLength, IsTwoUpperCaseHexDigits)
{
    EXPECT_EQ(frame::LengthField(QString(15, QLatin1Char('A'))), QByteArray("0F"));
    EXPECT_EQ(frame::LengthField(QString(16, QLatin1Char('A'))), QByteArray("10"));
    EXPECT_EQ(frame::LengthField(QString(255, QLatin1Char('A'))), QByteArray("FF"));
}

TEST(FrameChecksum, WrapsModulo256AndPadsToTwoDigits)
{
    // "01" + "Z" sums to 0x30 + 0x31 + 0x5A = 0xBB; one more "a" overflows to 0x11C.
    EXPECT_EQ(frame::Checksum("01", "Z"), QByteArray("BB"));
    EXPECT_EQ(frame::Checksum("02", "Za"), QByteArray("1D"));
    // A small sum keeps its leading zero.
    EXPECT_EQ(frame::Checksum("", QByteArray("\x0A")), QByteArray("0A"));
    EXPECT_EQ(frame::Checksum("", QByteArray("\x00", 1)), QByteArray("00"));
}

struct JudgeCase {
    const char* name;
    QByteArray received;
    bool inTime;
    frame::Verdict verdict;
};

class ReplyJudge : public ::testing::TestWithParam<JudgeCase> { };

TEST_P(ReplyJudge, SortsTheReply)
{
    EXPECT_EQ(frame::Judge(GetParam().received, GetParam().inTime), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyJudge,
                         ::testing::Values(JudgeCase{"Positive", "uu0103$", true, frame::Verdict::Positive},
                                           JudgeCase{"PositiveEmpty", "uu01x$", true, frame::Verdict::Positive},
                                           JudgeCase{"Negative", "uu01$", true, frame::Verdict::Negative},
                                           JudgeCase{"NegativeWhateverPrefix", "UU01$", true, frame::Verdict::Negative},
                                           JudgeCase{"UpperCase", "UU0103$", true, frame::Verdict::Malformed},
                                           JudgeCase{"StrayPrefix", "xuu0103$", true, frame::Verdict::Malformed},
                                           JudgeCase{"TrailingJunk", "uu0103$x", false, frame::Verdict::TimedOut},
                                           JudgeCase{"Incomplete", "uu0103", false, frame::Verdict::TimedOut},
                                           JudgeCase{"Nothing", "", false, frame::Verdict::TimedOut},
                                           JudgeCase{"CompleteButLate", "uu0103$", false, frame::Verdict::TimedOut}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyData, StripsPrefixAndTerminator)
{
    EXPECT_EQ(frame::ReplyData("uu0103$"), QByteArray("03"));
    EXPECT_EQ(frame::ReplyData("uu01ro8000$"), QByteArray("ro8000"));
}

TEST(HexByte, IsTwoUpperCaseDigits)
{
    EXPECT_EQ(frame::HexByte(0), QStringLiteral("00"));
    EXPECT_EQ(frame::HexByte(0x0c), QStringLiteral("0C"));
    EXPECT_EQ(frame::HexByte(255), QStringLiteral("FF"));
}

} // namespace

#include "tunefile/TuneFile.h"

#include <gtest/gtest.h>

namespace {

using namespace tunefile;

TEST(TuneTest, EntriesHaveTheirPlaceInFileOrder)
{
    const struct {
        Entry entry;
        int index;
        const char* name;
    } cases[] = {
        {{'C', 0x00}, 0, "C00"},    {{'O', 0x00}, 256, "O00"},  {{'L', 0x10}, 528, "L10"},
        {{'H', 0xFF}, 1023, "HFF"}, {{'T', 0x00}, 1024, "T00"}, {{'T', 0x13}, 1043, "T13"},
        {{'T', 0x14}, -1, "T14"},   {{'F', 0x00}, -1, "F00"},   {{'C', 0x100}, -1, "C100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IndexOf(c.entry), c.index);
        if (c.index >= 0) {
            EXPECT_EQ(TuneOrder().at(c.index), c.entry);
            EXPECT_EQ(EntryName(c.entry), QString::fromLatin1(c.name));
        }
    }
}

TEST(TuneTest, AFileNamesSomeEntriesAndALaterLineWins)
{
    const QString text = QStringLiteral("&M110901\r\n12-05-2026-07:41:09\r\nO1Fa0\r\n\r\nT0513\r\nO1F9C\r\n\r\n");
    const std::optional<Tune> tune = TuneFromText(text, QStringLiteral("/tmp/a.tun"));
    ASSERT_TRUE(tune);
    EXPECT_EQ(tune->entryCount(), 2);
    EXPECT_FALSE(tune->isComplete());
    EXPECT_EQ(tune->value({'O', 0x1F}), 0x9C);
    EXPECT_EQ(tune->value({'T', 0x05}), 0x13);
    EXPECT_FALSE(tune->has({'C', 0x1F}));
    EXPECT_EQ(tune->stamp, QStringLiteral("12-05-2026-07:41:09"));
    EXPECT_EQ(tune->origin.kind, TuneOrigin::Kind::File);
    EXPECT_EQ(tune->origin.path, QStringLiteral("/tmp/a.tun"));
    // Written back in file order with upper-case digits, the duplicate gone.
    EXPECT_EQ(TuneText(*tune), QStringLiteral("&M110901\r\n12-05-2026-07:41:09\r\nO1F9C\r\nT0513\r\n\r\n"));
    EXPECT_FALSE(TuneFromText(QStringLiteral("&M110902\r\nx\r\n")));
}

TEST(TuneTest, DifferencesListChangedAndOneSidedEntriesInFileOrder)
{
    QList<int> values(DataLineCount, 0x00);
    const Tune left = Tune::FromValues(values);
    Tune right = left;
    right.setValue({'T', 0x03}, 0x18);
    right.setValue({'O', 0x40}, 0xF6);
    right.clear({'H', 0x02});
    right.setValue({'C', 0x05}, 0x100); // low byte: unchanged
    const QList<Difference> expected = {
        {{'O', 0x40}, 0x00, 0xF6},
        {{'H', 0x02}, 0x00, std::nullopt},
        {{'T', 0x03}, 0x00, 0x18},
    };
    EXPECT_EQ(Differences(left, right), expected);
    EXPECT_TRUE(Differences(left, left).isEmpty());

    Tune copy = left;
    copy.copyTableFrom(right, 'H');
    EXPECT_EQ(Differences(copy, right), (QList<Difference>{{{'O', 0x40}, 0x00, 0xF6}, {{'T', 0x03}, 0x00, 0x18}}));
}

} // namespace

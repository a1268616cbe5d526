#include "correction/CorrectionCells.h"
#include "correction/SliderInterpolation.h"
#include "logs/LiveAnalysis.h"
#include "tuner/GlobalEdits.h"
#include "tuner/LiveAutoTune.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerLive.h"

#include <QPalette>

#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace tuner;

TEST(TunerTable, CellsSitTenEntriesApartMovedByTheOffset)
{
    struct Case {
        int cell, offset, entry;
        const char* caption;
    } const cases[] = {
        {0, 0, 8, "0.10"},       {24, 0, 248, "4.90"}, {12, 0, 128, "2.50"},
        {24, 200, 253, "5.00"},  {0, 200, 13, "0.20"}, {0, -200, 3, "0.00"},
        {24, -200, 243, "4.80"}, {5, 40, 59, "1.12"},  {5, -80, 56, "1.06"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("cell %1 offset %2").arg(c.cell).arg(c.offset).toStdString());
        EXPECT_EQ(EntryOf(c.cell, c.offset), c.entry);
        EXPECT_EQ(CellCaption(c.cell, c.offset), QString::fromLatin1(c.caption));
    }
}

TEST(TunerTable, OffsetSnapsToWholeEntries)
{
    const int cases[][2] = {{0, 0},       {20, 0},      {-20, 0},     {21, 40},     {-21, -40},  {40, 40},   {41, 80},
                            {80, 80},     {81, 120},    {121, 160},   {161, 200},   {200, 200},  {-40, -40}, {-41, -80},
                            {-120, -120}, {-121, -160}, {-160, -160}, {-161, -200}, {-200, -200}};
    for (const auto& c : cases)
        EXPECT_EQ(SnapOffset(c[0]), c[1]) << c[0];
}

// "address=value ..." as the writes of a line, in order.
QList<EntryWrite> Line(const char* text)
{
    QList<EntryWrite> list;
    for (const QString& pair : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        list.append(
            {pair.section(QLatin1Char('='), 0, 0).toInt(nullptr, 0), pair.section(QLatin1Char('='), 1).toInt()});
    return list;
}

TEST(SliderInterpolation, WritesDownFromTheCellThenUpToItsNeighbours)
{
    struct Case {
        const char* name;
        int cell, prev, cur, next, offset;
        QList<EntryWrite> writes;
    } const cases[] = {
        {"slider 5 to 20 between zeros", 5, 0, 20, 0, 0,
         Line("58=20 57=18 56=16 55=14 54=12 53=10 52=8 51=6 50=4 49=2 59=18 60=16 61=14 62=12 63=10 64=8 "
              "65=6 66=4 67=2")},
        {"slider -10 towards different neighbours", 7, -20, -10, 10, 0,
         Line("78=-10 77=-11 76=-12 75=-13 74=-14 73=-15 72=-16 71=-17 70=-18 69=-19 79=-8 80=-6 81=-4 "
              "82=-2 83=0 84=2 85=4 86=6 87=8")},
        // Steps of half a point: each half goes to the even neighbour.
        {"halves to even", 3, 0, 5, 0, 0,
         Line("38=5 37=4 36=4 35=4 34=3 33=2 32=2 31=2 30=1 29=0 39=4 40=4 41=4 42=3 43=2 44=2 45=2 46=1 "
              "47=0")},
        {"negative halves to even", 3, 0, -5, 0, 0,
         Line("38=-5 37=-4 36=-4 35=-4 34=-3 33=-2 32=-2 31=-2 30=-1 29=0 39=-4 40=-4 41=-4 42=-3 43=-2 "
              "44=-2 45=-2 46=-1 47=0")},
        {"first cell, offset -200: down to address 0, flat", 0, 99, 10, 0, -200,
         Line("3=10 2=10 1=10 0=10 4=9 5=8 6=7 7=6 8=5 9=4 10=3 11=2 12=1")},
        {"first cell, no offset: entries 0 to 17", 0, 99, 30, 40, 0,
         Line("8=30 7=30 6=30 5=30 4=30 3=30 2=30 1=30 0=30 9=31 10=32 11=33 12=34 13=35 14=36 15=37 16=38 "
              "17=39")},
        {"last cell, offset +200: up to address 255", 24, 7, 7, 99, 200,
         Line("253=7 252=7 251=7 250=7 249=7 248=7 247=7 246=7 245=7 244=7 254=7 255=7")},
        {"last cell, no offset: flat to 253", 24, 0, -50, 99, 0,
         Line("248=-50 247=-45 246=-40 245=-35 244=-30 243=-25 242=-20 241=-15 240=-10 239=-5 249=-50 "
              "250=-50 251=-50 252=-50 253=-50")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SliderWrites(c.cell, c.prev, c.cur, c.next, c.offset), c.writes);
    }
}

// A table with detail between the cells: entry 58 (cell 8) beyond the
// slider at -116, 53 at -2, 5A at -5, the rest 0.
Table DetailedTable(std::initializer_list<std::pair<int, int>> more = {})
{
    Table table{};
    table[0x58] = -116;
    table[0x53] = -2;
    table[0x5A] = -5;
    for (const auto& [address, value] : more)
        table[address] = static_cast<qint16>(value);
    return table;
}

CellAmounts Amounts(std::initializer_list<std::pair<int, int>> byCell, int others = 0)
{
    CellAmounts amounts;
    amounts.fill(others);
    for (const auto& [cell, amount] : byCell)
        amounts[cell] = amount;
    return amounts;
}

TEST(MoveCells, AddsTheAmountsToEveryEntryKeepingTheDetail)
{
    struct Case {
        const char* name;
        Table table;
        CellAmounts amounts;
        int offset;
        int written;
        const char* after; // entries and their values afterwards
    } const cases[] = {
        {"5% rich over the detail", DetailedTable(), Amounts({}, 5), 0, 256,
         "0x00=5 0x53=3 0x58=-111 0x59=5 0x5A=0 0xFE=5 0xFF=5"},
        {"5% lean with the offset at +200", DetailedTable(), Amounts({}, -5), 200, 256,
         "0x00=-5 0x53=-7 0x58=-121 0x5A=-10 0xFF=-5"},
        // Half a point a step from 0 up to 5 and back, halves to even.
        {"one cell", Table{}, Amounts({{10, 5}}), 0, 17,
         "99=0 100=1 101=2 102=2 103=2 104=3 105=4 106=4 107=4 108=5 109=4 110=4 111=4 112=3 113=2 114=2 115=2 116=1 "
         "117=0"},
        {"one cell over the detail", DetailedTable(), Amounts({{8, 5}}), 0, 17, "79=0 0x53=0 0x58=-111 0x5A=-1 97=0"},
        // Below the first cell and above the last the amount is carried flat.
        {"the end cells, offset -200", Table{}, Amounts({{0, -3}, {24, 4}}), -200, 4 + 8 + 8 + 13,
         "0=-3 3=-3 4=-3 5=-2 8=-2 9=-1 11=-1 12=0 234=0 235=1 237=2 240=3 242=4 243=4 255=4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CellsMove move = MoveCells(c.table, c.amounts, c.offset);
        EXPECT_FALSE(move.beyond);
        EXPECT_EQ(move.writes.size(), c.written);
        Table after = c.table;
        int last = -1;
        for (const EntryWrite& w : move.writes) {
            EXPECT_GT(w.address, last); // each once, in address order
            last = w.address;
            after[w.address] = static_cast<qint16>(w.value);
        }
        for (const EntryWrite& e : Line(c.after))
            EXPECT_EQ(after[e.address], e.value) << e.address;
    }
}

TEST(MoveCells, AnEntryLeavingTheUnitsRangeRefusesTheWholeMove)
{
    // Leaner past -128: TunerTest.AShiftTakingAnEntryBeyondTheUnitsRangeIsRefused.
    const CellsMove rich = MoveCells(DetailedTable({{0x5A, 125}}), Amounts({}, 5), 0);
    EXPECT_TRUE(rich.writes.isEmpty());
    EXPECT_EQ(rich.beyond, (EntryWrite{0x5A, 130}));
    // -116 - 5 and 122 + 5 are still within what the unit holds.
    EXPECT_FALSE(MoveCells(DetailedTable({{0x5A, 122}}), Amounts({}, 5), 0).beyond);
    EXPECT_FALSE(MoveCells(DetailedTable(), Amounts({}, -5), 0).beyond);
}

TEST(TunerTableKinds, InjectorBytesSelectTheirListItem)
{
    const QStringList items = InjectorListItems();
    ASSERT_EQ(items.size(), 15);
    EXPECT_EQ(items.first() + items[13] + items[14], "16lb/hr93lb/hr<Select>");
    struct Case {
        int byte, index, size;
    } const cases[] = {{0, 1, 19}, {19, 1, 19}, {20, -1, 20}, {24, 2, 24}, {93, 13, 93}, {255, -1, 255}};
    for (const Case& c : cases) {
        const InjectorChoice choice = InjectorChoiceFor(c.byte);
        EXPECT_EQ((std::pair<int, int>(choice.index, choice.size)), std::pair(c.index, c.size)) << c.byte;
    }
}

TEST(GlobalEdits, ShiftsThatWouldPassAnEndAreRefused)
{
    using enum ShiftRefusal;
    const std::tuple<int, int, ShiftRefusal> cases[] = {{-96, -ShiftStep, BelowMinimum},
                                                        {-95, -ShiftStep, None},
                                                        {96, ShiftStep, AboveMaximum},
                                                        {95, ShiftStep, None}};
    for (const auto& [value, step, refusal] : cases) {
        SliderValues sliders{};
        sliders[7] = value;
        EXPECT_EQ(CheckShift(sliders, step), refusal) << value;
    }
}

TEST(GlobalEdits, CompensationIsTheRatioChangeInPercentPoints)
{
    struct Case {
        SizeRatio last, now;
        int points;
    } const cases[] = {
        {{19, 19}, {19, 24}, -21}, // 0.7917: 21 points leaner
        {{19, 19}, {19, 19}, 0},
        {{1, 2}, {72, 48}, 100},
        {{19, 19}, {24, 48}, -50},
        // Exact halves whose ratios binary fractions cannot hold go to the even neighbour.
        {{42, 48}, {24, 30}, -8}, // 0.8 - 0.875: -7.5
        {{24, 30}, {42, 48}, 8},  // +7.5
        {{30, 48}, {30, 50}, -2}, // 0.6 - 0.625: -2.5
        {{93, 30}, {50, 16}, 2},  // 3.125 - 3.1: +2.5
        {{30, 72}, {39, 72}, 12}, // 9 / 72: +12.5
    };
    for (const Case& c : cases)
        EXPECT_EQ(Compensation(c.now, c.last), c.points) << c.now.eec << "/" << c.now.installed;

    // A compensation fits while every slider stays within -100..100; slider 3 at -80 or 0.
    const std::tuple<int, int, bool> fitting[] = {{0, -100, true},  {0, 100, true},    {0, -101, false},
                                                  {-80, -20, true}, {-80, -21, false}, {-80, 100, true}};
    for (const auto& [cell3, points, fits] : fitting) {
        SliderValues sliders{};
        sliders[3] = cell3;
        EXPECT_EQ(CompensationFits(sliders, points), fits) << cell3 << " " << points;
    }
}

TEST(TunerLive, ActiveCellFollowsTheMafVoltage)
{
    const std::pair<double, int> cases[] = {{0.196, 0}, {2.5, 12}, {4.9, 24}, {0.0, 0}, {5.0, 24}, {1.0, 5}, {0.3, 1}};
    for (const auto& [volts, cell] : cases)
        EXPECT_EQ(ActiveCell(volts), cell) << volts;
    // Every voltage marks one cell, and the cells follow one another.
    int last = 0;
    for (int mv = 0; mv <= 5000; ++mv) {
        const int cell = ActiveCell(mv / 1000.0);
        ASSERT_TRUE(cell == last || cell == last + 1) << mv;
        last = cell;
    }
    EXPECT_EQ(last, 24);
}

// One application: each suggestion at most the cap (3), never past the
// anchor +- the authority (15); locked cells and cells with no suggestion
// stay; a cell the user took beyond its limit is not pulled back.
TEST(LiveAutoTune, OneApplicationKeepsTheCapTheAuthorityAndTheLocks)
{
    using Outcome = autotune::CellOutcome;
    const struct {
        Outcome outcome;
        int change, current, anchor;
        bool locked;
        int moved;
    } cases[] = {
        {Outcome::Suggested, 8, 0, 0, false, 3},   {Outcome::Suggested, -8, 0, 0, false, -3},
        {Outcome::Suggested, 2, 0, 0, false, 2},   {Outcome::Suggested, 3, 14, 0, false, 1},
        {Outcome::Suggested, 3, 15, 0, false, 0},  {Outcome::Suggested, -3, -13, 0, false, -2},
        {Outcome::Suggested, 3, 16, 0, false, 0},  {Outcome::Suggested, -3, 20, 0, false, -3},
        {Outcome::Suggested, 3, 30, 20, false, 3}, {Outcome::Suggested, 8, 0, 0, true, 0},
        {Outcome::Locked, 8, 0, 0, false, 0},      {Outcome::Settled, 0, 0, 0, false, 0},
        {Outcome::TooFew, 0, 0, 0, false, 0},      {Outcome::AtLimit, 0, 100, 100, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.change << " at " << c.current << " from " << c.anchor);
        autotune::Result result;
        result.cells[7].outcome = c.outcome;
        result.cells[7].change = c.change;
        autotune::CellValues current{}, anchor{};
        current[7] = c.current;
        anchor[7] = c.anchor;
        std::array<bool, CellCount> locked{};
        locked[7] = c.locked;
        const CellAmounts amounts = LiveStepAmounts(result, current, anchor, LiveLimits{}, locked);
        EXPECT_EQ(amounts[7], c.moved);
        EXPECT_EQ(std::count(amounts.begin(), amounts.end(), 0), CellCount - (c.moved != 0));
    }
}

// A scripted stream at cell 10 (2.1 V), wide open, 20 samples a second, the
// A/F read as metered: the live caption after n samples (the last one is
// credited with the next). Against 12.8: 13.44 is +5 points, 12.16 -5.
TEST(LiveAutoTune, ACaptionShowsItsCellsStatisticsAsTheyFill)
{
    const struct {
        int count;
        double airFuel;
        bool locked;
        QColor colour;
        const char* tip;
    } cases[] = {
        {6, 12.8, false, TooFewGrey, "Too few samples: 5 of 10"},
        {20, 12.8, false, SettledGreen, "Settled (19 samples)"},
        {20, 12.9, false, SettledGreen, "Settled (19 samples)"}, // within the log's 0.1
        {20, 13.44, false, ChangeOrange, "+5 points (19 samples)"},
        {12, 12.16, false, ChangeOrange, "-5 points (11 samples)"},
        {20, 13.44, true, QPalette().color(QPalette::WindowText), "Locked (19 samples)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tip);
        autotune::Settings settings;
        settings.lagSeconds = 0.0;
        settings.locked[10] = c.locked;
        autotune::LiveAnalysis live(settings);
        for (int i = 0; i < c.count; ++i)
            live.add({i * 0.05, 2.1, 4.0, 80, 3000, c.airFuel});
        const LiveCaption caption = LiveCaptionOf(live.result({}).cells[10], settings.minimumSamples);
        EXPECT_EQ(caption.colour, c.colour);
        EXPECT_EQ(caption.tip, QString::fromLatin1(c.tip));
        EXPECT_EQ(live.accepted(), c.count - 1);
    }
}

} // namespace

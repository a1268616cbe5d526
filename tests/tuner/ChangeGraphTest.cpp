#include "correction/ChangeGraph.h"

#include "support/TestApplication.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using tuner::Table;

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor Grey(128, 128, 128);
const QColor Black(0, 0, 0);
const QColor Marker(255, 0, 255);

// The graph drawn into an image of its own size; `area` limits the drawing,
// the rest keeps the marker colour.
QImage Draw(const ChangeGraph& graph, QRect area = {})
{
    QImage image(graph.size(), QImage::Format_RGB32);
    image.fill(Marker);
    QPainter painter(&image);
    graph.paintArea(painter, area.isNull() ? graph.rect() : area);
    return image;
}

class ChangeGraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        table.fill(0);
        table[10] = -50;
        table[11] = 45;
        graph.setTable(&table);
        // 10 640 units wide and 260 high: a pixel is ten units across and one down.
        graph.resize(1064, 260);
    }
    Table table{};
    ChangeGraph graph;
};

// Entry j at x = 40 j + 200, y = 100 + value, graph units; the vertical span
// runs from -30 at the top.
TEST_F(ChangeGraphTest, EntriesAreCirclesAtTheirValues)
{
    const QImage image = Draw(graph);
    EXPECT_EQ(image.pixelColor(60, 80), Red);     // entry 10 at -50
    EXPECT_EQ(image.pixelColor(64, 175), Green);  // entry 11 at +45
    EXPECT_EQ(image.pixelColor(100, 130), Green); // entry 20 at 0, on the zero line
    EXPECT_EQ(image.pixelColor(60, 10), Black);   // nothing above entry 10
    // Grid columns start at 320 units, one per cell of 400.
    EXPECT_EQ(image.pixelColor(72, 10), Grey);
    EXPECT_EQ(image.pixelColor(1032, 10), Grey);
    EXPECT_EQ(image.pixelColor(50, 50), Grey); // the row at -80
}

TEST_F(ChangeGraphTest, ScalesWithItsSizeAndShiftsWithTheOffset)
{
    graph.resize(532, 130);
    QImage image = Draw(graph);
    EXPECT_EQ(image.pixelColor(30, 40), Red);
    EXPECT_EQ(image.pixelColor(32, 87), Green);

    graph.resize(1064, 260);
    graph.setSliderOffset(200);
    image = Draw(graph);
    EXPECT_EQ(image.pixelColor(40, 80), Red); // 200 units to the left
    EXPECT_EQ(image.pixelColor(60, 80), Black);
    // The grid stays with the cells.
    EXPECT_EQ(image.pixelColor(72, 10), Grey);
}

// Redrawing one entry paints its narrow strip and nothing else.
TEST_F(ChangeGraphTest, OneEntryRepaintsOnlyItsStrip)
{
    const QRect strip = graph.entryStrip(10);
    EXPECT_TRUE(strip.contains(60, 80));
    EXPECT_LT(strip.width(), graph.width() / 50);
    EXPECT_EQ(strip.height(), graph.height());

    table[10] = 30;
    const QImage image = Draw(graph, strip);
    EXPECT_EQ(image.pixelColor(60, 160), Green);
    EXPECT_EQ(image.pixelColor(60, 80), Black);   // the old place is cleared
    EXPECT_EQ(image.pixelColor(64, 175), Marker); // entry 11 lies outside: untouched
    EXPECT_EQ(image.pixelColor(300, 130), Marker);

    // Entry 0's strip lies left of the first column: no grid row there, not
    // even a dot where the row at -80 would end.
    const QRect first = graph.entryStrip(0);
    ASSERT_LT(first.right(), 32);
    EXPECT_EQ(Draw(graph, first).pixelColor(first.right(), 50), Black);
}

} // namespace

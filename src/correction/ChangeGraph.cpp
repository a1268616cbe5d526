#include "correction/ChangeGraph.h"

#include "platform/Colours.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// The vertical span: the unit's whole range (-128 to +127) around the zero
// line at 100, with room for the circles.
constexpr double UnitsTop = -30.0;
constexpr double UnitsBottom = 230.0;
constexpr double ZeroLine = 100.0;
constexpr double CircleRadius = 20.0;
constexpr double MinimumRadiusPx = 1.5;
constexpr int Rows = 10;
constexpr double RowHeight = 20.0; // ten rows over -100 to +100

const QColor Grid(128, 128, 128);
const QColor PreviewColour(255, 230, 0);
const QColor ZeroLineColour(255, 255, 255);

} // namespace

ChangeGraph::ChangeGraph(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pctChangeGraph"));
    // Every pixel is painted here: nothing underneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChangeGraph::setTable(const tuner::Table* table)
{
    table_ = table;
    update();
}

void ChangeGraph::setSliderOffset(int offset)
{
    offset_ = offset;
    update();
}

void ChangeGraph::setPreview(const std::optional<tuner::Table>& preview)
{
    preview_ = preview;
    update();
}

void ChangeGraph::redrawAll()
{
    update();
}

void ChangeGraph::redrawEntry(int entry)
{
    update(entryStrip(entry));
}

double ChangeGraph::unitsX(int entry) const
{
    return 40.0 * entry + 200.0 - offset_;
}

double ChangeGraph::pixelX(double units) const
{
    return units / UnitsWide * width();
}

double ChangeGraph::pixelY(double units) const
{
    return (units - UnitsTop) / (UnitsBottom - UnitsTop) * height();
}

double ChangeGraph::radius() const
{
    return std::max(pixelX(CircleRadius), MinimumRadiusPx);
}

QRect ChangeGraph::entryStrip(int entry) const
{
    const double x = pixelX(unitsX(entry));
    const int reach = static_cast<int>(std::ceil(radius())) + 1;
    const int centre = static_cast<int>(std::lround(x));
    return QRect(centre - reach, 0, 2 * reach + 1, height());
}

void ChangeGraph::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paintArea(painter, event->rect());
}

void ChangeGraph::paintArea(QPainter& painter, const QRect& area) const
{
    painter.setClipRect(area);
    painter.fillRect(area, Qt::black);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // The zero line.
    const double zeroY = pixelY(ZeroLine);
    painter.setPen(QPen(ZeroLineColour, 1));
    painter.drawLine(QPointF(area.left(), zeroY), QPointF(area.right() + 1, zeroY));

    // The entries whose circles reach into the area.
    if (table_) {
        const double r = radius();
        painter.setPen(Qt::NoPen);
        const double perEntry = pixelX(40.0);
        const double firstX = pixelX(unitsX(0));
        const int from = std::max(0, static_cast<int>(std::floor((area.left() - r - firstX) / perEntry)));
        const int to =
            std::min(tuner::TableSize - 1, static_cast<int>(std::ceil((area.right() + 1 + r - firstX) / perEntry)));
        for (int j = from; j <= to; ++j) {
            const int value = (*table_)[j];
            painter.setBrush(value < 0 ? colours::Red : colours::Green);
            painter.drawEllipse(QPointF(pixelX(unitsX(j)), pixelY(ZeroLine + value)), r, r);
        }
    }

    if (preview_)
        paintPreview(painter);

    // The grid over the circles: one column per cell, ten rows.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Grid, 1));
    painter.setBrush(Qt::NoBrush);
    for (int c = 0; c <= tuner::CellCount; ++c) {
        const int x = static_cast<int>(std::lround(pixelX(ColumnStart + c * ColumnWidth)));
        if (x >= area.left() - 1 && x <= area.right() + 1)
            painter.drawLine(x, area.top(), x, area.bottom());
    }
    const int left = static_cast<int>(std::lround(pixelX(ColumnStart)));
    const int right = static_cast<int>(std::lround(pixelX(ColumnStart + tuner::CellCount * ColumnWidth)));
    const int from = std::max(left, area.left());
    const int to = std::min(right, area.right());
    if (from > to)
        return; // the area lies beside the columns: no rows there
    for (int row = 0; row <= Rows; ++row) {
        const int y = static_cast<int>(std::lround(pixelY(ZeroLine - 100.0 + row * RowHeight)));
        if (row == Rows / 2)
            continue; // the zero line
        painter.drawLine(from, y, to, y);
    }
}

void ChangeGraph::paintPreview(QPainter& painter) const
{
    QPolygonF line;
    for (int j = 0; j < tuner::TableSize; ++j)
        line << QPointF(pixelX(unitsX(j)), pixelY(ZeroLine + (*preview_)[j]));
    painter.setPen(QPen(PreviewColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    const double ring = radius() + 2.0;
    for (int i = 0; i < tuner::CellCount; ++i)
        painter.drawEllipse(line.at(tuner::EntryOf(i, offset_)), ring, ring);
}

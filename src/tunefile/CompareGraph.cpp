#include "tunefile/CompareGraph.h"

#include "correction/ChangeGraph.h"
#include "correction/CorrectionCells.h"
#include "memory/CellConversions.h"
#include "platform/Colours.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// The vertical spans the graph zooms to: the smallest that holds every
// entry, so a change of a few percent shows; 130 holds the unit's whole
// range (-128 to +127).
constexpr int Spans[] = {10, 20, 50, 100, 130};
constexpr double Margin = 1.1;
constexpr int Rows = 10;
// Room under the graph for the volts along the axis.
constexpr int AxisHeight = 14;
constexpr int MarkHeight = 5;

const QColor Grid(128, 128, 128);
const QColor ZeroLineColour(255, 255, 255);

// The change graph's horizontal units: entry j at x = 40 j + 200.
double unitsX(int entry)
{
    return 40.0 * entry + 200.0;
}

} // namespace

const QColor CompareGraph::SideColours[2] = {QColor(0, 200, 255), QColor(255, 170, 0)};

CompareGraph::CompareGraph(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CompareGraph::setCells(const Cells& first, const Cells& second)
{
    cells_[0] = first;
    cells_[1] = second;
    int largest = 0;
    for (const Cells& cells : cells_)
        for (const std::optional<int>& byte : cells)
            if (byte)
                largest = std::max(largest, std::abs(cells::DecodeCorrection(*byte)));
    span_ = Spans[std::size(Spans) - 1];
    for (const int span : Spans) {
        if (largest <= span) {
            span_ = span;
            break;
        }
    }
    update();
}

QList<int> CompareGraph::differingEntries() const
{
    QList<int> entries;
    for (int j = 0; j < tunefile::TableSize; ++j)
        if (cells_[0][j] != cells_[1][j])
            entries.append(j);
    return entries;
}

double CompareGraph::entryX(int entry) const
{
    return unitsX(entry) / ChangeGraph::UnitsWide * width();
}

double CompareGraph::valueY(double percent) const
{
    // Lean (below zero) above the zero line, rich below it, as on the sliders.
    const int plotHeight = std::max(1, height() - AxisHeight);
    return (0.5 + percent / (2.0 * span_ * Margin)) * plotHeight;
}

void CompareGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int plotBottom = height() - AxisHeight;

    // The grid: one column per slider cell, ten rows over the span.
    painter.setPen(QPen(Grid, 1));
    const double columnX0 = ChangeGraph::ColumnStart / ChangeGraph::UnitsWide * width();
    const double columnWidth = ChangeGraph::ColumnWidth / ChangeGraph::UnitsWide * width();
    for (int c = 0; c <= tuner::CellCount; ++c) {
        const int x = static_cast<int>(std::lround(columnX0 + c * columnWidth));
        painter.drawLine(x, 0, x, plotBottom);
    }
    const int left = static_cast<int>(std::lround(columnX0));
    const int right = static_cast<int>(std::lround(columnX0 + tuner::CellCount * columnWidth));
    for (int row = 0; row <= Rows; ++row) {
        if (row == Rows / 2)
            continue;
        const int y = static_cast<int>(std::lround(valueY(span_ * (-1.0 + 2.0 * row / Rows))));
        painter.drawLine(left, y, right, y);
    }
    painter.setPen(QPen(ZeroLineColour, 1));
    painter.drawLine(QPointF(0, valueY(0)), QPointF(width(), valueY(0)));

    // The volts along the axis: entry j is listed at j x 5 / 255 V.
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 2));
    painter.setFont(small);
    painter.setPen(Grid);
    for (int volts = 0; volts <= 5; ++volts) {
        const double x = entryX(static_cast<int>(std::lround(volts * 255 / 5.0)));
        const QRectF box(x - 20, plotBottom, 40, AxisHeight);
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("%1 V").arg(volts));
    }
    // The two tunes, each a line through its entries, broken where it lacks one.
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int side = 0; side < 2; ++side) {
        QPainterPath path;
        bool drawing = false;
        for (int j = 0; j < tunefile::TableSize; ++j) {
            const std::optional<int>& byte = cells_[side][j];
            if (!byte) {
                drawing = false;
                continue;
            }
            const QPointF point(entryX(j), valueY(cells::DecodeCorrection(*byte)));
            if (drawing)
                path.lineTo(point);
            else
                path.moveTo(point);
            drawing = true;
        }
        painter.setPen(QPen(SideColours[side], side == 0 ? 2.5 : 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }

    // The span's ends, at the left over the curves: lean at the top, rich at
    // the bottom.
    const QFontMetrics metrics(small);
    painter.setPen(Grid);
    for (const int end : {-span_, span_}) {
        const QString text = (end < 0 ? QStringLiteral("%1 %") : QStringLiteral("+%1 %")).arg(end);
        // Inside the grid, clear of the marks at its foot.
        const double top = end < 0 ? valueY(end) : valueY(end) - metrics.height();
        const QRectF box(1, top, metrics.horizontalAdvance(text) + 4, metrics.height());
        painter.fillRect(box, Qt::black);
        painter.drawText(box, Qt::AlignCenter, text);
    }

    // Where they differ: a red mark at the foot of the graph.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QList<int> differing = differingEntries();
    for (const int j : differing) {
        const int x = static_cast<int>(std::lround(entryX(j)));
        painter.fillRect(QRect(x - 1, plotBottom - MarkHeight, 3, MarkHeight), colours::Red);
    }
}

#include "logs/CellChartView.h"

#include "logs/TunerCells.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr double LeftMargin = 56;
constexpr double RightMargin = 12;
constexpr double CaptionHeight = 18;
constexpr double TitleHeight = 18;

const QColor BarColour(60, 120, 200);
const QColor TooFewColour(185, 185, 185);
const QColor MedianColour(0, 70, 160);
const QColor TargetColour(0, 130, 0);

} // namespace

CellChartView::CellChartView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CellChartView"));
    setMinimumSize(360, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CellChartView::setTable(const logs::CellTable& table)
{
    table_ = table;
    update();
}

void CellChartView::setAirFuelRange(plot_scale::Range range)
{
    airFuel_ = range;
    update();
}

void CellChartView::setTargetAirFuel(double ratio)
{
    target_ = ratio;
    update();
}

void CellChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintView(painter);
}

double CellChartView::cellCentre(int cell, const QRectF& plot) const
{
    return plot.left() + (cell + 0.5) * plot.width() / tuner_cells::CellCount;
}

void CellChartView::paintView(QPainter& painter) const
{
    painter.fillRect(rect(), palette().window());
    QFont small = painter.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
    const QFontMetrics metrics(small);
    const QRectF plot(LeftMargin, 0, std::max(1.0, width() - LeftMargin - RightMargin), height());
    const double cellWidth = plot.width() / tuner_cells::CellCount;
    // Captions go on two staggered rows when they would not fit side by side.
    const bool oneRow = cellWidth >= metrics.horizontalAdvance(QStringLiteral("0.00")) + 4;
    const double captions = oneRow ? CaptionHeight : 2 * CaptionHeight - 4;

    const double half = (height() - captions) / 2;
    drawAirFuel(painter, QRectF(0, 0, width(), half));
    drawCounts(painter, QRectF(0, half, width(), half));

    painter.setFont(small);
    painter.setPen(Qt::black);
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const double row = oneRow ? 0 : (cell % 2) * (CaptionHeight - 4);
        painter.drawText(QRectF(cellCentre(cell, plot) - cellWidth, height() - captions + row, 2 * cellWidth,
                                CaptionHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter, QString::number(tuner_cells::CellCaptionVolts(cell), 'f', 2));
    }
    painter.setFont(QFont());
}

void CellChartView::drawAirFuel(QPainter& painter, const QRectF& area) const
{
    const QRectF plot(LeftMargin, area.top() + TitleHeight, std::max(1.0, area.width() - LeftMargin - RightMargin),
                      std::max(1.0, area.height() - TitleHeight - 6));
    painter.fillRect(plot, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), area.top(), plot.width(), TitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("A/F per cell: median (dot), lowest to highest (line); grey: fewer than %1 samples")
                         .arg(logs::TooFewSamples));
    auto y = [&](double ratio) { return plot_scale::Map(ratio, airFuel_.lo, airFuel_.hi, plot.bottom(), plot.top()); };
    const double step = plot_scale::NiceStep(airFuel_.hi - airFuel_.lo, std::max(2, static_cast<int>(plot.height() / 30)));
    for (const double tick : plot_scale::Ticks(airFuel_.lo, airFuel_.hi, step)) {
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(plot.left(), y(tick)), QPointF(plot.right(), y(tick)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y(tick) - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         plot_scale::TickText(tick, step));
    }
    if (target_ >= airFuel_.lo && target_ <= airFuel_.hi) {
        painter.setPen(QPen(TargetColour, 2, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y(target_)), QPointF(plot.right(), y(target_)));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const logs::CellStats& stats = table_.cells[cell];
        if (stats.samples == 0)
            continue;
        const QColor colour = stats.tooFew() ? TooFewColour : MedianColour;
        const double x = cellCentre(cell, plot);
        painter.setPen(QPen(colour, 2));
        painter.drawLine(QPointF(x, y(stats.minimum)), QPointF(x, y(stats.maximum)));
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(x, y(stats.median)), 4, 4);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(plot);
}

void CellChartView::drawCounts(QPainter& painter, const QRectF& area) const
{
    const QRectF plot(LeftMargin, area.top() + TitleHeight, std::max(1.0, area.width() - LeftMargin - RightMargin),
                      std::max(1.0, area.height() - TitleHeight - 2));
    painter.fillRect(plot, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), area.top(), plot.width(), TitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Samples with an A/F per cell (%1 without an A/F, not counted)").arg(table_.withoutReading));
    int most = logs::TooFewSamples;
    for (const logs::CellStats& stats : table_.cells)
        most = std::max(most, stats.samples);
    const double step = plot_scale::NiceStep(most, std::max(2, static_cast<int>(plot.height() / 30)));
    const double top = std::ceil(most / step) * step;
    auto y = [&](double count) { return plot_scale::Map(count, 0, top, plot.bottom(), plot.top()); };
    for (const double tick : plot_scale::Ticks(0, top, step)) {
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(plot.left(), y(tick)), QPointF(plot.right(), y(tick)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y(tick) - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         plot_scale::TickText(tick, step));
    }
    // The too-few line.
    painter.setPen(QPen(TooFewColour.darker(140), 1, Qt::DotLine));
    painter.drawLine(QPointF(plot.left(), y(logs::TooFewSamples)), QPointF(plot.right(), y(logs::TooFewSamples)));

    const double barWidth = plot.width() / tuner_cells::CellCount * 0.7;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const logs::CellStats& stats = table_.cells[cell];
        if (stats.samples == 0)
            continue;
        const double x = cellCentre(cell, plot);
        const QRectF bar(x - barWidth / 2, y(stats.samples), barWidth, plot.bottom() - y(stats.samples));
        painter.fillRect(bar, stats.tooFew() ? QBrush(TooFewColour, Qt::Dense4Pattern) : QBrush(BarColour));
        painter.setPen(stats.tooFew() ? TooFewColour.darker(150) : BarColour.darker(130));
        painter.drawRect(bar);
    }
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(plot);
}

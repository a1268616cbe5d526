#include "logs/AirFuelScatterView.h"

#include "logs/TunerCells.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

using logs::Channel;

namespace {

constexpr double LeftMargin = 56;
constexpr double RightMargin = 96;  // the legend
constexpr double TopMargin = 12;
constexpr double BottomMargin = 58; // cell captions and the volts axis
constexpr double FullScaleVolts = 5.0;
constexpr int PointSize = 3;        // pixels square

const QColor BandShade(238, 238, 246);
const QColor TargetColour(0, 130, 0);

} // namespace

AirFuelScatterView::AirFuelScatterView(const logs::DataLog& log, QWidget* parent) : QWidget(parent), log_(log)
{
    setObjectName(QStringLiteral("AirFuelScatterView"));
    setMinimumSize(360, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
    double lo = INFINITY;
    double hi = -INFINITY;
    for (const double v : log.column(Channel::AirFuel)) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (std::isfinite(lo))
        airFuel_ = plot_scale::RoundedRange(std::min(lo, target_), std::max(hi, target_), 2.0);
}

void AirFuelScatterView::setFilter(const logs::SampleFilter& filter)
{
    filter_ = filter;
    update();
}

void AirFuelScatterView::setTargetAirFuel(double ratio)
{
    target_ = ratio;
    update();
}

QRectF AirFuelScatterView::plotRect() const
{
    return QRectF(LeftMargin, TopMargin, std::max(1.0, width() - LeftMargin - RightMargin),
                  std::max(1.0, height() - TopMargin - BottomMargin));
}

QPointF AirFuelScatterView::pointFor(double volts, double airFuel) const
{
    const QRectF plot = plotRect();
    return {plot_scale::Map(volts, 0, FullScaleVolts, plot.left(), plot.right()),
            plot_scale::Map(airFuel, airFuel_.lo, airFuel_.hi, plot.bottom(), plot.top())};
}

void AirFuelScatterView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintView(painter);
}

void AirFuelScatterView::paintView(QPainter& painter)
{
    painter.fillRect(rect(), palette().window());
    const QRectF plot = plotRect();
    painter.fillRect(plot, Qt::white);
    drawBands(painter, plot);

    // A/F axis.
    const double step = plot_scale::NiceStep(airFuel_.hi - airFuel_.lo, std::max(2, static_cast<int>(plot.height() / 40)));
    for (const double tick : plot_scale::Ticks(airFuel_.lo, airFuel_.hi, step)) {
        const double y = pointFor(0, tick).y();
        painter.setPen(QColor(215, 215, 215));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         plot_scale::TickText(tick, step));
    }
    painter.save();
    painter.translate(12, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-80, -10, 160, 20), Qt::AlignCenter, tr("A/F [:1]"));
    painter.restore();

    drawPoints(painter, plot);

    // The target line.
    if (target_ >= airFuel_.lo && target_ <= airFuel_.hi) {
        const double y = pointFor(0, target_).y();
        painter.setPen(QPen(TargetColour, 2, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(TargetColour);
        painter.drawText(QRectF(plot.right() - 160, y - 18, 156, 16), Qt::AlignRight | Qt::AlignBottom,
                         tr("target %1").arg(target_, 0, 'f', 1));
    }
    painter.setPen(QColor(120, 120, 120));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.top() + 2, plot.width() - 6, 16), Qt::AlignRight | Qt::AlignTop,
                     logs::Counted(pointsDrawn_, tr("sample"), tr("samples")) + tr(" shown"));
    drawLegend(painter, plot);
}

void AirFuelScatterView::drawBands(QPainter& painter, const QRectF& plot) const
{
    QFont small = painter.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
    painter.setFont(small);
    const double cellWidth = plot.width() / tuner_cells::CellCount;
    const bool everyCaption = cellWidth >= painter.fontMetrics().horizontalAdvance(QStringLiteral("0.00")) + 2;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const double left = pointFor(tuner_cells::CellLowerVolts(cell), 0).x();
        const double right = pointFor(tuner_cells::CellUpperVolts(cell), 0).x();
        if (cell % 2 == 1)
            painter.fillRect(QRectF(left, plot.top(), right - left, plot.height()), BandShade);
        painter.setPen(Qt::black);
        // Captions on two rows when they would not fit side by side.
        const double row = everyCaption ? 0 : (cell % 2) * 13;
        painter.drawText(QRectF(left - 10, plot.bottom() + 2 + row, right - left + 20, 14), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(tuner_cells::CellCaptionVolts(cell), 'f', 2));
    }
    painter.setFont(QFont());
    painter.drawText(QRectF(plot.left(), plot.bottom() + 30, plot.width(), 20), Qt::AlignHCenter | Qt::AlignTop,
                     tr("MAF input [volts]; bands: the tuner's cells, captioned with their voltage"));
}

// The points go straight into an image of the plot: a long log's hundred
// thousand points cost one pass and no path building.
void AirFuelScatterView::drawPoints(QPainter& painter, const QRectF& plot)
{
    pointsDrawn_ = 0;
    if (!log_.has(Channel::MafIn) || !log_.has(Channel::AirFuel))
        return;
    const int w = static_cast<int>(plot.width());
    const int h = static_cast<int>(plot.height());
    if (w <= 0 || h <= 0)
        return;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    std::array<QRgb, 91> palette{};
    for (int degrees = 0; degrees <= 90; ++degrees)
        palette[degrees] = plot_scale::ThrottleColour(degrees).rgba();
    const QRgb noAngle = QColor(60, 60, 60).rgba();

    const std::vector<double>& volts = log_.column(Channel::MafIn);
    const std::vector<double>& airFuel = log_.column(Channel::AirFuel);
    const bool hasAngle = log_.has(Channel::ThrottleAngle);
    const double xScale = w / FullScaleVolts;
    const double yScale = h / (airFuel_.hi - airFuel_.lo);
    const std::size_t end = filter_.end(log_);
    for (std::size_t i = filter_.first(log_); i < end; ++i) {
        if (std::isnan(airFuel[i]) || !filter_.passes(log_, i))
            continue;
        ++pointsDrawn_;
        const int x = static_cast<int>(volts[i] * xScale) - PointSize / 2;
        const int y = static_cast<int>((airFuel_.hi - airFuel[i]) * yScale) - PointSize / 2;
        const QRgb colour = hasAngle
            ? palette[static_cast<std::size_t>(std::clamp(std::lround(log_.value(Channel::ThrottleAngle, i)), 0L, 90L))]
            : noAngle;
        for (int dy = 0; dy < PointSize; ++dy) {
            const int row = std::clamp(y + dy, 0, h - 1);
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
            for (int dx = 0; dx < PointSize; ++dx)
                line[std::clamp(x + dx, 0, w - 1)] = colour;
        }
    }
    painter.drawImage(plot.topLeft(), image);
}

void AirFuelScatterView::drawLegend(QPainter& painter, const QRectF& plot) const
{
    const QRectF bar(plot.right() + 22, plot.top() + 28, 16, std::max(40.0, plot.height() - 60));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.right() + 4, plot.top(), RightMargin - 6, 26), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     tr("Throttle [deg]"));
    if (!log_.has(Channel::ThrottleAngle)) {
        painter.drawText(QRectF(plot.right() + 4, bar.top(), RightMargin - 6, 60), Qt::TextWordWrap,
                         tr("not in this log"));
        return;
    }
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int degrees = 0; degrees <= 90; degrees += 15)
        gradient.setColorAt(degrees / plot_scale::FullThrottleDegrees, plot_scale::ThrottleColour(degrees));
    painter.fillRect(bar, gradient);
    painter.drawRect(bar);
    for (const int degrees : {0, 30, 60, 90}) {
        const double y = plot_scale::Map(degrees, 0, plot_scale::FullThrottleDegrees, bar.bottom(), bar.top());
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 6, y - 8, 40, 16), Qt::AlignLeft | Qt::AlignVCenter, QString::number(degrees));
    }
}

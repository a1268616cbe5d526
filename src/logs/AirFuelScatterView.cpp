#include "logs/AirFuelScatterView.h"

#include "logs/PlotDecimation.h"
#include "logs/TunerCells.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QColorAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using logs::Channel;

namespace {

constexpr double FullScaleVolts = 5.0;
constexpr int MarkerPixels = 3;
// Points closer than this on the screen are one point to the eye: one per band is kept.
constexpr int ThinningPixels = 2;

const QColor BandShade(238, 238, 246);
const QColor GridColour(225, 225, 225);
const QColor TargetColour(0, 130, 0);
// The suggestion stands apart from the throttle colours and the target.
const QColor SuggestionColour(200, 0, 160);
const QColor NoAngleColour(60, 60, 60);

QImage markerImage(const QColor& colour)
{
    QImage marker(MarkerPixels, MarkerPixels, QImage::Format_ARGB32_Premultiplied);
    marker.fill(colour);
    return marker;
}

} // namespace

AirFuelScatterView::AirFuelScatterView(const logs::DataLog& log, QWidget* parent) : QWidget(parent), log_(log)
{
    setObjectName(QStringLiteral("AirFuelScatterView"));
    setMinimumSize(360, 260);
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

    chart_ = new QChart;
    chart_->setMargins(QMargins(4, 4, 4, 4));
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignTop);
    view_ = new QChartView(chart_, this);
    view_->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    buildAxes();

    const bool hasAngle = log_.has(Channel::ThrottleAngle);
    const int bands = hasAngle ? plot_scale::ThrottleBandCount : 1;
    for (int band = 0; band < bands; ++band) {
        auto* series = new QLineSeries;
        series->setPen(Qt::NoPen);
        series->setPointsVisible(true);
        series->setMarkerSize(MarkerPixels);
        series->setLightMarker(markerImage(hasAngle ? plot_scale::ThrottleBandColour(band) : NoAngleColour));
        series->setName(hasAngle ? tr("throttle %1 to %2 deg")
                                       .arg(band * plot_scale::ThrottleBandDegrees)
                                       .arg((band + 1) * plot_scale::ThrottleBandDegrees)
                                 : tr("samples (no throttle angle in this log)"));
        addSeries(series);
        // The colour scale tells the bands apart; the legend needs them only without it.
        if (hasAngle) {
            for (QLegendMarker* marker : chart_->legend()->markers(series))
                marker->setVisible(false);
        }
        bands_.push_back(series);
    }
    targetLine_ = new QLineSeries;
    targetLine_->setPen(QPen(TargetColour, 2, Qt::DashLine));
    addSeries(targetLine_);
    setTargetAirFuel(target_);

    // The thinning depends on the plot's size in pixels.
    connect(chart_, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
        if (area.size().toSize() != thinnedFor_)
            showPoints();
    });
    showPoints();
}

void AirFuelScatterView::buildAxes()
{
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));

    cells_ = new QCategoryAxis;
    cells_->setStartValue(0);
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
        cells_->append(QString::number(tuner_cells::CellCaptionVolts(cell), 'f', 2), tuner_cells::CellUpperVolts(cell));
    cells_->setRange(0, FullScaleVolts);
    cells_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    cells_->setLabelsFont(small);
    cells_->setShadesVisible(true);
    cells_->setShadesPen(Qt::NoPen);
    cells_->setShadesBrush(BandShade);
    cells_->setGridLineVisible(false);
    cells_->setLineVisible(false);
    cells_->setTitleText(tr("bands: the tuner's cells, captioned with their voltage"));
    cells_->setTitleFont(small);
    chart_->addAxis(cells_, Qt::AlignBottom);

    volts_ = new QValueAxis;
    volts_->setRange(0, FullScaleVolts);
    volts_->setTickType(QValueAxis::TicksDynamic);
    volts_->setTickAnchor(0);
    volts_->setTickInterval(0.5);
    volts_->setLabelFormat(QStringLiteral("%.1f"));
    volts_->setGridLineColor(GridColour);
    volts_->setTitleText(tr("MAF input [volts]"));
    chart_->addAxis(volts_, Qt::AlignBottom);

    airFuelAxis_ = new QValueAxis;
    airFuelAxis_->setRange(airFuel_.lo, airFuel_.hi);
    const double step = plot_scale::NiceStep(airFuel_.hi - airFuel_.lo, 8);
    airFuelAxis_->setTickType(QValueAxis::TicksDynamic);
    airFuelAxis_->setTickAnchor(0);
    airFuelAxis_->setTickInterval(step);
    airFuelAxis_->setLabelFormat(QStringLiteral("%.%1f").arg(plot_scale::TickText(step, step).section('.', 1).size()));
    airFuelAxis_->setGridLineColor(GridColour);
    airFuelAxis_->setTitleText(tr("A/F [:1]"));
    chart_->addAxis(airFuelAxis_, Qt::AlignLeft);

    if (log_.has(Channel::ThrottleAngle)) {
        throttle_ = new QColorAxis;
        throttle_->setRange(0, plot_scale::FullThrottleDegrees);
        throttle_->setTickCount(4);
        // Hard steps, one per band, as the points are coloured.
        QLinearGradient gradient(QPointF(0, 0), QPointF(0, 1));
        for (int band = 0; band < plot_scale::ThrottleBandCount; ++band) {
            const QColor colour = plot_scale::ThrottleBandColour(band);
            gradient.setColorAt(static_cast<double>(band) / plot_scale::ThrottleBandCount, colour);
            gradient.setColorAt((band + 1.0) / plot_scale::ThrottleBandCount - 1e-4, colour);
        }
        throttle_->setGradient(gradient);
        throttle_->setTitleText(tr("Throttle [deg]"));
        chart_->addAxis(throttle_, Qt::AlignRight);
    }
}

void AirFuelScatterView::addSeries(QXYSeries* series)
{
    chart_->addSeries(series);
    series->attachAxis(volts_);
    series->attachAxis(airFuelAxis_);
}

void AirFuelScatterView::setSuggestion(const QList<QPointF>& points, const QString& name)
{
    if (!suggestion_) {
        suggestion_ = new QLineSeries;
        suggestion_->setPen(QPen(SuggestionColour, 2));
        suggestion_->setPointsVisible(true);
        suggestion_->setMarkerSize(8);
        addSeries(suggestion_);
    }
    suggestion_->replace(points);
    suggestion_->setName(name);
    suggestion_->setVisible(!points.isEmpty());
}

QList<QPointF> AirFuelScatterView::suggestionPoints() const
{
    return suggestion_ && suggestion_->isVisible() ? suggestion_->points() : QList<QPointF>{};
}

void AirFuelScatterView::setFilter(const logs::SampleFilter& filter)
{
    filter_ = filter;
    showPoints();
}

void AirFuelScatterView::setTargetAirFuel(double ratio)
{
    target_ = ratio;
    targetLine_->replace(QList<QPointF>{{0, ratio}, {FullScaleVolts, ratio}});
    targetLine_->setName(tr("target A/F %1").arg(ratio, 0, 'f', 1));
}

// Every sample that passes is in the plot; the chart is handed one point per
// marker-sized cell and band, which draws the same picture at a fraction of
// the cost (a long log has a hundred thousand points).
void AirFuelScatterView::showPoints()
{
    pointsDrawn_ = 0;
    pointsHanded_ = 0;
    const QRectF area = chart_->plotArea();
    thinnedFor_ = area.size().toSize();
    std::vector<plot_decimation::GroupedPoint> points;
    if (log_.has(Channel::MafIn) && log_.has(Channel::AirFuel)) {
        const std::vector<double>& volts = log_.column(Channel::MafIn);
        const std::vector<double>& airFuel = log_.column(Channel::AirFuel);
        const bool hasAngle = log_.has(Channel::ThrottleAngle);
        const std::size_t end = filter_.end(log_);
        points.reserve(end - std::min(end, filter_.first(log_)));
        for (std::size_t i = filter_.first(log_); i < end; ++i) {
            if (std::isnan(airFuel[i]) || !filter_.passes(log_, i))
                continue;
            const int band = hasAngle ? plot_scale::ThrottleBand(log_.value(Channel::ThrottleAngle, i)) : 0;
            points.push_back({volts[i], airFuel[i], band});
        }
    }
    pointsDrawn_ = static_cast<int>(points.size());
    const plot_decimation::Grid grid{0,
                                     FullScaleVolts,
                                     airFuel_.lo,
                                     airFuel_.hi,
                                     std::max(1, static_cast<int>(area.width()) / ThinningPixels),
                                     std::max(1, static_cast<int>(area.height()) / ThinningPixels)};
    const std::vector<QList<QPointF>> kept =
        plot_decimation::ThinScatter(points, grid, static_cast<int>(bands_.size()));
    for (std::size_t band = 0; band < bands_.size(); ++band) {
        bands_[band]->replace(kept[band]);
        pointsHanded_ += static_cast<int>(kept[band].size());
    }
    chart_->setTitle(logs::Counted(pointsDrawn_, tr("sample"), tr("samples")) + tr(" shown"));
}

QPointF AirFuelScatterView::pointFor(double volts, double airFuel) const
{
    const QPointF inScene = chart_->mapToPosition(QPointF(volts, airFuel), targetLine_);
    return view_->viewport()->mapTo(this, view_->mapFromScene(inScene));
}

void AirFuelScatterView::paintView(QPainter& painter)
{
    // The widget's own render, not the graphics view's scene render.
    static_cast<QWidget*>(view_)->render(&painter, view_->pos());
}

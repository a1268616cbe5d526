#include "logs/CellChartView.h"

#include "logs/TunerCells.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

const QColor BarColour(60, 120, 200);
const QColor TooFewColour(185, 185, 185);
const QColor MedianColour(0, 70, 160);
const QColor TargetColour(0, 130, 0);
const QColor GridColour(225, 225, 225);

QChart* plainChart()
{
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(0, 4, 8, 4));
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

QString labelFormat(double step)
{
    return QStringLiteral("%.%1f").arg(plot_scale::TickText(step, step).section('.', 1).size());
}

} // namespace

CellChartView::CellChartView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CellChartView"));
    setMinimumSize(360, 240);
    QStringList captions;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
        captions << QString::number(tuner_cells::CellCaptionVolts(cell), 'f', 2);
    buildAirFuelChart(captions);
    buildCountChart(captions);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QChartView* view : {airFuelView_, countView_}) {
        view->setFrameShape(QFrame::NoFrame);
        layout->addWidget(view, 1);
    }
    setTable(table_);
    for (QChart* chart : {airFuelChart_, countChart_})
        connect(chart, &QChart::plotAreaChanged, this, &CellChartView::alignPlots);
}

void CellChartView::buildAirFuelChart(const QStringList& captions)
{
    airFuelChart_ = plainChart();
    airFuelChart_->setTitle(tr("A/F per cell; grey: fewer than %1 samples").arg(logs::TooFewSamples));
    airFuelCells_ = new QBarCategoryAxis;
    airFuelCells_->append(captions);
    airFuelCells_->setLabelsVisible(false);
    airFuelCells_->setGridLineColor(GridColour);
    airFuelAxis_ = new QValueAxis;
    airFuelAxis_->setGridLineColor(GridColour);
    airFuelAxis_->setTitleText(tr("A/F [:1]"));
    airFuelChart_->addAxis(airFuelCells_, Qt::AlignBottom);
    airFuelChart_->addAxis(airFuelAxis_, Qt::AlignLeft);

    ranges_ = new QBoxPlotSeries;
    ranges_->setName(tr("lowest to highest"));
    ranges_->setBoxWidth(0.4);
    ranges_->setPen(QPen(MedianColour, 2));
    ranges_->setBrush(MedianColour); // the boxes have no height: this colours the legend
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        auto* set = new QBoxSet;
        for (int value = 0; value < 5; ++value)
            set->append(0);
        ranges_->append(set);
    }
    medians_ = new QScatterSeries;
    medians_->setName(tr("median"));
    tooFewMedians_ = new QScatterSeries;
    tooFewMedians_->setName(tr("median of too few"));
    for (auto [series, colour] : {std::pair{medians_, MedianColour}, std::pair{tooFewMedians_, TooFewColour}}) {
        series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(9);
        series->setColor(colour);
        series->setBorderColor(colour.darker(130));
    }
    targetLine_ = new QLineSeries;
    targetLine_->setPen(QPen(TargetColour, 2, Qt::DashLine));
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{ranges_, targetLine_, medians_, tooFewMedians_}) {
        airFuelChart_->addSeries(series);
        series->attachAxis(airFuelCells_);
        series->attachAxis(airFuelAxis_);
    }
    airFuelView_ = new QChartView(airFuelChart_, this);
    setAirFuelRange(airFuel_);
    setTargetAirFuel(target_);
}

void CellChartView::buildCountChart(const QStringList& captions)
{
    countChart_ = plainChart();
    countCells_ = new QBarCategoryAxis;
    countCells_->append(captions);
    countCells_->setGridLineVisible(false);
    countCells_->setTitleText(tr("MAF input [volts]: the tuner's cells"));
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
    countCells_->setLabelsFont(small);
    countAxis_ = new QValueAxis;
    countAxis_->setGridLineColor(GridColour);
    countAxis_->setLabelFormat(QStringLiteral("%.0f"));
    countAxis_->setTitleText(tr("samples"));
    countChart_->addAxis(countCells_, Qt::AlignBottom);
    countChart_->addAxis(countAxis_, Qt::AlignLeft);

    // Each cell's count is in one of the two sets, the other holds 0 there.
    auto* bars = new QStackedBarSeries;
    bars->setBarWidth(0.7);
    enough_ = new QBarSet(tr("samples with an A/F"));
    enough_->setColor(BarColour);
    enough_->setBorderColor(BarColour.darker(130));
    tooFew_ = new QBarSet(tr("too few (under %1)").arg(logs::TooFewSamples));
    tooFew_->setBrush(QBrush(TooFewColour.darker(110), Qt::Dense4Pattern));
    tooFew_->setBorderColor(TooFewColour.darker(150));
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        enough_->append(0);
        tooFew_->append(0);
    }
    bars->append(enough_);
    bars->append(tooFew_);
    tooFewLine_ = new QLineSeries;
    tooFewLine_->setName(tr("%1 samples").arg(logs::TooFewSamples));
    tooFewLine_->setPen(QPen(TooFewColour.darker(140), 1, Qt::DotLine));
    tooFewLine_->replace(
        QList<QPointF>{{-0.5, logs::TooFewSamples}, {tuner_cells::CellCount - 0.5, logs::TooFewSamples}});
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{bars, tooFewLine_}) {
        countChart_->addSeries(series);
        series->attachAxis(countCells_);
        series->attachAxis(countAxis_);
    }
    countView_ = new QChartView(countChart_, this);
}

void CellChartView::setTable(const logs::CellTable& table)
{
    table_ = table;
    QList<QPointF> medians;
    QList<QPointF> tooFewMedians;
    int most = logs::TooFewSamples;
    const QList<QBoxSet*> sets = ranges_->boxSets();
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const logs::CellStats& stats = table_.cells[cell];
        QBoxSet* set = sets[cell];
        const QColor colour = stats.tooFew() ? TooFewColour : MedianColour;
        if (stats.samples == 0) {
            // Nothing to draw: the set lies below the A/F axis, where the chart clips it.
            const double hidden = airFuel_.lo - (airFuel_.hi - airFuel_.lo);
            for (const int value : {QBoxSet::LowerExtreme, QBoxSet::LowerQuartile, QBoxSet::Median,
                                    QBoxSet::UpperQuartile, QBoxSet::UpperExtreme})
                set->setValue(value, hidden);
        } else {
            set->setValue(QBoxSet::LowerExtreme, stats.minimum);
            set->setValue(QBoxSet::LowerQuartile, stats.median);
            set->setValue(QBoxSet::Median, stats.median);
            set->setValue(QBoxSet::UpperQuartile, stats.median);
            set->setValue(QBoxSet::UpperExtreme, stats.maximum);
            (stats.tooFew() ? tooFewMedians : medians).append(QPointF(cell, stats.median));
        }
        set->setPen(QPen(colour, 2));
        set->setBrush(colour);
        enough_->replace(cell, stats.tooFew() ? 0 : stats.samples);
        tooFew_->replace(cell, stats.tooFew() ? stats.samples : 0);
        most = std::max(most, stats.samples);
    }
    medians_->replace(medians);
    tooFewMedians_->replace(tooFewMedians);

    const double step = plot_scale::NiceStep(most, 5);
    countAxis_->setRange(0, std::ceil(most / step) * step);
    countAxis_->setTickType(QValueAxis::TicksDynamic);
    countAxis_->setTickAnchor(0);
    countAxis_->setTickInterval(step);
    countChart_->setTitle(
        tr("Samples with an A/F per cell (%1 without an A/F, not counted)").arg(table_.withoutReading));
}

void CellChartView::setAirFuelRange(plot_scale::Range range)
{
    airFuel_ = range;
    airFuelAxis_->setRange(range.lo, range.hi);
    const double step = plot_scale::NiceStep(range.hi - range.lo, 6);
    airFuelAxis_->setTickType(QValueAxis::TicksDynamic);
    airFuelAxis_->setTickAnchor(0);
    airFuelAxis_->setTickInterval(step);
    airFuelAxis_->setLabelFormat(labelFormat(step));
}

void CellChartView::setTargetAirFuel(double ratio)
{
    target_ = ratio;
    targetLine_->replace(QList<QPointF>{{-0.5, ratio}, {tuner_cells::CellCount - 0.5, ratio}});
    targetLine_->setName(tr("target A/F %1").arg(ratio, 0, 'f', 1));
}

void CellChartView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    resizeCaptions();
}

// The captions are turned upright when the cells are too narrow for them side by side.
void CellChartView::resizeCaptions()
{
    const double plotWidth = countChart_->plotArea().width();
    const QFontMetrics metrics(countCells_->labelsFont());
    const bool upright = plotWidth / tuner_cells::CellCount < metrics.horizontalAdvance(QStringLiteral("0.00")) + 4;
    if (upright != (countCells_->labelsAngle() != 0))
        countCells_->setLabelsAngle(upright ? -90 : 0);
}

// The A/F and the count labels take different room at the left; the chart
// with the narrower ones gets the difference as margin, so the cells line up.
void CellChartView::alignPlots()
{
    const double airFuelLabels = airFuelChart_->plotArea().left() - airFuelChart_->margins().left();
    const double countLabels = countChart_->plotArea().left() - countChart_->margins().left();
    const double labels = std::max(airFuelLabels, countLabels);
    resizeCaptions();
    for (auto [chart, own] : {std::pair{airFuelChart_, airFuelLabels}, std::pair{countChart_, countLabels}}) {
        QMargins margins = chart->margins();
        const int wanted = static_cast<int>(std::lround(labels - own));
        if (margins.left() != wanted) {
            margins.setLeft(wanted);
            chart->setMargins(margins);
        }
    }
}

void CellChartView::paintView(QPainter& painter) const
{
    static_cast<QWidget*>(airFuelView_)->render(&painter, airFuelView_->pos());
    static_cast<QWidget*>(countView_)->render(&painter, countView_->pos());
}

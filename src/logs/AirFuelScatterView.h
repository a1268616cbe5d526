#pragma once

#include "logs/DataLog.h"
#include "logs/PlotScale.h"
#include "logs/SampleFilter.h"

#include <QWidget>

#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QColorAxis;
class QLineSeries;
class QValueAxis;
class QXYSeries;

// A/F against MAF input volts: a point per sample that passes the filter,
// coloured by throttle angle (a colour scale at the right says how), over the
// tuner's 25 cells drawn as bands with their voltage captions, and a target
// A/F line. A Qt Charts chart; more lines over the same axes (a suggested
// correction, say) are added with addSeries() and appear in the legend.
class AirFuelScatterView final : public QWidget {
    Q_OBJECT
public:
    explicit AirFuelScatterView(const logs::DataLog& log, QWidget* parent = nullptr);

    void setFilter(const logs::SampleFilter& filter);
    void setTargetAirFuel(double ratio);
    double targetAirFuel() const { return target_; }
    // The A/F scale: shared with the cell chart so the two read alike.
    plot_scale::Range airFuelRange() const { return airFuel_; }

    // Another series in volts (x) and A/F (y); the chart takes it, draws it
    // over the samples and names it in the legend.
    void addSeries(QXYSeries* series);
    QChart* chart() const { return chart_; }

    // The auto-tune suggestion over the samples: each cell's median A/F at
    // its caption volts, named in the legend; no points hides it.
    void setSuggestion(const QList<QPointF>& points, const QString& name);
    QList<QPointF> suggestionPoints() const;

    // Samples with an A/F that pass the filter: every one is in the plot.
    int pointsDrawn() const { return pointsDrawn_; }
    // Points handed to the chart for them: one per marker-sized cell and
    // throttle band, as many as the screen can tell apart.
    int pointsHanded() const { return pointsHanded_; }

    // Where a reading is drawn, in this widget.
    QPointF pointFor(double volts, double airFuel) const;

    void paintView(QPainter& painter);

private:
    void buildAxes();
    void showPoints();

    const logs::DataLog& log_;
    logs::SampleFilter filter_;
    double target_ = 14.7;
    plot_scale::Range airFuel_{10, 20};
    int pointsDrawn_ = 0;
    int pointsHanded_ = 0;
    QSize thinnedFor_;

    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QValueAxis* volts_ = nullptr;
    QCategoryAxis* cells_ = nullptr;
    QValueAxis* airFuelAxis_ = nullptr;
    QColorAxis* throttle_ = nullptr;
    std::vector<QLineSeries*> bands_; // the samples, one series per throttle band
    QLineSeries* targetLine_ = nullptr;
    QLineSeries* suggestion_ = nullptr;
};

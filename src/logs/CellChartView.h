#pragma once

#include "logs/CellStatistics.h"
#include "logs/PlotScale.h"

#include <QWidget>

class QBarCategoryAxis;
class QBarSet;
class QBoxPlotSeries;
class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The cells as Qt Charts charts: above, each cell's median A/F (a dot) with
// whiskers from its lowest to its highest reading and the target; below, how
// many samples with an A/F each cell got as bars. Cells with too few samples
// are grey, their bars hatched.
class CellChartView final : public QWidget {
    Q_OBJECT
public:
    explicit CellChartView(QWidget* parent = nullptr);

    void setTable(const logs::CellTable& table);
    void setAirFuelRange(plot_scale::Range range);
    void setTargetAirFuel(double ratio);

    QChart* airFuelChart() const { return airFuelChart_; }
    QChart* countChart() const { return countChart_; }
    // The bars: samples of cells with enough of them, and of those with too few.
    QBarSet* enoughBars() const { return enough_; }
    QBarSet* tooFewBars() const { return tooFew_; }

    void paintView(QPainter& painter) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildAirFuelChart(const QStringList& captions);
    void buildCountChart(const QStringList& captions);
    void alignPlots();
    void resizeCaptions();

    logs::CellTable table_;
    plot_scale::Range airFuel_{10, 20};
    double target_ = 14.7;

    QChartView* airFuelView_ = nullptr;
    QChart* airFuelChart_ = nullptr;
    QBarCategoryAxis* airFuelCells_ = nullptr;
    QValueAxis* airFuelAxis_ = nullptr;
    QBoxPlotSeries* ranges_ = nullptr;
    QScatterSeries* medians_ = nullptr;
    QScatterSeries* tooFewMedians_ = nullptr;
    QLineSeries* targetLine_ = nullptr;

    QChartView* countView_ = nullptr;
    QChart* countChart_ = nullptr;
    QBarCategoryAxis* countCells_ = nullptr;
    QValueAxis* countAxis_ = nullptr;
    QBarSet* enough_ = nullptr;
    QBarSet* tooFew_ = nullptr;
    QLineSeries* tooFewLine_ = nullptr;
};

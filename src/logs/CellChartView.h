#pragma once

#include "logs/CellStatistics.h"
#include "logs/PlotScale.h"

#include <QWidget>

// The cells as pictures: above, each cell's median A/F with a line from its
// lowest to its highest reading and the target; below, how many samples with
// an A/F each cell got. Cells with too few samples are drawn grey.
class CellChartView final : public QWidget {
    Q_OBJECT
public:
    explicit CellChartView(QWidget* parent = nullptr);

    void setTable(const logs::CellTable& table);
    void setAirFuelRange(plot_scale::Range range);
    void setTargetAirFuel(double ratio);

    void paintView(QPainter& painter) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double cellCentre(int cell, const QRectF& plot) const;
    void drawAirFuel(QPainter& painter, const QRectF& area) const;
    void drawCounts(QPainter& painter, const QRectF& area) const;

    logs::CellTable table_;
    plot_scale::Range airFuel_{10, 20};
    double target_ = 14.7;
};

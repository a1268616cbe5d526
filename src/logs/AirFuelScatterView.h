#pragma once

#include "logs/DataLog.h"
#include "logs/PlotScale.h"
#include "logs/SampleFilter.h"

#include <QWidget>

// A/F against MAF input volts: a point per sample that passes the filter,
// coloured by throttle angle, over the tuner's 25 cells drawn as bands with
// their voltage captions, and a target A/F line.
class AirFuelScatterView final : public QWidget {
    Q_OBJECT
public:
    explicit AirFuelScatterView(const logs::DataLog& log, QWidget* parent = nullptr);

    void setFilter(const logs::SampleFilter& filter);
    void setTargetAirFuel(double ratio);
    double targetAirFuel() const { return target_; }
    // The A/F scale: shared with the cell chart so the two read alike.
    plot_scale::Range airFuelRange() const { return airFuel_; }

    // Points drawn at the last paint (samples with an A/F that pass the filter).
    int pointsDrawn() const { return pointsDrawn_; }

    // Where a reading is drawn, in this widget.
    QPointF pointFor(double volts, double airFuel) const;

    void paintView(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF plotRect() const;
    void drawBands(QPainter& painter, const QRectF& plot) const;
    void drawPoints(QPainter& painter, const QRectF& plot);
    void drawLegend(QPainter& painter, const QRectF& plot) const;

    const logs::DataLog& log_;
    logs::SampleFilter filter_;
    double target_ = 14.7;
    plot_scale::Range airFuel_{10, 20};
    int pointsDrawn_ = 0;
};

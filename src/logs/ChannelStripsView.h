#pragma once

#include "logs/DataLog.h"
#include "logs/SampleFilter.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCategoryAxis;
class QChart;
class QGraphicsItem;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class QGraphicsView;
class QLineSeries;
class QValueAxis;

// The log's channels over time, one chart strip each on a shared time axis:
// the wheel zooms around the mouse, a drag pans, a click puts the cursor on
// the nearest sample, a drag with Shift (or the right button) selects a
// stretch of time, a double click shows the whole log again. User time
// stamps are marked lines across every strip. The strips are Qt Charts
// charts in one scene; the cursor, the stretch and the stamps lie over them.
class ChannelStripsView final : public QWidget {
    Q_OBJECT
public:
    explicit ChannelStripsView(const logs::DataLog& log, QWidget* parent = nullptr);
    ~ChannelStripsView() override;

    void setChannels(const std::vector<logs::Channel>& channels);
    const std::vector<logs::Channel>& channels() const { return channels_; }

    // The stretch of the log shown, in seconds.
    void setVisibleRange(double from, double to);
    double visibleFrom() const { return from_; }
    double visibleTo() const { return to_; }
    void showWholeLog();
    // factor < 1 zooms in, keeping `around` where it is on the screen.
    void zoom(double factor, double around);

    void setCursorSample(std::size_t sample);
    std::size_t cursorSample() const { return cursor_; }

    void setSelection(const std::optional<logs::TimeRange>& range);
    const std::optional<logs::TimeRange>& selection() const { return selection_; }

    // Where a time is drawn (x in this widget) and back.
    double xForSeconds(double seconds) const;
    double secondsForX(double x) const;

    // The chart of the i-th strip from the top.
    QChart* stripChart(int index) const;
    // Points handed to the charts at the last refresh, all strips together.
    int pointsShown() const { return pointsShown_; }

    // Draws the view into any painter, the size of this widget.
    void paintView(QPainter& painter) const;

signals:
    void cursorMoved(std::size_t sample);
    void selectionChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, Pending, Panning, Selecting };

    struct Strip {
        logs::Channel channel;
        QChart* chart;
        QValueAxis* values;
        QCategoryAxis* time;
        QGraphicsSimpleTextItem* caption;
        std::vector<QLineSeries*> lines; // one per unbroken run of the line
    };
    struct StampMark {
        QGraphicsLineItem* line;
        QGraphicsItem* flag;
        QGraphicsSimpleTextItem* text;
    };

    QRectF plotRect() const;
    QRectF stripRect(int index) const;
    void buildStrips();
    void layoutStrips();
    void refresh();
    void refreshStrip(Strip& strip, const std::vector<std::pair<double, QString>>& ticks);
    void placeOverlays();
    void clampRange();

    const logs::DataLog& log_;
    std::vector<logs::Channel> channels_;
    std::array<std::pair<double, double>, logs::ChannelCount> valueRange_{};
    double logStart_ = 0;
    double logEnd_ = 1;
    double from_ = 0;
    double to_ = 1;
    std::size_t cursor_ = 0;
    std::optional<logs::TimeRange> selection_;
    int pointsShown_ = 0;

    QGraphicsScene* scene_ = nullptr;
    QGraphicsView* canvas_ = nullptr;
    std::vector<Strip> strips_;
    QGraphicsRectItem* selectionBox_ = nullptr;
    QGraphicsLineItem* cursorLine_ = nullptr;
    QGraphicsSimpleTextItem* emptyText_ = nullptr;
    std::vector<StampMark> stampMarks_;

    Drag drag_ = Drag::None;
    double pressX_ = 0;
    double pressFrom_ = 0;
    double pressTo_ = 0;
};

#include "logs/ChannelStripsView.h"

#include "logs/PlotDecimation.h"
#include "logs/PlotScale.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using logs::Channel;

namespace {

constexpr double LeftMargin = 78;
constexpr double RightMargin = 12;
constexpr double TopMargin = 20;    // room for the time stamps' labels
constexpr double BottomMargin = 24; // the time axis
constexpr double StripGap = 6;
constexpr double ClickSlop = 4;      // pixels a click may move and stay a click
constexpr double WheelZoom = 0.8;    // per notch
constexpr double ShortestSpan = 0.5; // seconds

// Stacking of the scene's items: the charts, then the stretch, the stamps and the cursor.
constexpr double SelectionLayer = 10;
constexpr double StampLayer = 11;
constexpr double CursorLayer = 12;

const QColor CursorColour(200, 0, 0);
const QColor StampColour(200, 110, 0);
const QColor SelectionColour(60, 120, 220, 50);
const QColor LineColour(0, 70, 160);
const QColor FrameColour(160, 160, 160);
const QColor GridColour(230, 230, 230);

QFont smallerFont(const QFont& font)
{
    QFont small = font;
    small.setPointSizeF(std::max(6.0, font.pointSizeF() - 1));
    return small;
}

} // namespace

ChannelStripsView::ChannelStripsView(const logs::DataLog& log, QWidget* parent) : QWidget(parent), log_(log)
{
    setObjectName(QStringLiteral("ChannelStripsView"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);

    for (const Channel c : logs::AllChannels()) {
        double lo = INFINITY;
        double hi = -INFINITY;
        for (const double v : log.column(c)) {
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        const double minSpan = std::pow(10.0, -log.decimals[static_cast<int>(c)]) * 10;
        const plot_scale::Range range = plot_scale::RoundedRange(lo, hi, std::max(minSpan, 0.01));
        valueRange_[static_cast<int>(c)] = {range.lo, range.hi};
    }
    if (!log.seconds.empty()) {
        logStart_ = log.seconds.front();
        logEnd_ = log.seconds.back();
    }
    for (const logs::UserStamp& stamp : log.stamps) {
        logStart_ = std::min(logStart_, stamp.seconds);
        logEnd_ = std::max(logEnd_, stamp.seconds);
    }
    if (logEnd_ - logStart_ < 1)
        logEnd_ = logStart_ + 1;
    from_ = logStart_;
    to_ = logEnd_;

    // The charts draw; this widget takes the mouse and the keys.
    scene_ = new QGraphicsScene(this);
    canvas_ = new QGraphicsView(scene_, this);
    canvas_->setFrameShape(QFrame::NoFrame);
    canvas_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    canvas_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    canvas_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    canvas_->setInteractive(false);
    canvas_->setFocusPolicy(Qt::NoFocus);
    canvas_->setAttribute(Qt::WA_TransparentForMouseEvents);
    canvas_->setBackgroundBrush(palette().window());

    selectionBox_ = scene_->addRect(QRectF(), Qt::NoPen, SelectionColour);
    selectionBox_->setZValue(SelectionLayer);
    selectionBox_->hide();
    cursorLine_ = scene_->addLine(QLineF(), QPen(CursorColour, 1));
    cursorLine_->setZValue(CursorLayer);
    emptyText_ = scene_->addSimpleText(tr("No samples in this log."));
    emptyText_->hide();
    const QPen dashed(StampColour, 1, Qt::DashLine);
    for (const logs::UserStamp& stamp : log_.stamps) {
        StampMark mark{};
        mark.line = scene_->addLine(QLineF(), dashed);
        QPolygonF flag;
        flag << QPointF(0, 0) << QPointF(-5, -7) << QPointF(5, -7);
        mark.flag = scene_->addPolygon(flag, Qt::NoPen, StampColour);
        mark.text = scene_->addSimpleText(stamp.timeText, smallerFont(font()));
        mark.text->setBrush(StampColour);
        for (QGraphicsItem* item :
             {static_cast<QGraphicsItem*>(mark.line), mark.flag, static_cast<QGraphicsItem*>(mark.text)})
            item->setZValue(StampLayer);
        stampMarks_.push_back(mark);
    }
}

ChannelStripsView::~ChannelStripsView()
{
    // The charts hold series and axes that the scene deletes with them.
    delete canvas_;
    delete scene_;
}

void ChannelStripsView::setChannels(const std::vector<Channel>& channels)
{
    channels_.clear();
    for (const Channel c : channels) {
        if (log_.has(c))
            channels_.push_back(c);
    }
    buildStrips();
    layoutStrips();
}

QChart* ChannelStripsView::stripChart(int index) const
{
    return index >= 0 && index < static_cast<int>(strips_.size()) ? strips_[index].chart : nullptr;
}

void ChannelStripsView::buildStrips()
{
    for (Strip& strip : strips_) {
        scene_->removeItem(strip.chart);
        delete strip.chart;
    }
    strips_.clear();
    const QFont small = smallerFont(font());
    QFont bold = font();
    bold.setBold(true);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Strip strip{channels_[i], new QChart, new QValueAxis, new QCategoryAxis, nullptr, {}};
        QChart* chart = strip.chart;
        chart->legend()->hide();
        chart->setBackgroundVisible(false);
        chart->setBackgroundRoundness(0);
        chart->setMargins(QMargins());
        chart->layout()->setContentsMargins(0, 0, 0, 0);
        chart->setPlotAreaBackgroundVisible(true);
        chart->setPlotAreaBackgroundBrush(Qt::white);
        chart->setPlotAreaBackgroundPen(QPen(FrameColour));
        chart->setMinimumSize(1, 1);

        const auto [lo, hi] = valueRange_[static_cast<int>(strip.channel)];
        strip.values->setRange(lo, hi);
        strip.values->setTickType(QValueAxis::TicksDynamic);
        strip.values->setTickAnchor(0);
        strip.values->setTickInterval(plot_scale::NiceStep(hi - lo, 3));
        strip.values->setLabelsFont(small);
        strip.values->setLabelsColor(Qt::darkGray);
        strip.values->setGridLineColor(GridColour);
        strip.values->setLineVisible(false);
        strip.time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        strip.time->setLabelsVisible(i + 1 == channels_.size());
        strip.time->setGridLineColor(GridColour);
        strip.time->setLineVisible(false);
        chart->addAxis(strip.time, Qt::AlignBottom);
        chart->addAxis(strip.values, Qt::AlignLeft);

        const logs::ChannelInfo& info = logs::Info(strip.channel);
        strip.caption = new QGraphicsSimpleTextItem(QStringLiteral("%1 [%2]").arg(info.name, info.unit), chart);
        strip.caption->setFont(bold);
        strip.caption->setZValue(SelectionLayer);
        scene_->addItem(chart);
        strips_.push_back(strip);
    }
}

void ChannelStripsView::resizeEvent(QResizeEvent*)
{
    layoutStrips();
}

// Every strip's plot area sits exactly where stripRect() says, whatever room
// its labels take, so the time axis lines up down the view: each chart is
// laid out once, then moved and sized by the room its axes took.
void ChannelStripsView::layoutStrips()
{
    canvas_->setGeometry(rect());
    scene_->setSceneRect(rect());
    for (int i = 0; i < static_cast<int>(strips_.size()); ++i) {
        Strip& strip = strips_[i];
        const QRectF area = stripRect(i);
        const auto [lo, hi] = valueRange_[static_cast<int>(strip.channel)];
        const double step = plot_scale::NiceStep(hi - lo, std::max(1, static_cast<int>(area.height() / 22)));
        strip.values->setTickInterval(step);
        strip.values->setLabelFormat(
            QStringLiteral("%.%1f").arg(plot_scale::TickText(step, step).section('.', 1).size()));
        strip.chart->setGeometry(QRectF(0, area.top(), width(), area.height() + BottomMargin));
        strip.chart->layout()->activate();
        const QRectF natural = strip.chart->plotArea();
        const QSizeF size = strip.chart->size();
        strip.chart->setGeometry(QRectF(area.left() - natural.left(), area.top() - natural.top(),
                                        area.width() + size.width() - natural.width(),
                                        area.height() + size.height() - natural.height()));
        strip.chart->layout()->activate();
        strip.caption->setPos(natural.left() + 6, natural.top() + 2);
    }
    refresh();
}

void ChannelStripsView::clampRange()
{
    const double whole = logEnd_ - logStart_;
    double span = std::clamp(to_ - from_, std::min(ShortestSpan, whole), whole);
    double from = std::clamp(from_, logStart_, logEnd_ - span);
    from_ = from;
    to_ = from + span;
}

void ChannelStripsView::setVisibleRange(double from, double to)
{
    from_ = std::min(from, to);
    to_ = std::max(from, to);
    clampRange();
    refresh();
}

void ChannelStripsView::showWholeLog()
{
    setVisibleRange(logStart_, logEnd_);
}

void ChannelStripsView::zoom(double factor, double around)
{
    const double from = around - (around - from_) * factor;
    const double to = around + (to_ - around) * factor;
    setVisibleRange(from, to);
}

void ChannelStripsView::setCursorSample(std::size_t sample)
{
    if (log_.size() == 0)
        return;
    cursor_ = std::min(sample, log_.size() - 1);
    placeOverlays();
    emit cursorMoved(cursor_);
}

void ChannelStripsView::setSelection(const std::optional<logs::TimeRange>& range)
{
    selection_ = range;
    placeOverlays();
    emit selectionChanged();
}

QRectF ChannelStripsView::plotRect() const
{
    return QRectF(LeftMargin, TopMargin, std::max(1.0, width() - LeftMargin - RightMargin),
                  std::max(1.0, height() - TopMargin - BottomMargin));
}

QRectF ChannelStripsView::stripRect(int index) const
{
    const QRectF plot = plotRect();
    const int count = std::max<int>(1, static_cast<int>(channels_.size()));
    const double height = (plot.height() - StripGap * (count - 1)) / count;
    return QRectF(plot.left(), plot.top() + index * (height + StripGap), plot.width(), height);
}

double ChannelStripsView::xForSeconds(double seconds) const
{
    const QRectF plot = plotRect();
    return plot_scale::Map(seconds, from_, to_, plot.left(), plot.right());
}

double ChannelStripsView::secondsForX(double x) const
{
    const QRectF plot = plotRect();
    return plot_scale::Map(x, plot.left(), plot.right(), from_, to_);
}

// The time axis ticks fall on whole times of day, not on whole seconds from
// the start; the charts get only the samples the pixels can show.
void ChannelStripsView::refresh()
{
    const QRectF plot = plotRect();
    const double step = plot_scale::TimeStep(to_ - from_, std::max(1, static_cast<int>(plot.width() / 90)));
    const double originOfDay = log_.origin.msecsSinceStartOfDay() / 1000.0;
    std::vector<std::pair<double, QString>> ticks;
    for (const double tick : plot_scale::Ticks(from_ + originOfDay, to_ + originOfDay, step))
        ticks.emplace_back(tick - originOfDay, log_.timeOfDay(tick - originOfDay, step < 1));
    pointsShown_ = 0;
    for (Strip& strip : strips_)
        refreshStrip(strip, ticks);
    placeOverlays();
}

void ChannelStripsView::refreshStrip(Strip& strip, const std::vector<std::pair<double, QString>>& ticks)
{
    for (const QString& label : strip.time->categoriesLabels())
        strip.time->remove(label);
    strip.time->setStartValue(from_);
    for (const auto& [seconds, label] : ticks) {
        if (seconds > from_ && !strip.time->categoriesLabels().contains(label))
            strip.time->append(label, seconds);
    }
    strip.time->setRange(from_, to_);

    std::size_t first = log_.firstSampleFrom(from_);
    if (first > 0)
        --first;
    const std::size_t end = std::min(log_.size(), log_.firstSampleFrom(to_) + 1);
    const std::vector<QList<QPointF>> runs =
        plot_decimation::LineRuns(log_.seconds, log_.column(strip.channel), first, end, from_, to_,
                                  static_cast<int>(std::ceil(plotRect().width())));
    while (strip.lines.size() < runs.size()) {
        auto* series = new QLineSeries;
        series->setPen(QPen(LineColour, 1));
        strip.chart->addSeries(series);
        series->attachAxis(strip.time);
        series->attachAxis(strip.values);
        strip.lines.push_back(series);
    }
    for (std::size_t i = 0; i < strip.lines.size(); ++i) {
        if (i < runs.size()) {
            strip.lines[i]->replace(runs[i]);
            pointsShown_ += static_cast<int>(runs[i].size());
        } else if (strip.lines[i]->count() > 0) {
            strip.lines[i]->clear();
        }
    }
}

void ChannelStripsView::placeOverlays()
{
    const QRectF plot = plotRect();
    const bool empty = log_.size() == 0;
    emptyText_->setVisible(empty);
    if (empty)
        emptyText_->setPos(plot.center() - emptyText_->boundingRect().center());

    if (selection_) {
        const double left = std::max(plot.left(), xForSeconds(selection_->from));
        const double right = std::min(plot.right(), xForSeconds(selection_->to));
        selectionBox_->setRect(QRectF(left, plot.top(), right - left, plot.height()));
        selectionBox_->setVisible(right > left);
    } else {
        selectionBox_->hide();
    }

    const double cursorX = empty ? -1 : xForSeconds(log_.seconds[cursor_]);
    cursorLine_->setLine(QLineF(cursorX, plot.top(), cursorX, plot.bottom()));
    cursorLine_->setVisible(!empty && cursorX >= plot.left() && cursorX <= plot.right());

    for (std::size_t i = 0; i < stampMarks_.size(); ++i) {
        const StampMark& mark = stampMarks_[i];
        const double x = xForSeconds(log_.stamps[i].seconds);
        const bool shown = x >= plot.left() && x <= plot.right();
        mark.line->setLine(QLineF(x, plot.top(), x, plot.bottom()));
        mark.flag->setPos(x, plot.top());
        mark.text->setPos(x + 7, (TopMargin - mark.text->boundingRect().height()) / 2);
        for (QGraphicsItem* item :
             {static_cast<QGraphicsItem*>(mark.line), mark.flag, static_cast<QGraphicsItem*>(mark.text)})
            item->setVisible(shown);
    }
}

void ChannelStripsView::paintView(QPainter& painter) const
{
    const QRectF area(0, 0, width(), height());
    painter.fillRect(area, palette().window());
    scene_->render(&painter, area, area);
}

// --- the mouse and keys ------------------------------------------------------

void ChannelStripsView::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0)
        zoom(std::pow(WheelZoom, notches), secondsForX(event->position().x()));
    event->accept();
}

void ChannelStripsView::mousePressEvent(QMouseEvent* event)
{
    pressX_ = event->position().x();
    pressFrom_ = from_;
    pressTo_ = to_;
    const bool select = event->button() == Qt::RightButton
        || (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    drag_ = select ? Drag::Selecting : event->button() == Qt::LeftButton ? Drag::Pending : Drag::None;
}

void ChannelStripsView::mouseMoveEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    if (drag_ == Drag::Pending && std::fabs(x - pressX_) > ClickSlop)
        drag_ = Drag::Panning;
    if (drag_ == Drag::Panning) {
        const double shift = (x - pressX_) * (pressTo_ - pressFrom_) / plotRect().width();
        setVisibleRange(pressFrom_ - shift, pressTo_ - shift);
    } else if (drag_ == Drag::Selecting) {
        const double a = secondsForX(pressX_);
        const double b = secondsForX(x);
        selection_ = logs::TimeRange{std::min(a, b), std::max(a, b)};
        placeOverlays();
    }
}

void ChannelStripsView::mouseReleaseEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    if (drag_ == Drag::Pending) {
        setCursorSample(log_.nearestSample(secondsForX(x)));
    } else if (drag_ == Drag::Selecting) {
        if (std::fabs(x - pressX_) <= ClickSlop) {
            setSelection(std::nullopt);
        } else {
            const double a = secondsForX(pressX_);
            const double b = secondsForX(x);
            setSelection(logs::TimeRange{std::min(a, b), std::max(a, b)});
        }
    }
    drag_ = Drag::None;
}

void ChannelStripsView::mouseDoubleClickEvent(QMouseEvent*)
{
    showWholeLog();
}

void ChannelStripsView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        if (cursor_ > 0)
            setCursorSample(cursor_ - 1);
        break;
    case Qt::Key_Right:
        setCursorSample(cursor_ + 1);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(WheelZoom, log_.size() > 0 ? log_.seconds[cursor_] : (from_ + to_) / 2);
        break;
    case Qt::Key_Minus:
        zoom(1 / WheelZoom, log_.size() > 0 ? log_.seconds[cursor_] : (from_ + to_) / 2);
        break;
    case Qt::Key_Escape:
        setSelection(std::nullopt);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

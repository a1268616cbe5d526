#include "logs/ChannelStripsView.h"

#include "logs/PlotScale.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using logs::Channel;

namespace {

constexpr double LeftMargin = 78;
constexpr double RightMargin = 12;
constexpr double TopMargin = 20;     // room for the time stamps' labels
constexpr double BottomMargin = 24;  // the time axis
constexpr double StripGap = 6;
constexpr double ClickSlop = 4;      // pixels a click may move and stay a click
constexpr double WheelZoom = 0.8;    // per notch
constexpr double ShortestSpan = 0.5; // seconds

const QColor CursorColour(200, 0, 0);
const QColor StampColour(200, 110, 0);
const QColor SelectionColour(60, 120, 220, 50);
const QColor LineColour(0, 70, 160);

} // namespace

ChannelStripsView::ChannelStripsView(const logs::DataLog& log, QWidget* parent) : QWidget(parent), log_(log)
{
    setObjectName(QStringLiteral("ChannelStripsView"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);

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
}

void ChannelStripsView::setChannels(const std::vector<Channel>& channels)
{
    channels_.clear();
    for (const Channel c : channels) {
        if (log_.has(c))
            channels_.push_back(c);
    }
    update();
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
    update();
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
    update();
    emit cursorMoved(cursor_);
}

void ChannelStripsView::setSelection(const std::optional<logs::TimeRange>& range)
{
    selection_ = range;
    update();
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

void ChannelStripsView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintView(painter);
}

void ChannelStripsView::paintView(QPainter& painter) const
{
    painter.fillRect(rect(), palette().window());
    const QRectF plot = plotRect();
    painter.fillRect(plot, Qt::white);
    if (selection_) {
        const double left = std::max(plot.left(), xForSeconds(selection_->from));
        const double right = std::min(plot.right(), xForSeconds(selection_->to));
        if (right > left)
            painter.fillRect(QRectF(left, plot.top(), right - left, plot.height()), SelectionColour);
    }
    for (int i = 0; i < static_cast<int>(channels_.size()); ++i)
        drawStrip(painter, stripRect(i), channels_[i]);
    drawTimeAxis(painter, plot);
    drawStamps(painter, plot);
    if (log_.size() > 0) {
        const double x = xForSeconds(log_.seconds[cursor_]);
        if (x >= plot.left() && x <= plot.right()) {
            painter.setPen(QPen(CursorColour, 1));
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    } else {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, tr("No samples in this log."));
    }
}

void ChannelStripsView::drawStrip(QPainter& painter, const QRectF& rect, Channel channel) const
{
    const auto [lo, hi] = valueRange_[static_cast<int>(channel)];
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(rect);

    // Value ticks: a light line and a label at the left.
    const double step = plot_scale::NiceStep(hi - lo, std::max(1, static_cast<int>(rect.height() / 22)));
    QFont small = painter.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    painter.setFont(small);
    for (const double tick : plot_scale::Ticks(lo, hi, step)) {
        const double y = plot_scale::Map(tick, lo, hi, rect.bottom(), rect.top());
        painter.setPen(QColor(230, 230, 230));
        painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
        painter.setPen(Qt::darkGray);
        // Labels stay inside their strip, clear of the next one's.
        const double top = std::clamp(y - 8, rect.top() - 2, rect.bottom() - 14);
        painter.drawText(QRectF(0, top, LeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                         plot_scale::TickText(tick, step));
    }

    painter.save();
    painter.setClipRect(rect.adjusted(0, 0, 1, 1));
    painter.setPen(QPen(LineColour, 1));
    drawSeries(painter, rect, log_.column(channel), lo, hi);
    painter.restore();

    const logs::ChannelInfo& info = logs::Info(channel);
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(rect.adjusted(6, 2, -6, -2), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("%1 [%2]").arg(info.name, info.unit));
    painter.setFont(QFont());
}

// Up to two samples a pixel are drawn as a line; beyond that each pixel
// column shows the range of its samples, so an hour of samples draws as fast
// as a minute. A sample without a value breaks the line.
void ChannelStripsView::drawSeries(QPainter& painter, const QRectF& rect, const std::vector<double>& values,
                                   double lo, double hi) const
{
    const std::vector<double>& t = log_.seconds;
    if (t.empty())
        return;
    std::size_t first = log_.firstSampleFrom(from_);
    if (first > 0)
        --first;
    std::size_t end = std::min(t.size(), log_.firstSampleFrom(to_) + 1);
    auto y = [&](double v) { return plot_scale::Map(v, lo, hi, rect.bottom(), rect.top()); };

    if (static_cast<double>(end - first) <= 2 * rect.width()) {
        QPolygonF line;
        auto flush = [&] {
            if (line.size() == 1)
                painter.drawPoint(line.front());
            else if (line.size() > 1)
                painter.drawPolyline(line);
            line.clear();
        };
        for (std::size_t i = first; i < end; ++i) {
            if (std::isnan(values[i])) {
                flush();
                continue;
            }
            line << QPointF(xForSeconds(t[i]), y(values[i]));
        }
        flush();
        return;
    }

    // One vertical stroke per pixel column, joined to the next column.
    const int columns = static_cast<int>(std::ceil(rect.width()));
    std::vector<QLineF> strokes;
    strokes.reserve(static_cast<std::size_t>(columns) * 2);
    const double perPixel = (to_ - from_) / rect.width();
    std::size_t i = first;
    bool havePrevious = false;
    double previousLast = 0;
    double previousX = 0;
    for (int column = 0; column <= columns && i < end; ++column) {
        const double columnEnd = from_ + (column + 1) * perPixel;
        double low = INFINITY, high = -INFINITY, firstValue = NAN, lastValue = NAN;
        bool gap = false;
        for (; i < end && t[i] < columnEnd; ++i) {
            const double v = values[i];
            if (std::isnan(v)) {
                gap = true;
                continue;
            }
            if (std::isnan(firstValue))
                firstValue = v;
            lastValue = v;
            low = std::min(low, v);
            high = std::max(high, v);
        }
        if (std::isnan(firstValue)) {
            havePrevious = havePrevious && !gap;
            continue;
        }
        const double x = rect.left() + column + 0.5;
        if (havePrevious && !gap)
            strokes.emplace_back(QPointF(previousX, y(previousLast)), QPointF(x, y(firstValue)));
        strokes.emplace_back(QPointF(x, y(low)), QPointF(x, y(high)));
        havePrevious = true;
        previousLast = lastValue;
        previousX = x;
    }
    painter.drawLines(strokes.data(), static_cast<int>(strokes.size()));
}

void ChannelStripsView::drawTimeAxis(QPainter& painter, const QRectF& plot) const
{
    const double step = plot_scale::TimeStep(to_ - from_, std::max(1, static_cast<int>(plot.width() / 90)));
    // Ticks fall on whole times of day, not on whole seconds from the start.
    const double originOfDay = log_.origin.msecsSinceStartOfDay() / 1000.0;
    painter.setPen(Qt::black);
    for (const double tick : plot_scale::Ticks(from_ + originOfDay, to_ + originOfDay, step)) {
        const double seconds = tick - originOfDay;
        const double x = xForSeconds(seconds);
        painter.setPen(QColor(120, 120, 120));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 45, plot.bottom() + 4, 90, BottomMargin - 4), Qt::AlignHCenter | Qt::AlignTop,
                         log_.timeOfDay(seconds, step < 1));
    }
}

void ChannelStripsView::drawStamps(QPainter& painter, const QRectF& plot) const
{
    QPen dashed(StampColour, 1, Qt::DashLine);
    QFont small = painter.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    painter.setFont(small);
    for (const logs::UserStamp& stamp : log_.stamps) {
        const double x = xForSeconds(stamp.seconds);
        if (x < plot.left() || x > plot.right())
            continue;
        painter.setPen(dashed);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        QPainterPath flag;
        flag.moveTo(x, plot.top());
        flag.lineTo(x - 5, plot.top() - 7);
        flag.lineTo(x + 5, plot.top() - 7);
        flag.closeSubpath();
        painter.fillPath(flag, StampColour);
        painter.setPen(StampColour);
        painter.drawText(QRectF(x + 7, 0, 80, TopMargin - 2), Qt::AlignLeft | Qt::AlignVCenter, stamp.timeText);
    }
    painter.setFont(QFont());
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
        update();
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

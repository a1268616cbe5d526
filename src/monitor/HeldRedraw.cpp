#include "monitor/HeldRedraw.h"

#include "platform/Clock.h"
#include "platform/Services.h"

#include <QTimer>

#include <algorithm>

HeldRedraw::HeldRedraw(std::function<void()> draw, QObject* parent)
    : QObject(parent), draw_(std::move(draw)), timer_(new QTimer(this))
{
    timer_->setObjectName(QStringLiteral("RedrawTimer"));
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &HeldRedraw::flush);
}

void HeldRedraw::sampleIn(int intervalMs)
{
    const qint64 now = services::clock().nowMs();
    if (redraws_.take(now, intervalMs)) {
        timer_->stop();
        draw_();
    } else if (!timer_->isActive()) {
        timer_->start(static_cast<int>(std::clamp<qint64>(redraws_.dueMs() - now, 0, sample_rate::DefaultTickMs)));
    }
}

void HeldRedraw::flush()
{
    timer_->stop();
    if (!redraws_.holding())
        return;
    redraws_.drawHeld(services::clock().nowMs());
    draw_();
}

void HeldRedraw::drop()
{
    timer_->stop();
    redraws_.forget();
}

#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {
qint64 monotonicNs()
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
}
} // namespace

SystemClock::SystemClock() : originNs_(monotonicNs())
{ }

qint64 SystemClock::nowMs() const
{
    return (monotonicNs() - originNs_) / 1'000'000;
}

qint64 SystemClock::nowUs() const
{
    return (monotonicNs() - originNs_) / 1000;
}

void SystemClock::waitProcessingEvents(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void SystemClock::sleepBlocking(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

QDateTime SystemClock::currentDateTime() const
{
    return QDateTime::currentDateTime();
}

QDateTime ManualClock::currentDateTime() const
{
    return start_.addMSecs(nowMs_ - startMs_);
}

void ManualClock::waitProcessingEvents(int ms)
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (ms > 0) {
        nowMs_ += ms;
        waitedMs_ += ms;
    }
}

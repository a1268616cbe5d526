#include "monitor/MonitorSampling.h"

#include "monitor/Datalog.h"
#include "monitor/LiveReadout.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <utility>

using namespace mdlPublicVars;

MonitorSampling::MonitorSampling(LiveReadout& readout, QLabel* linkStatus, QScrollBar* offsetSlider,
                                 std::function<bool()> running, QObject* parent)
    : QObject(parent),
      readout_(readout),
      linkStatus_(linkStatus),
      offsetSlider_(offsetSlider),
      running_(std::move(running))
{
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(sample_rate::DefaultTickMs);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &MonitorSampling::tick);
    redraw_ = new HeldRedraw([this] { emit drawn(newestData_, newest_); }, this);
}

void MonitorSampling::startRun()
{
    pace_ = sample_rate::Pace(sample_rate::Stored());
    start();
}

void MonitorSampling::start()
{
    timer_->setInterval(pace_.intervalMs());
    readout_.startHeartbeat();
    timer_->start();
}

void MonitorSampling::stop()
{
    timer_->stop();
    redraw_->flush();
}

void MonitorSampling::tick()
{
    // Ticks that reach the window inside a request's attempts start nothing.
    if (sampling_)
        return;
    Clock& clock = services::clock();
    if (beats_.take(clock.nowMs(), pace_.intervalMs()))
        readout_.heartbeatTick();
    if (!running_())
        return;

    QPointer<MonitorSampling> self(this);
    sampling_ = true;
    requestStartMs_ = clock.nowMs();
    QString data;
    const mdlMonitor::SampleRequest outcome = mdlMonitor::RequestLiveSampleStepwise(
        [&](int attempt) {
            if (!self || !running_())
                return false;
            showWaiting(attempt);
            QCoreApplication::processEvents();
            return self && running_();
        },
        data);
    if (!self)
        return;
    sampling_ = false;
    if (waiting_)
        endWaiting();
    // Once the attempts have run out the lost link is the window's to handle.
    if (silenceReported_ && outcome != mdlMonitor::SampleRequest::Unanswered) {
        silenceReported_ = false;
        // Answered, or STOP or QUIT: the program still counts as connected.
        mdlMain::ShowReconnected(mdlPublicVars::CommPortNumber);
        if (outcome == mdlMonitor::SampleRequest::Answered)
            emit gapNoted(datalog::LinkBackNote);
        if (!self)
            return;
    }

    if (pace_.exchange(clock.nowMs() - requestStartMs_)) {
        timer_->setInterval(pace_.intervalMs());
        mdlMain::ShowStatus(sample_rate::FallBackText);
    }

    switch (outcome) {
    case mdlMonitor::SampleRequest::GivenUp:
        return; // STOP or QUIT came first
    case mdlMonitor::SampleRequest::Unanswered:
        connectionLost();
        return;
    case mdlMonitor::SampleRequest::Answered:
        break;
    }
    newestData_ = data;
    newest_ = DecodeLiveSample(data, mdlMonitor::CurrentDecodeContext(), multisparkCounter_);
    redraw_->sampleIn(pace_.intervalMs());
    if (self)
        emit sampled(newestData_, newest_);
}

void MonitorSampling::showWaiting(int attempt)
{
    if (!waiting_) {
        waiting_ = true;
        // No second request may start inside this one's attempts, and no
        // offset write between them.
        timer_->stop();
        offsetSlider_->setEnabled(false);
        redraw_->flush();
        readout_.stopHeartbeat();
        readout_.setStale(true);
        linkStatus_->show();
    }
    if (!silenceReported_ && services::clock().nowMs() - requestStartMs_ >= SilenceReportMs) {
        silenceReported_ = true;
        linkStatus_->setText(mdlMain::ReconnectingText);
        mdlMain::ShowReconnecting();
        emit gapNoted(datalog::LinkLostNote);
        return;
    }
    if (!silenceReported_)
        linkStatus_->setText(mdlMonitor::RetryingText(attempt));
}

void MonitorSampling::endWaiting()
{
    waiting_ = false;
    linkStatus_->hide();
    linkStatus_->clear();
    offsetSlider_->setEnabled(true);
    // The readouts stay grey until a fresh sample is shown.
    if (running_() && Connected && !lost_)
        start();
}

void MonitorSampling::connectionLost()
{
    lost_ = true;
    timer_->stop();
    redraw_->flush();
    readout_.stopHeartbeat();
    readout_.setStale(true);
    emit linkLost();
}

void MonitorSampling::resume()
{
    lost_ = false;
    silenceReported_ = false;
    if (running_())
        start();
}

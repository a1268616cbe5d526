#include "monitor/LiveLink.h"

#include "link/SerialPort.h"
#include "monitor/mdlMonitor.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QLabel>
#include <QPushButton>

namespace live_link {

void ReportLost()
{
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Connection Error!"),
                                mdlMonitor::LostConnectionText);
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    mdlMain::ShowNotConnected();
}

Healing::Healing(QLabel* status, QPushButton* cancel, QObject* parent)
    : QObject(parent), status_(status), cancel_(cancel), timer_(new QTimer(this))
{
    timer_->setInterval(reconnect::RetryIntervalMs);
    connect(timer_, &QTimer::timeout, this, &Healing::tryNow);
    connect(cancel_, &QPushButton::clicked, this, &Healing::cancel);
}

void Healing::begin()
{
    if (active_)
        return;
    active_ = true;
    mdlPublicVars::Connected = false;
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    reconnector_ = reconnect::Reconnector(mdlPublicVars::CommPortNumber);
    status_->setText(mdlMain::ReconnectingText);
    status_->show();
    cancel_->show();
    cancel_->setEnabled(true);
    mdlMain::ShowReconnecting();
    timer_->start();
}

void Healing::tryNow()
{
    if (!active_)
        return;
    if (!reconnector_.tryOnce())
        return;
    hideStatus();
    mdlMain::ShowReconnected(reconnector_.portNumber());
    mdlMain::CheckUnitFoundAgain();
    emit back();
}

void Healing::cancel()
{
    if (!active_)
        return;
    stop();
    emit givenUp();
}

void Healing::stop()
{
    if (!active_)
        return;
    hideStatus();
    mdlPublicVars::Connected = false;
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    mdlMain::ShowNotConnected();
}

void Healing::hideStatus()
{
    active_ = false;
    timer_->stop();
    status_->hide();
    status_->clear();
    cancel_->hide();
}

} // namespace live_link

#include "tunefile/TransferProgress.h"

#include "state/MainWindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>

namespace tunefile {

Transact TransactKeepingWindowsAlive(std::function<bool()> stop)
{
    // The attempts stay one exchange of the link, which keeps count of the
    // replies still owed across them.
    const Transact send = unit::TransactOnLink([stop] {
        QApplication::processEvents();
        return !(stop && stop());
    });
    return [send, stop](const QString& payload, int attempts, int timeoutMs, QString& reply) {
        if (stop && stop()) {
            reply.clear();
            return false;
        }
        return send(payload, attempts, timeoutMs, reply);
    };
}

TransferProgress::TransferProgress() : bar_(mdlMain::ProgressBar())
{ }

TransferProgress::~TransferProgress()
{
    setProgress(0);
    closeSplash();
    setBusy(false);
}

void TransferProgress::showSplash(frmTransferSplash::Kind kind)
{
    // Over the modal window when one is open, or its Cancel could not be pressed.
    QWidget* over = QApplication::activeModalWidget();
    if (!over)
        over = mdlMain::MainWindow();
    auto* splash = new frmTransferSplash(kind, over);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash_ = splash;
    splash->Show();
    setProgress(0);
    setBusy(true);
    QApplication::processEvents();
}

void TransferProgress::closeSplash()
{
    if (splash_)
        splash_->Unload();
    splash_ = nullptr;
}

void TransferProgress::setBusy(bool busy)
{
    mdlMain::SetBusyPointer(busy);
    if (!splash_)
        return;
    if (busy)
        splash_->setCursor(Qt::WaitCursor);
    else
        splash_->unsetCursor();
}

void TransferProgress::setProgress(int handled)
{
    if (bar_)
        bar_->setValue(ProgressPercent(handled));
    if (splash_)
        splash_->ShowPercent(ProgressPercent(handled));
}

void TransferProgress::setCaption(const QString& caption)
{
    if (splash_)
        splash_->Label1()->setText(caption);
}

bool TransferProgress::cancelled() const
{
    return splash_ && splash_->CancelPressed();
}

Progress TransferProgress::advance()
{
    return [this](int handled) {
        setProgress(handled);
        QApplication::processEvents();
    };
}

} // namespace tunefile

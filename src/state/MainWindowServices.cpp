#include "state/MainWindowServices.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QMdiSubWindow>
#include <QWidget>

namespace mdlMain {

namespace {
MainWindowServices* installed = nullptr;
} // namespace

void InstallServices(MainWindowServices* services)
{
    installed = services;
}

QMainWindow* MainWindow()
{
    return installed ? installed->window() : nullptr;
}

void SetControlsEnabled(const QStringList& objectNames, bool enabled)
{
    if (installed)
        installed->setControlsEnabled(objectNames, enabled);
}

bool IsControlEnabled(const QString& objectName)
{
    return installed && installed->isControlEnabled(objectName);
}

void GiveBackCommands(DeviceWindow window)
{
    if (installed)
        installed->giveBackCommands(window);
}

void SetBusyPointer(bool busy)
{
    if (installed)
        installed->setBusyPointer(busy);
}

void SetCaption(const QString& caption)
{
    if (!installed)
        return;
    const QString& offLine = mdlPublicVars::OffLineTunePath;
    installed->setTitle(offLine.isEmpty() ? caption : OffLineCaption(offLine));
}

QString OffLineCaption(const QString& path)
{
    return QStringLiteral("Off line: ") + QFileInfo(path).fileName() + QStringLiteral("[*]");
}

namespace {
const QString StatusLinkName = QStringLiteral("lblStatusLink");
} // namespace

void ShowStatus(const QString& text)
{
    QMainWindow* window = MainWindow();
    if (!window)
        return;
    if (auto* link = window->statusBar()->findChild<QLabel*>(StatusLinkName))
        link->hide();
    // Made on first use after the window is up, the bar would stay hidden.
    window->statusBar()->show();
    window->statusBar()->showMessage(text);
}

void ShowStatusLink(const QString& text, const QString& linkText, std::function<void()> onClick)
{
    QMainWindow* window = MainWindow();
    if (!window)
        return;
    QStatusBar* bar = window->statusBar();
    auto* link = bar->findChild<QLabel*>(StatusLinkName);
    if (!link) {
        link = new QLabel(bar);
        link->setObjectName(StatusLinkName);
        link->setTextFormat(Qt::RichText);
        bar->addWidget(link, 1);
    }
    QObject::disconnect(link, &QLabel::linkActivated, nullptr, nullptr);
    QObject::connect(link, &QLabel::linkActivated, link, [onClick = std::move(onClick)] { onClick(); });
    link->setText(text.toHtmlEscaped() + QStringLiteral(" <a href=\"link\">") + linkText.toHtmlEscaped()
                  + QStringLiteral("</a>"));
    bar->clearMessage(); // a message would hide the label
    link->show();
    bar->show();
}

QProgressBar* ProgressBar()
{
    return installed ? installed->progressBar() : nullptr;
}

void ShowNotConnected()
{
    SetCaption(QStringLiteral("Not Connected"));
    SetBusyPointer(false);
    SetControlsEnabled({QStringLiteral("cmdDisconnect")}, false);
    SetControlsEnabled({QStringLiteral("cmdConnect")}, true);
    if (installed)
        installed->clearConnectedIndicator();
}

void ShowReconnecting()
{
    SetCaption(ReconnectingText);
    if (installed)
        installed->showReconnecting(ReconnectingText);
}

void ShowReconnected(int portNumber)
{
    SetBusyPointer(false);
    SetCaption(QStringLiteral("Connected"));
    if (installed)
        installed->showReconnected(portNumber);
}

void CheckUnitFoundAgain()
{
    if (installed)
        installed->checkUnitFoundAgain();
}

void HideChild(QWidget* child)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
        frame->hide();
    else
        child->hide();
}

void UnloadChild(QWidget* child)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget())) {
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->close();
    } else {
        child->setAttribute(Qt::WA_DeleteOnClose);
        child->close();
    }
}

bool ConnectionGuard()
{
    if (mdlPublicVars::Connected)
        return true;
    ShowNotConnected();
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Connection Error"),
                                QStringLiteral("Not connected to Ventrix. Please connect and try again."));
    return false;
}

} // namespace mdlMain

#include "app/mdlMain.h"

#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSet>

namespace mdlMain {

namespace {

QPointer<QMainWindow> mainWindow;
QSet<QString> unavailable;

QObject* findControl(const QString& objectName)
{
    if (!mainWindow)
        return nullptr;
    if (auto* widget = mainWindow->findChild<QWidget*>(objectName))
        return widget;
    return mainWindow->findChild<QAction*>(objectName);
}

void setEnabled(QObject* control, bool enabled)
{
    if (auto* widget = qobject_cast<QWidget*>(control)) {
        // A whole menu is switched through its action in the menu bar.
        if (auto* menu = qobject_cast<QMenu*>(widget))
            menu->menuAction()->setEnabled(enabled);
        else
            widget->setEnabled(enabled);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        action->setEnabled(enabled);
    }
}

} // namespace

void RegisterMainWindow(QMainWindow* window)
{
    mainWindow = window;
    unavailable.clear();
}

QMainWindow* MainWindow()
{
    return mainWindow;
}

void MarkUnavailable(const QString& objectName, const QString& why)
{
    unavailable.insert(objectName);
    QObject* control = findControl(objectName);
    setEnabled(control, false);
    if (auto* widget = qobject_cast<QWidget*>(control))
        widget->setToolTip(why);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setToolTip(why);
}

void SetControlsEnabled(const QStringList& objectNames, bool enabled)
{
    for (const QString& name : objectNames)
        setEnabled(findControl(name), enabled && !unavailable.contains(name));
}

bool IsControlEnabled(const QString& objectName)
{
    QObject* control = findControl(objectName);
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->menuAction()->isEnabled();
    if (auto* widget = qobject_cast<QWidget*>(control))
        return widget->isEnabled();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->isEnabled();
    return false;
}

void SetBusyPointer(bool busy)
{
    if (!mainWindow)
        return;
    if (busy)
        mainWindow->setCursor(Qt::WaitCursor);
    else
        mainWindow->unsetCursor();
}

void SetCaption(const QString& caption)
{
    if (!mainWindow)
        return;
    const QString& offLine = mdlPublicVars::OffLineTunePath;
    mainWindow->setWindowTitle(offLine.isEmpty() ? caption : OffLineCaption(offLine));
}

QString OffLineCaption(const QString& path)
{
    return QStringLiteral("Off line: ") + QFileInfo(path).fileName() + QStringLiteral("[*]");
}

void ShowTuneModified(bool modified)
{
    if (mainWindow)
        mainWindow->setWindowModified(modified);
}

QProgressBar* ProgressBar()
{
    return mainWindow ? mainWindow->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")) : nullptr;
}

void ShowNotConnected()
{
    SetCaption(QStringLiteral("Not Connected"));
    SetBusyPointer(false);
    SetControlsEnabled({QStringLiteral("cmdDisconnect")}, false);
    SetControlsEnabled({QStringLiteral("cmdConnect")}, true);
    if (mainWindow) {
        if (auto* indicator = mainWindow->findChild<QLineEdit*>(QStringLiteral("txtConnected"))) {
            indicator->clear();
            colours::SetButtonFace(indicator);
        }
    }
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

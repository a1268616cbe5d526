#include "app/mdlMain.h"

#include "app/DeviceWindows.h"
#include "platform/Colours.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSet>

namespace mdlMain {

namespace {

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

class NamedControls final : public MainWindowServices {
public:
    void attach(QMainWindow* window)
    {
        window_ = window;
        unavailable_.clear();
    }

    void markUnavailable(const QString& objectName, const QString& why)
    {
        unavailable_.insert(objectName);
        QObject* control = find(objectName);
        setEnabled(control, false);
        if (auto* widget = qobject_cast<QWidget*>(control))
            widget->setToolTip(why);
        else if (auto* action = qobject_cast<QAction*>(control))
            action->setToolTip(why);
    }

    QMainWindow* window() const override { return window_; }

    void setControlsEnabled(const QStringList& objectNames, bool enabled) override
    {
        for (const QString& name : objectNames)
            setEnabled(find(name), enabled && !unavailable_.contains(name));
    }

    bool isControlEnabled(const QString& objectName) const override
    {
        QObject* control = find(objectName);
        if (auto* menu = qobject_cast<QMenu*>(control))
            return menu->menuAction()->isEnabled();
        if (auto* widget = qobject_cast<QWidget*>(control))
            return widget->isEnabled();
        if (auto* action = qobject_cast<QAction*>(control))
            return action->isEnabled();
        return false;
    }

    void giveBackCommands(DeviceWindow device) override
    {
        setControlsEnabled(ControlsDisabledFor(device), true);
    }

    void setBusyPointer(bool busy) override
    {
        if (!window_)
            return;
        if (busy)
            window_->setCursor(Qt::WaitCursor);
        else
            window_->unsetCursor();
    }

    void setTitle(const QString& title) override
    {
        if (window_)
            window_->setWindowTitle(title);
    }

    QProgressBar* progressBar() const override
    {
        return window_ ? window_->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")) : nullptr;
    }

    void clearConnectedIndicator() override
    {
        if (!window_)
            return;
        if (auto* indicator = window_->findChild<QLineEdit*>(QStringLiteral("txtConnected"))) {
            indicator->clear();
            colours::SetButtonFace(indicator);
        }
    }

private:
    QObject* find(const QString& objectName) const
    {
        if (!window_)
            return nullptr;
        if (auto* widget = window_->findChild<QWidget*>(objectName))
            return widget;
        return window_->findChild<QAction*>(objectName);
    }

    QPointer<QMainWindow> window_;
    QSet<QString> unavailable_;
};

NamedControls& namedControls()
{
    static NamedControls controls;
    return controls;
}

} // namespace

void RegisterMainWindow(QMainWindow* window)
{
    namedControls().attach(window);
    InstallServices(window ? &namedControls() : nullptr);
}

void MarkUnavailable(const QString& objectName, const QString& why)
{
    namedControls().markUnavailable(objectName, why);
}

void ShowTuneModified(bool modified)
{
    if (QMainWindow* window = MainWindow())
        window->setWindowModified(modified);
}

} // namespace mdlMain

#include "app/mdlMain.h"

#include "app/DeviceWindows.h"
#include "app/frmMain.h"
#include "platform/Colours.h"
#include "state/PublicVars.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSet>

namespace mdlMain {

namespace {

// The property that ties a button to the command it shows.
constexpr char CommandProperty[] = "command";

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
        // The reason shows where the user points: on the named button (not
        // on the command it shows) or on the menu item.
        if (auto* widget = window_ ? window_->findChild<QWidget*>(objectName) : nullptr)
            widget->setToolTip(why);
        else if (auto* action = qobject_cast<QAction*>(control))
            action->setToolTip(why);
    }

    QMainWindow* window() const override { return window_; }

    void setControlsEnabled(const QStringList& objectNames, bool enabled) override
    {
        for (const QString& name : objectNames) {
            QObject* control = find(name);
            setEnabled(control, enabled && !isUnavailable(name, control));
        }
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

    // The one list the main window disabled on opening; Connect and
    // Disconnect follow the connection.
    void giveBackCommands(DeviceWindow device) override
    {
        for (const QString& name : ControlsDisabledFor(device)) {
            bool enabled = true;
            if (name == QLatin1String("cmdConnect"))
                enabled = !mdlPublicVars::Connected;
            else if (name == QLatin1String("cmdDisconnect"))
                enabled = mdlPublicVars::Connected;
            setControlsEnabled({name}, enabled);
        }
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

    void showReconnecting(const QString& text) override
    {
        if (auto* indicator = this->indicator()) {
            // The box holds a port's name: the short word there, the whole
            // text in its tooltip (and in the title).
            indicator->setText(QStringLiteral("Link lost"));
            indicator->setToolTip(text);
            colours::SetBackground(indicator, colours::Yellow);
        }
    }

    void showReconnected(int portNumber) override
    {
        if (auto* indicator = this->indicator()) {
            indicator->setText(QStringLiteral("Com %1").arg(portNumber));
            indicator->setToolTip(QString());
            colours::SetBackground(indicator, colours::Green);
        }
    }

    void checkUnitFoundAgain() override
    {
        // The unit may have been reset or written by another tool meanwhile.
        if (auto* main = qobject_cast<frmMain*>(window_))
            main->CheckAgainstLastTune();
    }

private:
    QLineEdit* indicator() const
    {
        return window_ ? window_->findChild<QLineEdit*>(QStringLiteral("txtConnected")) : nullptr;
    }

    // A button that shows a command stands for the command.
    QObject* find(const QString& objectName) const
    {
        if (!window_)
            return nullptr;
        if (auto* widget = window_->findChild<QWidget*>(objectName)) {
            if (auto* command = widget->property(CommandProperty).value<QAction*>())
                return command;
            return widget;
        }
        return window_->findChild<QAction*>(objectName);
    }

    // Unavailable under this name or under another name of the same command.
    bool isUnavailable(const QString& objectName, const QObject* control) const
    {
        if (unavailable_.contains(objectName))
            return true;
        for (const QString& name : unavailable_)
            if (control && find(name) == control)
                return true;
        return false;
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

void ShowCommand(QAbstractButton* button, QAction* command)
{
    button->setProperty(CommandProperty, QVariant::fromValue(command));
    button->setEnabled(command->isEnabled());
    QObject::connect(button, &QAbstractButton::clicked, command, &QAction::trigger);
    QObject::connect(command, &QAction::enabledChanged, button, &QWidget::setEnabled);
}

} // namespace mdlMain

#include "platform/KeepDisabled.h"

#include <QEvent>
#include <QWidget>

namespace {

// Disables its control again whenever the control is enabled.
class DisabledKeeper final : public QObject {
public:
    explicit DisabledKeeper(QWidget* control) : QObject(control), control_(control) { }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == control_ && event->type() == QEvent::EnabledChange && control_->isEnabled())
            control_->setEnabled(false);
        return false;
    }

private:
    QWidget* control_;
};

} // namespace

void KeepDisabled(QWidget* control, const QString& why)
{
    if (!control)
        return;
    control->setToolTip(why);
    control->setEnabled(false);
    if (!control->findChild<DisabledKeeper*>(QString(), Qt::FindDirectChildrenOnly))
        control->installEventFilter(new DisabledKeeper(control));
}

#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <initializer_list>

// Disables controls while a question or a job runs its own event loop, and
// gives each back the enabled state it had (at thaw() or at the end of the
// scope). A control deleted meanwhile is left alone.
class FrozenControls {
public:
    explicit FrozenControls(std::initializer_list<QWidget*> controls)
    {
        for (QWidget* control : controls) {
            frozen_.append({control, control->isEnabled()});
            control->setEnabled(false);
        }
    }
    ~FrozenControls() { thaw(); }
    FrozenControls(const FrozenControls&) = delete;
    FrozenControls& operator=(const FrozenControls&) = delete;

    void thaw()
    {
        for (const Frozen& f : frozen_)
            if (f.control)
                f.control->setEnabled(f.wasEnabled);
        frozen_.clear();
    }

private:
    struct Frozen {
        QPointer<QWidget> control;
        bool wasEnabled;
    };
    QList<Frozen> frozen_;
};

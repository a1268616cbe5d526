#pragma once

#include <QObject>
#include <QScrollBar>

#include <functional>
#include <memory>

// A slider cell's scroll bar, whose move the tuner can end while one of its
// arrows is still held down: the auto-repeat then steps no further.
class CellSlider final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    void endMove() { setRepeatAction(SliderNoAction); }
    // Whether a held arrow or page click would step it again.
    bool repeating() const { return repeatAction() != SliderNoAction; }
};

// Runs `moved` when the user moves the bar (arrow, page, drag, wheel or key),
// once its value has changed; a value set by the program runs nothing. Every
// user move goes through an action that sets the position first and the
// value after it.
inline void OnUserMove(QAbstractSlider* bar, QObject* receiver, std::function<void()> moved)
{
    auto acting = std::make_shared<bool>(false);
    QObject::connect(bar, &QAbstractSlider::actionTriggered, receiver,
                     [bar, acting](int) { *acting = bar->sliderPosition() != bar->value(); });
    QObject::connect(bar, &QAbstractSlider::valueChanged, receiver, [acting, moved = std::move(moved)](int) {
        if (!*acting)
            return;
        *acting = false;
        moved();
    });
}

#pragma once

#include "tuner/TableEditing.h"

#include <QMouseEvent>
#include <QObject>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <functional>
#include <memory>

// A slider cell's scroll bar, whose move the tuner can end while one of its
// arrows is still held down: the auto-repeat then steps no further.
//
// Its thumb is dragged finer than the bar's length would give: 1 point per
// 2 pixels, 1 per 10 with Shift held.
class CellSlider final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    void endMove() { setRepeatAction(SliderNoAction); }
    // Whether a held arrow or page click would step it again.
    bool repeating() const { return repeatAction() != SliderNoAction; }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !onThumb(event->position().toPoint())) {
            QScrollBar::mousePressEvent(event);
            return;
        }
        anchor(event);
        dragging_ = true;
        setSliderDown(true);
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!dragging_) {
            QScrollBar::mouseMoveEvent(event);
            return;
        }
        // Shift pressed or let go mid-drag: the pace changes from here on.
        if (event->modifiers().testFlag(Qt::ShiftModifier) != fine_)
            anchor(event);
        const int pixels = static_cast<int>(event->position().y()) - anchorY_;
        // With tracking the new position is the user's move of the value.
        setSliderPosition(tuner::DraggedValue(anchorValue_, pixels, fine_));
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (!dragging_) {
            QScrollBar::mouseReleaseEvent(event);
            return;
        }
        dragging_ = false;
        setSliderDown(false);
        event->accept();
    }

private:
    bool onThumb(const QPoint& at) const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, at, this) == QStyle::SC_ScrollBarSlider;
    }
    void anchor(const QMouseEvent* event)
    {
        anchorY_ = static_cast<int>(event->position().y());
        anchorValue_ = sliderPosition();
        fine_ = event->modifiers().testFlag(Qt::ShiftModifier);
    }

    bool dragging_ = false;
    bool fine_ = false;
    int anchorY_ = 0;
    int anchorValue_ = 0;
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

#pragma once

#include <QScrollBar>

// A slider cell's scroll bar, whose move the tuner can end while one of its
// arrows is still held down: the auto-repeat then steps no further.
class CellSlider final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    void endMove() { setRepeatAction(SliderNoAction); }
    // Whether a held arrow or page click would step it again.
    bool repeating() const { return repeatAction() != SliderNoAction; }
};

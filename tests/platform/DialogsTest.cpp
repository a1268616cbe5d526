#include "platform/Dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A real box's buttons and the one Enter presses, read while it is open;
// then Escape answers it.
TEST(WidgetDialogs, QuestionsOfferTheirOwnButtonsOnly)
{
    using B = QMessageBox;
    const struct {
        std::function<MsgAnswer(WidgetDialogs&)> ask;
        B::StandardButtons buttons;
        B::StandardButton enter;
        MsgAnswer escape;
    } cases[] = {
        {[](WidgetDialogs& d) { return d.message(MsgIcon::Question, "t", "q", MsgButtons::YesNo); }, B::Yes | B::No,
         B::NoButton, MsgAnswer::No},
        {[](WidgetDialogs& d) { return d.askBeforeWriting(MsgIcon::Question, "t", "q"); }, B::Yes | B::No, B::No,
         MsgAnswer::No},
        {[](WidgetDialogs& d) { return d.message(MsgIcon::Question, "t", "q", MsgButtons::YesNoCancel); },
         B::Yes | B::No | B::Cancel, B::NoButton, MsgAnswer::Cancel},
    };
    for (const auto& c : cases) {
        B::StandardButtons buttons;
        B::StandardButton enter = B::NoButton;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<B*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            buttons = box->standardButtons();
            if (box->defaultButton())
                enter = box->standardButton(box->defaultButton());
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
        });
        WidgetDialogs dialogs;
        EXPECT_EQ(c.ask(dialogs), c.escape);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(enter, c.enter);
    }
}

} // namespace

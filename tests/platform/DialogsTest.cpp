#include "platform/Dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The buttons a real box offers and the one Enter presses, read while it is
// open; the box is then answered with Escape.
TEST(WidgetDialogs, QuestionsOfferTheirOwnButtonsOnly)
{
    struct Seen {
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton enter = QMessageBox::NoButton;
    };
    const auto ask = [](const std::function<MsgAnswer(WidgetDialogs&)>& question, MsgAnswer& answer) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.buttons = box->standardButtons();
            if (box->defaultButton())
                seen.enter = box->standardButton(box->defaultButton());
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
        });
        WidgetDialogs dialogs;
        answer = question(dialogs);
        return seen;
    };
    MsgAnswer answer = MsgAnswer::Ok;
    Seen seen = ask([](WidgetDialogs& d) { return d.message(MsgIcon::Question, "t", "q", MsgButtons::YesNo); }, answer);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answer, MsgAnswer::No);

    seen = ask([](WidgetDialogs& d) { return d.askBeforeWriting(MsgIcon::Question, "t", "q"); }, answer);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.enter, QMessageBox::No);
    EXPECT_EQ(answer, MsgAnswer::No);

    seen =
        ask([](WidgetDialogs& d) { return d.message(MsgIcon::Question, "t", "q", MsgButtons::YesNoCancel); }, answer);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(answer, MsgAnswer::Cancel);
}

} // namespace

#pragma once

class QLabel;
class QPushButton;
class QWidget;

// A live window's line about its link: a plain-text label on yellow, shown
// only while there is something to say (a silent unit's attempts, a lost
// link looked for again), and the Cancel beside it that stops the looking.
// Both start hidden; live_link::Healing shows and hides them.
class LinkStatusLine {
public:
    // Where they sit in `parent`, in twips; `emphasised` lines are bold and centred.
    struct Place {
        int left, top, width, height;
        int cancelLeft, cancelTop, cancelWidth, cancelHeight;
        bool emphasised = false;
    };
    LinkStatusLine(QWidget* parent, const Place& place);

    QLabel* label() const { return label_; }
    QPushButton* cancel() const { return cancel_; }

private:
    QLabel* label_;
    QPushButton* cancel_;
};

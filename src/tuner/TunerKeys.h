#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

struct GraphicalTuneControls;
class TunerCells;
class TunerSession;
class QKeyEvent;
class QWidget;

// The tuner's cells from the keyboard, the clipboard and the right-click
// menu: the cell cursor and selection (Left/Right, Shift, Ctrl+A), the
// selected cells moved (Up/Down 1 point, PageUp/PageDown 5; lean is up) or
// set to a typed number (Enter), copy and paste, and a value typed into a
// cell's box. Every change is one step of the cells' edit history.
class TunerKeys final : public QObject {
public:
    TunerKeys(GraphicalTuneControls& controls, TunerCells& cells, TunerSession& session, QWidget* window);

    // Keyboard focus to the cursor's slider, the selection shown.
    void focusCursor();
    // Ctrl+C: the selected cells' values, or with none selected the whole table.
    void copy();
    // Ctrl+V: a row of numbers into the cells from the cursor on, or 256 into
    // the whole table; anything else is refused with its reason.
    void paste();
    // The number typed so far (digits and a sign), set with Enter.
    const QString& typed() const { return typed_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool key(const QKeyEvent* event);
    void moveCursor(int by, bool extend);
    void setTyped(const QString& typed);
    void boxEdited(int cell);
    void contextMenu(int cell, const QPoint& at);
    // A number asked for by the menu; false when cancelled.
    bool askNumber(const QString& label, int low, int high, int* value);

    GraphicalTuneControls& c_;
    TunerCells& cells_;
    TunerSession& session_;
    QWidget* window_;
    QString typed_;
};

// Help > Keyboard: every key of the graphical tuner.
QString KeyboardPageText();
void ShowKeyboardPage();

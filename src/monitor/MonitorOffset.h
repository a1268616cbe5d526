#pragma once

#include <QObject>

#include <functional>

class QLineEdit;
class QScrollBar;
class QTimer;

// The monitor's MAF voltage offset (register 13): read from the unit at
// START onto the slider HScroll1 and the box txtVoltageOffset, written back
// when the user moves the slider, the write confirmed by the unit's echo.
//
// Only the user's moves write. A value the program puts on the slider moves
// it and the box and writes nothing; where the program means to write, it
// calls write().
class MonitorOffset final : public QObject {
    Q_OBJECT
public:
    // `sampling` is the monitor's timer, held still around each write;
    // `linkFree` says whether a write may go out now (the link is up and no
    // sample request is between its attempts).
    MonitorOffset(QScrollBar* slider, QLineEdit* shown, QTimer* sampling, std::function<bool()> linkFree,
                  QObject* parent);

    // START: reads the unit's offset and shows it, and from then on the
    // user's moves write. False after the "Read Failure!" box when the unit
    // did not answer (nothing is armed then). A value within the slider's
    // reach that moves it is written back, as any change of it is.
    bool load();

    // Writes an offset to the unit and shows it once the unit has echoed it;
    // otherwise the "Write Failure!" box, and the box keeps the last offset.
    // The box is the last thing it does: the window may be gone after it.
    bool write(int offset);

    // Writes the user's moves (START arms them; STOP and QUIT disarm).
    void setWritesEnabled(bool enabled) { writesEnabled_ = enabled; }
    bool writesEnabled() const { return writesEnabled_; }

private:
    void userMoved();
    void valueChanged(int value);
    void writeFailed();

    QScrollBar* slider_;
    QLineEdit* shown_;
    QTimer* sampling_;
    std::function<bool()> linkFree_;
    bool writesEnabled_ = false;
    bool userMove_ = false; // the slider's next value is the user's move
};

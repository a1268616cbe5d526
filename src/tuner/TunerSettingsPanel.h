#pragma once

#include <QObject>

#include <functional>

struct GraphicalTuneControls;
class TunerCells;
class TunerSession;
class QComboBox;
class QWidget;
namespace tunefile {
class Tune;
}

// The settings that go with the tuner's table: the W.O.T. breakpoint and
// RPM switch points (written to the unit on line as the user moves their
// bars), the installed and PCM injector sizes (a new choice moves every cell
// by the compensation, asked first) and the slider offset (the cells shown
// move along the table). What the program shows on them writes nothing.
class TunerSettingsPanel final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<int()> tableIndex; // the table option chosen
        std::function<void()> reload;    // LOAD TABLE, on line after an offset move
    };
    TunerSettingsPanel(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells, QWidget* window,
                       Hooks hooks);

    // The registers read with table `tableIndex` (breakpoint, switch points,
    // the table's injector sizes), kept in `loaded` and shown; a failed read
    // is told and ends it (false).
    bool load(tunefile::Tune& loaded, int tableIndex);
    // What a load read, shown (a breakpoint beyond its bar puts the bar at its end).
    void showBreakpoint(int count);
    void showSwitchOn(int rpm);
    void showSwitchOff(int rpm);
    // The list shows the size: its item, or its own number when it is not listed.
    void showInjectorSize(QComboBox* list, double size);
    void fillInjectorLists();
    bool injectorEventsSuppressed() const { return injectorEventsSuppressed_; }

    // The user moved a bar: its value written (on line) and shown; a refusal
    // is told and leaves the value shown before.
    void sendBreakpoint();
    void sendSwitchOn();
    void sendSwitchOff();
    // ONLINE: the switch points (when asked) and the breakpoint shown are
    // written, then each refusal told; false when the tuner did not survive
    // a box.
    bool sendShown(bool switchPoints);
    // The offset bar's value taken: the cells move along the table.
    void offsetMoved();
    // The offset to 0 as AUTO-TUNE needs it; false when the tuner cannot go on.
    bool resetOffset();
    // A choice in the installed (true) or PCM injector list.
    void compensate(bool installedList);

private:
    bool writeBreakpoint();
    bool writeSwitchOn();
    bool writeSwitchOff();

    GraphicalTuneControls& c_;
    TunerSession& session_;
    TunerCells& cells_;
    QWidget* window_;
    Hooks hooks_;
    bool injectorEventsSuppressed_ = false;
};

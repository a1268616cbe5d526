#pragma once

#include "tunefile/TuneSelection.h"

#include <QObject>

#include <functional>

struct GraphicalTuneControls;
class TunerCells;
class TunerSession;
class QWidget;
namespace tunefile {
class Tune;
}

// SAVE TABLE: the user picks the tune the table goes into (its window
// opened beside the button), what the unit holds is backed up first, then
// the table and its settings are written and the written table is loaded
// back. A failed write keeps the edits, so that the save can be tried again.
class TunerTableSave final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<int()> tableIndex;             // the table option shown
        std::function<void(char letter)> chosen;     // the tune picked, before it is written
        std::function<void(int tableIndex)> written; // the table written: shown and loaded back
    };
    TunerTableSave(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells, QWidget* window,
                   Hooks hooks);

    void save();
    // The table and its settings into table `letter`; on success the tune
    // the unit now holds (`held` with what was written) is remembered.
    // 1 written, 0 failed (a refused switch point told).
    int writeWholeMap(char letter, const tunefile::Tune& held);
    // The window goes: a tune choice still open is left as cancelled, so its wait ends.
    void cancelChoice();

private:
    TuneSelection askForTune();

    GraphicalTuneControls& c_;
    TunerSession& session_;
    TunerCells& cells_;
    QWidget* window_;
    Hooks hooks_;
};

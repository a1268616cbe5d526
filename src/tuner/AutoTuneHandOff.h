#pragma once

#include "correction/CorrectionCells.h"
#include "logs/AutoTune.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class ChangeGraph;
class TunerCells;
class TunerSession;
class frmAutoTune;

// AUTO-TUNE... in the graphical tuner: a data log asked for, the auto-tune
// dialog opened on it below the change graph, its suggestion previewed on
// the graph as the table Apply will leave, and on Apply the cells moved by
// it (asking first on line). The analysis itself is window-free.
class AutoTuneHandOff final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The slider offset to 0 for the analysis; false when the tuner
        // cannot go on (closed, link lost, or the offset not reset).
        std::function<bool()> resetOffset;
        std::function<char()> tableLetter; // the table shown
    };
    AutoTuneHandOff(TunerCells& cells, TunerSession& session, ChangeGraph* graph, QWidget* window, Hooks hooks);

    void start();
    frmAutoTune* dialog() const;

    // The table as Apply would leave it.
    std::optional<tuner::Table> preview(const autotune::Result& result) const;

signals:
    // The dialog closed with these settings (target, delay, rails, locks...).
    void settingsChosen(const autotune::Settings& settings);

private:
    void apply(const autotune::Result& result);

    TunerCells& cells_;
    TunerSession& session_;
    ChangeGraph* graph_;
    QWidget* window_;
    Hooks hooks_;
    QPointer<frmAutoTune> dialog_;
};

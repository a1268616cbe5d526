#pragma once

#include "logs/LiveAnalysis.h"
#include "monitor/SampleRate.h"
#include "tuner/LiveAutoTune.h"

#include <QObject>

#include <functional>

struct GraphicalTuneControls;
class AutoTuneHandOff;
class TunerCells;
class TunerSession;
class QLabel;
class QPushButton;
class QSpinBox;

// The tuner's live analysis and LIVE AUTO-TUNE, in a row of their own under
// the tuner's buttons. While on line every sample shown goes to the
// analysis (the AUTO-TUNE dialog's settings, the table shown); each cell's
// caption shows how its statistics stand (redrawn at most every 50 ms, so
// that sampling at the link's speed is not spent on them) and a counter the
// samples accepted; RESET clears them. With LIVE AUTO-TUNE on, every interval the
// ready cells' suggestions are applied within the cap and the authority
// limit, as one undo step written through the session; those cells'
// statistics then start again. A lost link, another table or an
// application the unit refused stops it, and the row says why.
class LiveTunePanel final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<char()> tableLetter; // the table shown
        std::function<bool()> resetOffset; // the slider offset to 0; false when that failed
    };
    LiveTunePanel(GraphicalTuneControls& controls, TunerCells& cells, TunerSession& session, AutoTuneHandOff& autoTune,
                  QWidget* area, Hooks hooks);

    // One live sample's data, as the tuner just showed it.
    void take(const QString& sampleData);
    // The link is gone: LIVE AUTO-TUNE stops and says so.
    void linkLost();
    // OFFLINE: no more samples, so LIVE AUTO-TUNE goes off (ONLINE starts
    // afresh, its limit counted from the cells as they then stand).
    void wentOffLine();

    bool running() const { return running_; }
    void setRunning(bool on);
    void cmdResetLive_Click();
    const autotune::LiveAnalysis& analysis() const { return analysis_; }
    const tuner::LiveLimits& limits() const { return limits_; }
    const autotune::CellValues& anchor() const { return anchor_; }
    // Applications since LIVE AUTO-TUNE went on.
    int applications() const { return applications_; }

    // The AUTO-TUNE dialog's settings, used from now on (a new table's
    // defaults until the dialog is used).
    void useSettings(const autotune::Settings& settings);

    QPushButton* cmdLiveAutoTune() const { return cmdLiveAutoTune_; }
    QPushButton* cmdResetLive() const { return cmdResetLive_; }
    QLabel* lblLiveSamples() const { return lblLiveSamples_; }
    QLabel* lblLiveStatus() const { return lblLiveStatus_; }

private:
    void apply(double now);
    void showCells();
    void stop(const QString& why);
    autotune::Settings defaults(char table) const;

    GraphicalTuneControls& c_;
    TunerCells& cells_;
    TunerSession& session_;
    AutoTuneHandOff& autoTune_;
    Hooks hooks_;
    autotune::LiveAnalysis analysis_;
    tuner::LiveLimits limits_;
    autotune::CellValues anchor_{};
    bool running_ = false;
    bool chosen_ = false; // the settings came from the AUTO-TUNE dialog
    double lastApplied_ = 0;
    sample_rate::Redraws captions_; // paced as the readouts are
    int applications_ = 0;

    QPushButton* cmdLiveAutoTune_ = nullptr;
    QPushButton* cmdResetLive_ = nullptr;
    QSpinBox* spnLiveInterval_ = nullptr;
    QSpinBox* spnLiveCap_ = nullptr;
    QSpinBox* spnLiveAuthority_ = nullptr;
    QLabel* lblLiveSamples_ = nullptr;
    QLabel* lblLiveStatus_ = nullptr;
};

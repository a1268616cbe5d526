#pragma once

#include "correction/CorrectionCells.h"
#include "logs/AutoTune.h"
#include "logs/DataLog.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "AUTO-TUNE": the suggestion for the tuner's table from one or more data
// logs, with its settings, the wideband's delay (timed from the logs or
// typed in), each cell's samples and median A/F error, the rejected samples
// by reason and the assumption about which table a sample tuned. It changes nothing itself: the preview goes to the change graph
// through previewChanged, and Apply leaves the suggestion for the tuner to
// move its sliders to.
class frmAutoTune final : public QDialog {
    Q_OBJECT
public:
    struct Context {
        char table = 'O';
        tuner::Table values{}; // the tuner's CorrectionTable
        double breakpointVolts = 2.5;
        int eecInjectorSize = 19; // the table's EEC size, 0 read as 19
    };

    explicit frmAutoTune(const Context& context, QWidget* parent = nullptr);

    // Reads a log and adds it; false (and nothing added) when it is no log,
    // with why in *error.
    bool addLog(const QString& path, QString* error);

    const autotune::Settings& settings() const { return settings_; }
    const autotune::Result& result() const { return result_; }
    // The table with the suggestion applied, as the sliders will make it.
    const tuner::Table& preview() const { return preview_; }

    // Controls, by name for tests.
    QPushButton* cmdAddLog() const { return cmdAddLog_; }
    QPushButton* cmdApply() const { return cmdApply_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QLineEdit* txtTarget() const { return txtTarget_; }
    QLineEdit* txtBreakpoint() const { return txtBreakpoint_; }
    // The wideband's delay in seconds; empty: timed from the logs.
    QLineEdit* txtLag() const { return txtLag_; }
    QLabel* lblLag() const { return lblLag_; }
    QCheckBox* chkSplit() const { return chkSplit_; }
    QCheckBox* chkClosedLoop() const { return chkClosedLoop_; }
    QCheckBox* chkSmoothing() const { return chkSmoothing_; }
    QSpinBox* spnCap() const { return spnCap_; }
    QTableWidget* tblCells() const { return tblCells_; }
    QLabel* lblRejections() const { return lblRejections_; }
    QLabel* lblAssumption() const { return lblAssumption_; }
    // Locks a cell (the check box in its row), as the user would.
    void setLocked(int cell, bool locked);

    void cmdAddLog_Click();

signals:
    void previewChanged(const tuner::Table& preview);

private:
    void buildLayout();
    // False when the delay typed in is no number of seconds from 0 to 3.
    bool readSettings();
    void analyse();
    void showResult();

    Context context_;
    std::vector<logs::DataLog> logs_;
    autotune::Settings settings_;
    autotune::Result result_;
    tuner::Table preview_{};
    bool showing_ = false;

    QListWidget* lstLogs_ = nullptr;
    QPushButton* cmdAddLog_ = nullptr;
    QPushButton* cmdApply_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QLineEdit* txtTarget_ = nullptr;
    QLineEdit* txtBreakpoint_ = nullptr;
    QLineEdit* txtLag_ = nullptr;
    QLabel* lblLag_ = nullptr;
    QCheckBox* chkSplit_ = nullptr;
    QCheckBox* chkClosedLoop_ = nullptr;
    QCheckBox* chkSmoothing_ = nullptr;
    QSpinBox* spnCap_ = nullptr;
    QTableWidget* tblCells_ = nullptr;
    QLabel* lblRejections_ = nullptr;
    QLabel* lblAssumption_ = nullptr;
    QLabel* lblSummary_ = nullptr;
};

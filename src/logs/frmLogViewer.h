#pragma once

#include "logs/CellStatistics.h"
#include "logs/DataLog.h"
#include "logs/SampleFilter.h"

#include <QWidget>

#include <array>

class AirFuelScatterView;
class CellChartView;
class ChannelStripsView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

// A data log opened for looking at: three views over the same samples
// (channels over time, A/F against MAF volts, the tuner's cells), a filter
// for the last two (a stretch of time chosen on the first, the throttle
// against the W.O.T. breakpoint, engine speed), and a status line that says
// how many samples were read and how many lines were skipped.
class frmLogViewer final : public QWidget {
    Q_OBJECT
public:
    frmLogViewer(logs::DataLog log, const QString& path, QWidget* parent = nullptr);
    ~frmLogViewer() override;

    const logs::DataLog& log() const { return log_; }
    QString path() const { return path_; }

    ChannelStripsView* strips() const { return strips_; }
    AirFuelScatterView* scatter() const { return scatter_; }
    CellChartView* cellChart() const { return cellChart_; }
    QTabWidget* tabViews() const { return tabViews_; }
    QListWidget* lstChannels() const { return lstChannels_; }
    QTableWidget* tblCells() const { return tblCells_; }
    QComboBox* cmbThrottle() const { return cmbThrottle_; }
    QDoubleSpinBox* txtBreakpoint() const { return txtBreakpoint_; }
    QSpinBox* txtMinRpm() const { return txtMinRpm_; }
    QSpinBox* txtMaxRpm() const { return txtMaxRpm_; }
    QDoubleSpinBox* txtTargetAirFuel() const { return txtTargetAirFuel_; }
    QCheckBox* chkAutoTune() const { return chkAutoTune_; }
    QComboBox* cmbAutoTuneTable() const { return cmbAutoTuneTable_; }
    QDoubleSpinBox* txtAutoTuneTarget() const { return txtAutoTuneTarget_; }
    QLabel* lblAutoTune() const { return lblAutoTune_; }

    // What the side panel shows for the sample under the cursor.
    QString cursorTimeText() const;
    QString readoutText(logs::Channel channel) const;
    QString statusText() const;
    QString rangeText() const;

    const logs::SampleFilter& filter() const { return filter_; }
    const logs::CellTable& cellTable() const { return cellTable_; }

    // Handlers.
    void cmdUnitBreakpoint_Click();
    void cmdWholeLog_Click();
    void cmdSkippedLines_Click();
    void Filter_Change();
    void lstChannels_Change();
    void Cursor_Move(std::size_t sample);
    // The auto-tune suggestion for the stretch the views take, shown over
    // the A/F view while chkAutoTune is on.
    void chkAutoTune_Click();

    // A value of a sample as the viewer shows it: the decimals of the file,
    // "XXX" for no A/F reading.
    static QString ValueText(const logs::DataLog& log, logs::Channel channel, std::size_t sample);

private:
    QWidget* buildChannelsTab();
    QWidget* buildCellsTab();
    QWidget* buildAirFuelTab();
    QWidget* buildFilterRow();
    QWidget* buildStatusBar();
    void showCellTable();

    logs::DataLog log_;
    QString path_;
    logs::SampleFilter filter_;
    logs::CellTable cellTable_;

    ChannelStripsView* strips_ = nullptr;
    AirFuelScatterView* scatter_ = nullptr;
    CellChartView* cellChart_ = nullptr;
    QTabWidget* tabViews_ = nullptr;
    QListWidget* lstChannels_ = nullptr;
    QLabel* lblCursorTime_ = nullptr;
    std::array<QLabel*, logs::ChannelCount> lblReadout_{};
    QTableWidget* tblCells_ = nullptr;
    QLabel* lblWithoutReading_ = nullptr;
    QComboBox* cmbThrottle_ = nullptr;
    QDoubleSpinBox* txtBreakpoint_ = nullptr;
    QSpinBox* txtMinRpm_ = nullptr;
    QSpinBox* txtMaxRpm_ = nullptr;
    QDoubleSpinBox* txtTargetAirFuel_ = nullptr;
    QLabel* lblRange_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QCheckBox* chkAutoTune_ = nullptr;
    QComboBox* cmbAutoTuneTable_ = nullptr;
    QDoubleSpinBox* txtAutoTuneTarget_ = nullptr;
    QLabel* lblAutoTune_ = nullptr;
};

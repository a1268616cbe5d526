#pragma once

#include "monitor/DatalogRecorder.h"
#include "monitor/LiveLink.h"
#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/MonitorOffset.h"
#include "monitor/MonitorSampling.h"
#include "platform/Dialogs.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

// "VentrixTM - MONITOR": polls the unit for live samples every 50 ms while
// running, shows them, optionally logs every sample to a text file, and
// reads and adjusts the unit's MAF voltage offset and the FJO wideband
// calibration.
//
// Whoever opens it constructs it and then calls Form_Load(), which checks
// that the unit answers and enables START only then. QUIT is the only way
// out: it gives the main window its commands back.
//
// START does not wait inside itself while the monitor runs: the timer drives
// the run, and STOP, QUIT and the sliders act between its ticks.
class frmMONITOR final : public QWidget {
    Q_OBJECT
public:
    explicit frmMONITOR(QWidget* parent = nullptr);
    ~frmMONITOR() override;

    // Handlers.
    void Form_Load();
    void cmdRUN_Click();
    void cmdSTOP_Click();
    void cmdQUIT_Click();
    void cmdADVANCED_Click();
    void cmdBASIC_Click();
    void HScrollFJOCAL_Change();
    void Timer1_Timer();

    // Shared routines.
    void ShowRunIdle();
    void ShowRunForConnection();
    void ClearMonitorDisplay();

    // Writes a sample (the reply data and its decode) into the display.
    void ShowSample(const QString& data, const LiveSample& sample);

    // Window state.
    bool Running() const { return running_; }
    // A sample request has gone unanswered and its further attempts run:
    // the readouts are greyed and lblLinkStatus says so.
    bool WaitingForUnit() const { return sampling_->waiting(); }
    // The link was lost and the unit is being looked for again.
    bool Reconnecting() const { return healing_->active(); }
    live_link::Healing* Healing() const { return healing_; }
    bool Logging() const { return recorder_->isLogging(); }
    bool OffsetWritesEnabled() const { return offset_->writesEnabled(); }
    QString ProbeCode() const { return probeCode_; }
    int MultisparkCounter() const { return sampling_->multisparkCounter(); }
    int HeartbeatCounter() const { return readout_.heartbeatCounter(); }
    QTimer* Timer1() const { return sampling_->timer(); }
    const FileDialogRequest& CommonDialog1() const { return recorder_->dialog(); }
    // The log file's full name while one is written.
    QString LogFileName() const { return recorder_->path(); }

    // Window heights (twips, frame included) of the two sizes.
    static constexpr int CompactHeight = 4650;
    static constexpr int FullHeight = 8325;
    // The client area's width (twips).
    static constexpr int ClientWidth = 8310;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Creates and places every control (in its own file).
    void buildLayout();
    void setHeight(int twips);
    // The link is lost: the unit is looked for again, the log says so.
    void linkLost();
    // The unit answers again.
    void linkBack();
    // The user stopped looking: STOP (to close a log) and QUIT are left.
    void lockDown();
    // Stops everything and gives the main window its commands back (QUIT,
    // and a close by the program's exit).
    void release();

    // Window state.
    bool running_ = false;
    bool closing_ = false;
    QString probeCode_;
    datalog::Recorder* recorder_;
    LiveReadout readout_;

    // Values.
    QLabel* lblMAFInputVoltage;
    QLabel* lblOutputVoltage;
    QLabel* lblDelta;
    QLabel* lblInputFlow;
    QLabel* lblOutputFlow;
    QLabel* lblDelta_F;
    QLabel* lblAirFuelRatio;
    QLabel* lblTPSVoltage;
    QLabel* lblTPangle;
    QLabel* lblEngineSpeed;
    QLabel* lblRawDataStream;
    QLabel* lblLinkStatus;
    QLineEdit* txtRichOrLean;
    QLineEdit* txtVoltageOffset;

    // Indicator squares.
    QLineEdit* txtLOG;
    QLineEdit* txtHeartbeat;
    QLineEdit* txtWOT;
    QLineEdit* txtWastedSpark;
    QLineEdit* txtMultiSpark;
    QLineEdit* txtFlipChip;

    QPushButton* cmdCancelReconnect;
    QPushButton* cmdRUN;
    QPushButton* cmdSTOP;
    QPushButton* cmdQUIT;
    QPushButton* cmdADVANCED;
    QPushButton* cmdBASIC;
    QScrollBar* HScroll1;
    QScrollBar* HScrollFJOCAL;

    // The window's jobs.
    MonitorSampling* sampling_;
    MonitorOffset* offset_;
    live_link::Healing* healing_;
};

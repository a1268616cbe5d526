#pragma once

#include "correction/CorrectionCells.h"
#include "platform/Dialogs.h"
#include "tunefile/Tune.h"
#include "tunefile/TuneSelection.h"
#include "tuner/AutoTuneHandOff.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/LiveTunePanel.h"
#include "tuner/TunerSampling.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerKeys.h"
#include "tuner/TunerReadout.h"
#include "tuner/TunerSession.h"
#include "tuner/TunerSettingsPanel.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class HeldRedraw;
class frmAutoTune;
class TunerClosing;
class TunerLinkLoss;
class TunerTableSave;
class QTimer;

// The graphical tuner: one correction table on 25 vertical sliders and the
// change graph above them, edited off line (kept here until SAVE TABLE
// writes it into a tune the user picks) or on line (every slider move
// written to the unit at once, with the live engine display running and the
// cell in use marked). Global edits, the breakpoint and RPM-switch points,
// the slider offset and a data log complete it.
//
// The window draws and takes the user's actions; its session (TunerSession)
// holds the on-line mode and does every read and write. A value the program
// sets on a slider or bar writes nothing: only the user's moves and the
// buttons lead to writes.
//
// Whoever opens it constructs it and then calls Form_Load(), which reads the
// selected table from the unit. QUIT closes it and gives the main window its
// commands back; so does a close by the program's exit.
class frmGraphicalTune final : public QWidget, private GraphicalTuneControls {
    Q_OBJECT
public:
    explicit frmGraphicalTune(QWidget* parent = nullptr);
    ~frmGraphicalTune() override;

    // Handlers and routines.
    void Form_Load();
    void LoadTable();
    void WriteSliderCell(int cell);
    int WriteWholeMap(const tunefile::Tune& held = {});
    void VScroll1_Change(int cell);
    void optTableSelect_Click(int index);
    void cmdLoadTable_Click();
    void cmdSaveChanges_Click();
    void cmdONLINE_Click();
    void cmdOFFLINE_Click();
    void Timer1_Timer();
    void cmdDatalog_Click();
    void UserTimestamp(); // the space bar
    void cmbInjectors_Click();
    void cmbEECInjectors_Click();
    void cmdLean_Click();
    void cmdRich_Click();
    void cmdZero_Click();
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    void HScroll4_Change();
    void cmdQUIT_Click();
    // AUTO-TUNE...: the slider offset to 0, a data log asked for, then the
    // suggestion shown on the change graph until Apply or Cancel.
    void cmdAutoTune_Click();
    frmAutoTune* AutoTuneWindow() const { return autoTune_->dialog(); }
    // Ctrl+Z and Ctrl+Shift+Z / Ctrl+Y, and the UNDO and REDO buttons.
    void cmdUndo_Click();
    void cmdRedo_Click();
    // F5: ONLINE or OFFLINE, whichever is shown.
    void SwitchMode();

    // Controls.
    QScrollBar* VScroll1(int cell) const;
    QLineEdit* txtDelta(int cell) const { return deltas_.at(cell); }
    QLabel* lblRPM(int cell) const { return captions_.at(cell); }
    QRadioButton* optTableSelect(int index) const { return options_.at(index); }
    ChangeGraph* pctChangeGraph() const { return graph_; }
    QTimer* Timer1() const { return session_->timer(); }
    // Holds the engine monitor's redraws to one every 50 ms at a faster rate.
    HeldRedraw* Redraw() const { return sampling_->redraw(); }
    TunerSession& Session() const { return *session_; }
    TunerCells& Cells() const { return *cells_; }
    TunerKeys& Keys() const { return *keys_; }
    LiveTunePanel& Live() const { return *live_; }

    // Window state.
    const tuner::Table& CorrectionTable() const { return cells_->table(); }
    char TableLetter() const { return tableLetter_; }
    int OpenLoopTable() const { return openLoopTable_; }
    int SliderOffset() const { return cells_->offset(); }
    bool SliderEventsArmed() const { return cells_->armed(); }
    bool InjectorEventsSuppressed() const { return settings_->injectorEventsSuppressed(); }
    bool OnLine() const { return session_->onLine(); }
    bool Logging() const { return readout_->logging(); }
    bool DatalogArmed() const { return readout_->armed(); }
    int ActiveCell() const { return cells_->activeCell(); }
    int HeartbeatCounter() const { return sampling_->heartbeatCounter(); }
    QString LogFileName() const { return readout_->path(); }

    // As large as the window's content, but no larger than the main
    // window's work area: the rest is reached by scrolling.
    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int selectedTable() const;
    void takeTableLetter(bool setOpenLoop);
    // Shows a message (the live timer held off meanwhile); false when this
    // window did not survive it.
    bool tell(MsgIcon icon, const QString& title, const QString& text);
    // A failed read of LoadTable: its message, then the arrow pointers back.
    void loadFailed(const QString& text);
    // The link is gone: told, and only QUIT is left until the unit is back.
    void connectionLost();
    // Before the table on the sliders is replaced by another: unsaved edits
    // or an undo history are not dropped without a Yes.
    bool mayDropTable();
    void showHistory();

    TunerSession* session_ = nullptr;
    TunerLinkLoss* linkLoss_ = nullptr;
    TunerTableSave* saving_ = nullptr;
    TunerClosing* closing_ = nullptr;
    TunerCells* cells_ = nullptr;
    TunerKeys* keys_ = nullptr;
    TunerReadout* readout_ = nullptr;
    TunerSettingsPanel* settings_ = nullptr;
    AutoTuneHandOff* autoTune_ = nullptr;
    LiveTunePanel* live_ = nullptr;
    TunerSampling* sampling_ = nullptr;

    // The last load's bytes as the unit sent them: the table and the
    // registers read with it, kept as a backup when going on line.
    tunefile::Tune loaded_;
    char tableLetter_ = 'O';
    int openLoopTable_ = 1;
    // The option whose table the sliders show.
    int shownTable_ = 0;
};

#pragma once

#include "monitor/Datalog.h"
#include "platform/Dialogs.h"
#include "correction/CorrectionCells.h"
#include "tuner/GlobalEdits.h"
#include "correction/SliderInterpolation.h"
#include "tunefile/Tune.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class CellSlider;
class ChangeGraph;
class frmAutoTune;
namespace autotune {
struct Result;
}
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QScrollBar;
class QTimer;

// The graphical tuner: one correction table on 25 vertical sliders and the
// change graph above them, edited off line (kept here until SAVE TABLE
// writes it into a tune the user picks) or on line (every slider move
// written to the unit at once, with the live engine display running and the
// cell in use marked). Global edits, the breakpoint and RPM-switch points,
// the slider offset and a data log complete it.
//
// Whoever opens it constructs it and then calls Form_Load(), which reads the
// selected table from the unit. QUIT closes it and gives the main window its
// commands back; so does a close by the program's exit.
//
// On line is a mode held here, not a loop inside ONLINE: the live timer
// drives it, and a failed sample ends it with the lost-link report.
//
// Control arrays are named with their index: "VScroll1_0".."VScroll1_24",
// "txtDelta_0".., "lblRPM_0".., "optTableSelect_0".."optTableSelect_3".
class frmGraphicalTune final : public QWidget {
    Q_OBJECT
public:
    explicit frmGraphicalTune(QWidget* parent = nullptr);
    ~frmGraphicalTune() override;

    // Handlers and routines.
    void Form_Load();
    void LoadTable();
    void WriteSliderCell(int cell);
    int WriteWholeMap();
    void VScroll1_Change(int cell);
    void optTableSelect_Click(int index);
    void cmdLoadTable_Click();
    void cmdSaveChanges_Click();
    void cmdONLINE_Click();
    void cmdOFFLINE_Click();
    void Timer1_Timer();
    void cmdDatalog_Click();
    void UserTimestamp();  // the space bar
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
    frmAutoTune* AutoTuneWindow() const;

    // Controls.
    QScrollBar* VScroll1(int cell) const;
    QLineEdit* txtDelta(int cell) const { return deltas_.at(cell); }
    QLabel* lblRPM(int cell) const { return captions_.at(cell); }
    QRadioButton* optTableSelect(int index) const { return options_.at(index); }
    ChangeGraph* pctChangeGraph() const { return graph_; }
    QTimer* Timer1() const { return timer1_; }

    // Window state.
    const tuner::Table& CorrectionTable() const { return table_; }
    char TableLetter() const { return tableLetter_; }
    int OpenLoopTable() const { return openLoopTable_; }
    int SliderOffset() const { return sliderOffset_; }
    bool SliderEventsArmed() const { return sliderEventsArmed_; }
    bool InjectorEventsSuppressed() const { return injectorEventsSuppressed_; }
    bool OnLine() const { return onLine_; }
    bool Logging() const { return logging_; }
    bool DatalogArmed() const { return datalogArmed_; }
    int ActiveCell() const { return activeCell_; }
    int HeartbeatCounter() const { return heartbeatCounter_; }
    QString LogFileName() const { return log_.path(); }

    // As large as the window's content, but no larger than the main
    // window's work area: the rest is reached by scrolling.
    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void buildCells(QWidget* area);
    void buildMonitor(QWidget* area);
    void buildControls(QWidget* area);

    int selectedTable() const;
    void takeTableLetter(bool setOpenLoop);
    void setBusy(bool busy);
    void setProgress(int percent);
    // Runs one transaction with the live timer held off around it while on
    // line; the timer is back as it was afterwards.
    template <typename F>
    auto held(F&& transaction);
    // Shows a message (the live timer held off meanwhile); false when this
    // window did not survive it.
    bool tell(MsgIcon icon, const QString& title, const QString& text);
    // A failed read of LoadTable: its message, then the arrow pointers back.
    void loadFailed(const QString& text);

    // Sliders and their boxes.
    tuner::SliderValues sliderValues() const;
    void placeSliders();
    // The box shows the entry's own value, marked when it lies beyond the slider.
    void showDelta(int cell, int value);
    QColor restingBackground(int cell) const;
    bool applyWrite(int cell, int address, int value);
    bool readBackAfterFailure(int address, qint16 confirmed);
    void refuseMove(int cell, bool linkLost);
    void reportRefusal();
    void releaseSlider(int cell);
    void flushDrag();
    void sliderReleased(int cell);
    void setSliderQuietly(int cell, int value);
    void shiftAll(int delta);
    void runOverSliders(const std::function<int(int cell)>& target);
    // Moves the cells by amounts, adding to every entry (on line each changed
    // entry written once, the first failed write ending it); true when all
    // of it was done. Refused as a whole, with `refused` told which entry,
    // when an entry would leave what the unit holds.
    bool moveCells(const tuner::CellAmounts& amounts, const std::function<void(const tuner::EntryWrite&)>& refused);
    void compensate(bool installedList);
    // The list shows the size: its item, or its own number when it is not listed.
    void showInjectorSize(QComboBox* list, double size);
    void markActiveCell(int cell);
    void clearActiveCell();

    // Scroll bars set by the program, with or without their handlers.
    void showBreakpoint(int count);

    // Live display and log.
    void showSample(const QString& data);
    void connectionLost();
    void chooseLog();
    void closeLog(bool report);
    void writeLogLine();

    // Moves the cells by an accepted auto-tune suggestion (asking first on line).
    void applyAutoTune(const autotune::Result& result);
    std::optional<tuner::Table> autoTunePreview(const autotune::Result& result) const;

    // Leaving: stops everything and gives the main window its commands back.
    void release();

    // Window state.
    tuner::Table table_{};
    // The last load's bytes as the unit sent them: the table and the
    // registers read with it, kept as a backup when going on line.
    tunefile::Tune loaded_;
    char tableLetter_ = 'O';
    int openLoopTable_ = 1;
    int sliderOffset_ = 0;
    bool sliderEventsArmed_ = false;
    bool injectorEventsSuppressed_ = false;
    bool onLine_ = false;
    bool lost_ = false;
    bool closing_ = false;
    bool globalEditRunning_ = false;
    // A refused slider or global-edit write, reported once the handler that
    // met it has returned; the cell whose slider made it (-1 for none).
    bool refusalPending_ = false;
    bool refusalLinkLost_ = false;
    int refusalCell_ = -1;
    bool logging_ = false;
    bool datalogArmed_ = false;
    int activeCell_ = -1;
    int heartbeatCounter_ = 0;
    int multisparkCounter_ = 0;
    // Slider positions of a thumb drag on line not yet written, by cell.
    std::array<bool, tuner::CellCount> dragPending_{};
    bool dragFlushQueued_ = false;
    datalog::DatalogFile log_;
    FileDialogRequest logDialog_;

    // Controls.
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    ChangeGraph* graph_ = nullptr;
    std::array<CellSlider*, tuner::CellCount> sliders_{};
    std::array<QLineEdit*, tuner::CellCount> deltas_{};
    std::array<QLabel*, tuner::CellCount> captions_{};
    std::array<QRadioButton*, 4> options_{};
    QPushButton* cmdONLINE = nullptr;
    QPushButton* cmdOFFLINE = nullptr;
    QPushButton* cmdSaveChanges = nullptr;
    QPushButton* cmdLoadTable = nullptr;
    QPushButton* cmdLean = nullptr;
    QPushButton* cmdRich = nullptr;
    QPushButton* cmdZero = nullptr;
    QPushButton* cmdDatalog = nullptr;
    QPushButton* cmdQUIT = nullptr;
    QPushButton* cmdAutoTune = nullptr;
    QPointer<frmAutoTune> autoTune_;
    QComboBox* cmbInjectors = nullptr;
    QComboBox* cmbEECInjectors = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QScrollBar* HScroll2 = nullptr;
    QScrollBar* HScroll3 = nullptr;
    QScrollBar* HScroll4 = nullptr;
    QLineEdit* txtTPSBreakpoint = nullptr;
    QLineEdit* txtRPMON = nullptr;
    QLineEdit* txtRPMOFF = nullptr;

    // The ENGINE MONITOR.
    QLabel* lblMAFVoltage = nullptr;
    QLabel* lblPCMVoltage = nullptr;
    QLabel* lblTPSVoltage = nullptr;
    QLabel* lblTPangle = nullptr;
    QLabel* lblInputFlow = nullptr;
    QLabel* lblOutputFlow = nullptr;
    QLabel* lblDelta_F = nullptr;
    QLabel* lblEngineSpeed = nullptr;
    QLabel* lblAirFuelRatio = nullptr;
    QLineEdit* txtLoopMode = nullptr;
    QLineEdit* txtRichOrLean = nullptr;
    QLineEdit* txtHeartbeat = nullptr;
    QLineEdit* txtMultiSpark = nullptr;
    QLineEdit* txtWastedSpark = nullptr;
    QLineEdit* txtRPMandWOT = nullptr;
    QLineEdit* txtWindowSwitch = nullptr;
    QLineEdit* txtWOT = nullptr;
    QLineEdit* txtLOG = nullptr;

    QTimer* timer1_ = nullptr;
};

#pragma once

#include "correction/CorrectionCells.h"

#include <QSize>

#include <array>

class CellSlider;
class ChangeGraph;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QScrollBar;
class QWidget;

// The graphical tuner's controls and where they sit: the change graph above
// the 25 slider cells, the ENGINE MONITOR beside them, the table choice,
// buttons, injector lists, breakpoint and switch points, slider offset and
// data logger below. build() makes them inside the window; positions in
// twips, the whole fitting a 1024 x 768 screen and scrolling where the work
// area is smaller.
//
// Control arrays are named with their index: "VScroll1_0".."VScroll1_24",
// "txtDelta_0".., "lblRPM_0".., "optTableSelect_0".."optTableSelect_3".
struct GraphicalTuneControls {
public:
    void build(QWidget* window);
    // As large as the content, but no larger than the window's work area
    // allows (the rest is reached by scrolling); `fallback` without content.
    QSize fittedSize(const QWidget* window, QSize fallback) const;

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
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdRedo = nullptr;
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

private:
    void buildCells(QWidget* area);
    void buildMonitor(QWidget* area);
    void buildControls(QWidget* area);
};

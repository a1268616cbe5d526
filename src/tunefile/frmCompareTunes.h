#pragma once

#include "tunefile/Tune.h"

#include <QWidget>

#include <array>
#include <optional>

class CompareGraph;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

// Tune > Compare Tunes: two tunes side by side, A and B, each a tune file
// or the connected unit. For each of the four correction tables both curves
// on one graph with the differing entries marked; the list of every
// difference; the twenty registers side by side with what they mean, all of
// them or only those that differ. A table can be copied from one side to
// the other: into a file, which is written whole, or, once confirmed and
// backed up, into the unit, each write checked by its echo and read back.
class frmCompareTunes final : public QWidget {
    Q_OBJECT
public:
    static constexpr int SideCount = 2;

    explicit frmCompareTunes(QWidget* parent = nullptr);

    // A side's tune, when one is loaded.
    const std::optional<tunefile::Tune>& tune(int side) const { return tunes_.at(side); }
    // Puts a tune on a side, as opening a file or reading the unit does.
    void setTune(int side, const tunefile::Tune& tune);

    // What a side's caption says: "A: MAF_Data.tun (12-05-2026-07:41:09)".
    QString sourceText(int side) const;

    // The table letter the copy buttons copy.
    char copyTable() const;

    QLabel* lblSource(int side) const { return lblSource_.at(side); }
    QPushButton* cmdOpenFile(int side) const { return cmdOpenFile_.at(side); }
    QPushButton* cmdReadUnit(int side) const { return cmdReadUnit_.at(side); }
    CompareGraph* pctCompareGraph(int table) const { return graphs_.at(table); }
    QGroupBox* fraTable(int table) const { return tableFrames_.at(table); }
    QTabWidget* tabLists() const { return tabLists_; }
    QTableWidget* lstDifferences() const { return lstDifferences_; }
    QTableWidget* grdRegisters() const { return grdRegisters_; }
    QCheckBox* chkOnlyDifferences() const { return chkOnlyDifferences_; }
    QComboBox* cmbCopyTable() const { return cmbCopyTable_; }
    QPushButton* cmdCopyToB() const { return cmdCopyToB_; }
    QPushButton* cmdCopyToA() const { return cmdCopyToA_; }
    QLabel* lblStatus() const { return lblStatus_; }

    // Handlers.
    void cmdOpenFile_Click(int side);
    void cmdReadUnit_Click(int side);
    void chkOnlyDifferences_Click();
    void cmdCopyToB_Click();
    void cmdCopyToA_Click();
    void cmdQUIT_Click();

    QSize sizeHint() const override { return {1000, 640}; }

    // Whether a read of the unit or a copy into it is running.
    bool TalkingToUnit() const { return talkingToUnit_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSides();
    QWidget* buildGraphs();
    QWidget* buildLists();
    QWidget* buildCopyRow();
    void showComparison();
    void showRegisters();
    void copyTable(int from, int to);
    void copyIntoFile(int from, int to, char table);
    void copyIntoUnit(int from, int to, char table);
    // Whether another window is holding a conversation with the unit (its
    // commands in the main window are shut out); says so when it is.
    bool unitInUse() const;

    std::array<std::optional<tunefile::Tune>, SideCount> tunes_;
    std::array<QLabel*, SideCount> lblSource_{};
    std::array<QPushButton*, SideCount> cmdOpenFile_{};
    std::array<QPushButton*, SideCount> cmdReadUnit_{};
    std::array<CompareGraph*, tunefile::TableCount> graphs_{};
    std::array<QGroupBox*, tunefile::TableCount> tableFrames_{};
    QTabWidget* tabLists_ = nullptr;
    QTableWidget* lstDifferences_ = nullptr;
    QTableWidget* grdRegisters_ = nullptr;
    QCheckBox* chkOnlyDifferences_ = nullptr;
    QComboBox* cmbCopyTable_ = nullptr;
    QPushButton* cmdCopyToB_ = nullptr;
    QPushButton* cmdCopyToA_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    bool talkingToUnit_ = false;
};

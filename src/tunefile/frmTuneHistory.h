#pragma once

#include "tunefile/TuneHistory.h"

#include <QList>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// Tune > History...: every tune recorded, newest first, searchable by note
// and car label (both edited in place), with their fingerprints. Two records
// compared in a Compare Tunes window; one restored, whole or one table or
// the registers, into the unit (backup and question first, as an import) or
// into a tune file. When the history cannot be used the window says why.
class frmTuneHistory final : public QWidget {
    Q_OBJECT
public:
    explicit frmTuneHistory(QWidget* parent = nullptr);

    // The records shown, in the list's order.
    const QList<tune_history::Record>& shown() const { return records_; }

    // Handlers.
    void txtHistorySearch_Change();
    void cmdCompareRecords_Click();
    void cmdRestoreToUnit_Click();
    void cmdRestoreToFile_Click();
    void cmdQUIT_Click();

    // The list again, from the history file.
    void refresh();

private:
    void buildLayout();
    void grdHistory_ItemChanged(QTableWidgetItem* item);
    // The selected records, in list order.
    QList<tune_history::Record> selected() const;
    // The one selected record, or nullopt after telling the user to pick one.
    std::optional<tune_history::Record> selectedOne();
    char chosenPart() const;

    QLineEdit* txtHistorySearch_ = nullptr;
    QTableWidget* grdHistory_ = nullptr;
    QLabel* lblHistoryEmpty_ = nullptr;
    QComboBox* cboRestorePart_ = nullptr;
    QPushButton* cmdCompareRecords_ = nullptr;
    QPushButton* cmdRestoreToUnit_ = nullptr;
    QPushButton* cmdRestoreToFile_ = nullptr;
    QPushButton* cmdQUIT_ = nullptr;
    QList<tune_history::Record> records_;
    bool filling_ = false;
};

// Opens the window over the main window.
frmTuneHistory* ShowTuneHistory();

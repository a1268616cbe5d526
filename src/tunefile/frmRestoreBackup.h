#pragma once

#include "tunefile/Backups.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

// Tune > Restore Backup...: the backups taken before the unit was
// overwritten, newest first, each with its date, time, port, what it holds
// and how many of its entries the unit now holds otherwise; RESTORE imports
// the chosen one (the unit backed up first, every entry read back after).
//
// Form_Load() reads the unit once, with the export's reads, to count the
// differences. The window is modal: nothing else talks to the unit while it
// is open.
class frmRestoreBackup final : public QWidget {
    Q_OBJECT
public:
    explicit frmRestoreBackup(QWidget* parent = nullptr);

    // Lists the folder's backups and reads the unit to compare them.
    void Form_Load();
    void cmdRestore_Click();
    void cmdClose_Click();

    QTableWidget* lstBackups() const { return list_; }
    QPushButton* cmdRestore() const { return cmdRestore_; }
    // The unit's tune as last read or restored, when known.
    const std::optional<tunefile::Tune>& UnitTune() const { return unit_; }

protected:
    // Not while the unit is read or restored: the transfer runs inside a
    // handler of this window.
    void closeEvent(QCloseEvent* event) override;

private:
    void readUnit();
    void fillList();
    // While the unit is read or written, the list and the buttons wait.
    void setWorking(bool working);

    QList<tunefile::BackupFile> backups_;
    std::optional<tunefile::Tune> unit_;
    bool working_ = false;
    QLabel* lblFolder_ = nullptr;
    QTableWidget* list_ = nullptr;
    QPushButton* cmdRestore_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
};

// Opens the window over the main window (when connected) and loads it.
frmRestoreBackup* ShowRestoreBackup();

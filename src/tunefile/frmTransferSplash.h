#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The small progress window of a tune export ("Export", frmExportSplash),
// import ("Import", frmImportSplash), backup ("Backup", frmBackupSplash) or
// a read of the unit to compare with ("Read", frmReadSplash): its caption
// text with the percentage done beside it, and but for the import a Cancel
// button. No close box. It is
// shown over the main window without waiting and closed by the operation.
class frmTransferSplash final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Export, Import, Backup, Read };

    explicit frmTransferSplash(Kind kind, QWidget* parent = nullptr);

    // Shows it modeless, centred over its parent.
    void Show();
    // Closes it for good (the operation's end).
    void Unload();

    // "37%".
    void ShowPercent(int percent);
    // Whether Cancel has been pressed (all but an import).
    bool CancelPressed() const { return cancelPressed_; }

    QLabel* Label1() const { return label1_; }
    QLabel* lblPercent() const { return lblPercent_; }
    // Null for an import: once begun it runs to its end or first failure.
    QPushButton* cmdCancel() const { return cmdCancel_; }

protected:
    // Only the operation closes it.
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* label1_;
    QLabel* lblPercent_;
    QPushButton* cmdCancel_ = nullptr;
    bool closable_ = false;
    bool cancelPressed_ = false;
};

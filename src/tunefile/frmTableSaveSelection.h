#pragma once

#include <QWidget>

class QPushButton;
class QRadioButton;

// "TUNE SAVE": asks which of the four correction tables the tuner saves its
// table into. SAVE stores the chosen letter in SelectedTuneLetter, QUIT sets
// TuneSelectionCancelled; either clears TuneSelectionPending and closes the
// window. A window closed any other way counts as QUIT, so whoever waits on
// TuneSelectionPending is never left waiting.
//
// The option array is optSaveTableSelect(0..3), widgets named
// "optSaveTableSelect_0" to "optSaveTableSelect_3".
class frmTableSaveSelection final : public QWidget {
    Q_OBJECT
public:
    explicit frmTableSaveSelection(QWidget* parent = nullptr);
    ~frmTableSaveSelection() override;

    // The tune-2 options follow the unit's stage; the option with the index
    // of the tuner's selected table (0 to 3) is selected, any other index
    // keeps "TUNE1".
    void Form_Load(int tunerTableIndex);

    QRadioButton* optSaveTableSelect(int index) const;
    // Whether SAVE or QUIT (or a close) has ended the selection.
    bool ended() const { return ended_; }

    // Handlers.
    void cmdSaveTable_Click();
    void cmdQuitSaveTable_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void end(bool cancelled);

    QRadioButton* options_[4];
    QPushButton* cmdSaveTable_;
    QPushButton* cmdQuitSaveTable_;
    bool ended_ = false;
};

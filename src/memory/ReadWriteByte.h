#pragma once

#include "platform/Dialogs.h"

#include <QWidget>
#include <initializer_list>

class Lamp;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "MAF Table Manipulation": reads and writes single cells of the unit's five
// tables, lists a whole table in the table viewer and fills runs of
// correction cells. The program has one at a time (Instance()).
//
// Whoever opens it constructs it and then calls Form_Load(), which checks
// that the unit answers and enables the data controls only then.
//
// Control arrays are widgets named with their index: optTableSelect(0..4) is
// "optTableSelect_0" to "optTableSelect_4", Label1(0..3) "Label1_0" to
// "Label1_3", Label11(0..2) "Label11_0" to "Label11_2".
class ReadWriteByte final : public QWidget {
    Q_OBJECT
public:
    explicit ReadWriteByte(QWidget* parent = nullptr);
    ~ReadWriteByte() override;

    // The open window, or null when there is none (or it is closing).
    static ReadWriteByte* Instance();

    // Handlers.
    void Form_Load();
    void optTableSelect_Click(int index);
    void cmbInjectors_Click();
    void cmdADVANCED_Click();
    void cmdBASIC_Click();
    void cmdReadByte_Click();
    void cmdWriteByte_Click();
    void cmdReadTable_Click();
    void cmdWriteBlock_Click();
    void cmdQUIT_Click();

    // Marks the link lost in this window: lamps red, data controls disabled.
    void DisableControls();

    QRadioButton* optTableSelect(int index) const;
    QLabel* Label1(int index) const;
    QLabel* Label11(int index) const;

    // The letter of the selected table: H, L, O, C or F.
    char TableLetter() const;
    // The injector size the transfer function is shown and written for: the
    // list's entry, or with "<Select>" the program's installed size (19 when
    // none is known).
    double TransferCalibrationSize() const;
    bool tableReadRunning() const { return tableReadRunning_; }

    // Window heights (twips, frame included) of the two layouts.
    static constexpr int CompactHeight = 4845;
    static constexpr int ExpandedHeight = 6585;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Creates and places every control (in its own file).
    void buildControls();
    bool guard();
    void notConnected();
    void setDataControlsEnabled(bool enabled);
    // QUIT's part besides closing: the viewer closed, the main window's
    // commands given back.
    void release();
    void setHeight(int twips);
    void setEntryEnabled(QLineEdit* box, bool enabled);
    // The program-wide values follow the list's calibration while the
    // transfer function is selected.
    void applyCalibration();
    // The scale of a table's values: the calibration's for the transfer
    // function (correction tables have none).
    double ratioFor(char table) const;
    // An "Entry Error" box with the given fields in red text while it is open;
    // false when the window did not survive it.
    bool entryError(std::initializer_list<QLineEdit*> fields, const QString& text);
    bool tell(MsgIcon icon, const QString& title, const QString& text);
    // One exchange with the unit with the main window's hourglass around it
    // (RTS raised first when asked); shows the traffic in the data-stream fields.
    template <typename Exchange>
    auto talk(bool rts, Exchange exchange);
    void showTraffic();

    QPushButton* cmdReadTable;
    QPushButton* cmdReadByte;
    QPushButton* cmdWriteByte;
    QPushButton* cmdWriteBlock;
    QPushButton* cmdQUIT;
    QPushButton* cmdADVANCED;
    QPushButton* cmdBASIC;
    QLabel* Label1_[4];
    QLabel* Label11_[3];
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label12;
    QLabel* Label13;
    QLabel* Label15;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    QLabel* Label20;
    QLabel* Label21;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6;
    Lamp* Shape1; // write
    Lamp* Shape2; // link
    Lamp* Shape3; // read
    QGroupBox* Frame1;
    QRadioButton* optTableSelect_[5];
    QComboBox* cmbInjectors;

    bool linkUp_ = false; // the presence check passed and no guard has failed since
    bool tableReadRunning_ = false;
    bool closing_ = false;
};

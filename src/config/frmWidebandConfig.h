#pragma once

#include <QList>
#include <QWidget>

class QPushButton;
class QRadioButton;

// "WBO2 Configuration Menu": which wideband controller the live displays
// convert for. UPDATE stores the choice in WidebandModel and under "WBO2";
// nothing is sent to the unit. QUIT unloads the window, so each opening
// starts again from WidebandModel.
//
// Option array: optWBO2Select(0..8), widgets named "optWBO2Select_0" ..
// "optWBO2Select_8"; the click handler runs for the user's clicks only.
class frmWidebandConfig final : public QWidget {
    Q_OBJECT
public:
    static constexpr int ModelCount = 9;

    explicit frmWidebandConfig(QWidget* parent = nullptr);

    QRadioButton* optWBO2Select(int index) const { return options_.value(index); }
    QPushButton* cmdWBO2Update() const { return cmdWBO2Update_; }
    QPushButton* cmdWBO2Quit() const { return cmdWBO2Quit_; }

public slots:
    // Selects the option of WidebandModel; a model outside 0 to 8 shows the
    // first option without changing WidebandModel. Run by the constructor.
    void Form_Load();
    void cmdWBO2Update_Click();
    void cmdWBO2Quit_Click();
    void optWBO2Select_Click(int index);

private:
    QList<QRadioButton*> options_;
    QPushButton* cmdWBO2Update_;
    QPushButton* cmdWBO2Quit_;
    bool loading_ = false;
};

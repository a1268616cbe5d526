#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

#include <optional>

class QFrame;
class QPushButton;
class QRadioButton;

// "Ignition Configuration": the unit's ignition type (register 06) and
// RPM-switch mode (register 09). Filled by the configuration load at
// start-up; UPDATE VENTRIX writes the selection, reads it back and reports.
// QUIT only hides the window, so the options keep what was last read.
//
// Option arrays: optIgnitionType(0..4) and optRPMConfig(0..1), widgets named
// "optIgnitionType_0" .. "optIgnitionType_4", "optRPMConfig_0", "optRPMConfig_1".
// The click handlers run for the user's clicks only; the program's own
// selections (SelectIgnitionType, SelectRpmConfig) raise no click.
class frmIgnitionConfig final : public QWidget {
    Q_OBJECT
public:
    explicit frmIgnitionConfig(QWidget* parent = nullptr);

    QRadioButton* optIgnitionType(int index) const { return ignitionOptions_.value(index); }
    QRadioButton* optRPMConfig(int index) const { return rpmOptions_.value(index); }
    QPushButton* cmdIgnitionChange() const { return cmdIgnitionChange_; }
    QPushButton* cmdQUIT() const { return cmdQUIT_; }

    // The program's selections; an index outside the array selects none.
    void SelectIgnitionType(int index);
    void SelectRpmConfig(int index);
    int SelectedIgnitionType() const; // -1 when none is selected
    int SelectedRpmConfig() const;

    // The "UPDATE VALID" indicator.
    QFrame* Shape1() const { return Shape1_; }
    void SetIndicator(const QColor& colour);

public slots:
    void cmdIgnitionChange_Click();
    void cmdQUIT_Click();
    void optIgnitionType_Click(int index);
    void optRPMConfig_Click(int index);

protected:
    // Each showing (the menu item's) follows the unit's stage: the switch
    // modes exist on the plus stage only.
    void showEvent(QShowEvent* event) override;
    // The title bar's close button does what QUIT does: the window is only
    // ever hidden, so the options keep what the load selected.
    void closeEvent(QCloseEvent* event) override;

private:
    void warnUntilUpdated();
    bool writeRegister(int reg, int value);
    std::optional<int> readBack(int reg, const QString& failureText);
    void confirmationFailed(const QString& text);

    QList<QRadioButton*> ignitionOptions_;
    QList<QRadioButton*> rpmOptions_;
    QPushButton* cmdIgnitionChange_;
    QPushButton* cmdQUIT_;
    QFrame* Shape1_;
};

#pragma once

#include "correction/AirFuelFormula.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

// "AIR/FUEL CALCULATOR": which correction turns a measured ratio into a
// desired one, for the unit's injector curve. Sends nothing to the unit.
class frmAirFuelCalculator final : public QWidget {
    Q_OBJECT
public:
    explicit frmAirFuelCalculator(QWidget* parent = nullptr);

    QLineEdit* txtCurrentAirFuel() const { return txtCurrentAirFuel_; }
    QLineEdit* txtDesiredAirFuel() const { return txtDesiredAirFuel_; }
    QLineEdit* txtPressureChange() const { return txtPressureChange_; }
    QLineEdit* txtChangePolarity() const { return txtChangePolarity_; }
    QLineEdit* txtInjectors() const { return txtInjectors_; }

public slots:
    // Shows the injector size the result is scaled to. Run by the constructor.
    void Form_Load();
    void cmdCalculate_Click();
    void cmdQUIT_Click();

private:
    QLineEdit* txtCurrentAirFuel_;
    QLineEdit* txtDesiredAirFuel_;
    QLineEdit* txtPressureChange_;
    QLineEdit* txtChangePolarity_;
    QLineEdit* txtInjectors_;
};

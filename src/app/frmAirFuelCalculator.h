#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

// The calculation behind the window, free of widgets.
namespace air_fuel {

// Ratios outside 10:1 to 18:1 are refused, current ratio first.
inline constexpr double LowestRatio = 10.0;
inline constexpr double HighestRatio = 18.0;

// The refusal for the entered ratios, or an empty text when both are accepted.
QString EntryError(double current, double desired);

// The EEC injector size the correction is scaled to. Without a configuration
// read from the unit there is no size (0); the unit's factory size, 19 lb/hr,
// stands in, which leaves the correction unscaled.
double ScalingInjectorSize(double eecInjectorSize);

// The correction in percent that moves the engine from the current to the
// desired ratio, scaled from a 19 lb/hr curve to the given size (> 0).
double CorrectionPercent(double current, double desired, double injectorSize);

enum class Polarity { Rich, Lean, None };
Polarity PolarityOf(double percent);

// The correction as shown ("##0.0"). A small negative change keeps its
// minus sign ("-0.0" for -0.034), so the number agrees with the "LEAN"
// shown beside it.
QString ChangeText(double percent);

} // namespace air_fuel

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

#pragma once

#include <QColor>
#include <QWidget>

class QFrame;
class QLineEdit;

// "Power-up Configuration (READ ONLY) ": the values the configuration load
// read from the unit at start-up. It has no traffic of its own; QUIT only
// hides it, so the values stay for the next showing.
class frmConfigure final : public QWidget {
    Q_OBJECT
public:
    explicit frmConfigure(QWidget* parent = nullptr);

    QLineEdit* txtMAFMinimum() const { return txtMAFMinimum_; }
    QLineEdit* txtTPSMinimum() const { return txtTPSMinimum_; }
    QLineEdit* txtWOTBreakpoint() const { return txtWOTBreakpoint_; }
    QLineEdit* txtVentrixConfig() const { return txtVentrixConfig_; }
    QLineEdit* txtInjectorsOL() const { return txtInjectorsOL_; }
    QLineEdit* txtEECInjectorsOL() const { return txtEECInjectorsOL_; }
    QLineEdit* txtInjectors() const { return txtInjectors_; }
    QLineEdit* txtEECInjectors() const { return txtEECInjectors_; }
    QLineEdit* txtInjectorsOLBank2() const { return txtInjectorsOLBank2_; }
    QLineEdit* txtEECInjectorsOLBank2() const { return txtEECInjectorsOLBank2_; }
    QLineEdit* txtInjectorsBank2() const { return txtInjectorsBank2_; }
    QLineEdit* txtEECInjectorsBank2() const { return txtEECInjectorsBank2_; }

    // The "CONFIG VALID" indicator.
    QFrame* Shape1() const { return Shape1_; }
    void SetIndicator(const QColor& colour);

public slots:
    // QUIT.
    void Command1_Click();

protected:
    // The title bar's close button does what QUIT does: the window is only
    // ever hidden, so the values the load put into it stay.
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* txtMAFMinimum_;
    QLineEdit* txtTPSMinimum_;
    QLineEdit* txtWOTBreakpoint_;
    QLineEdit* txtVentrixConfig_;
    QLineEdit* txtInjectorsOL_;
    QLineEdit* txtEECInjectorsOL_;
    QLineEdit* txtInjectors_;
    QLineEdit* txtEECInjectors_;
    QLineEdit* txtInjectorsOLBank2_;
    QLineEdit* txtEECInjectorsOLBank2_;
    QLineEdit* txtInjectorsBank2_;
    QLineEdit* txtEECInjectorsBank2_;
    QFrame* Shape1_;
};

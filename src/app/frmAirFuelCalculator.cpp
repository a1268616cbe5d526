#include "app/frmAirFuelCalculator.h"

#include "app/mdlMain.h"
#include "config/TwipsLayout.h"
#include "link/RegisterMap.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/PublicVars.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

using namespace twips_layout;

namespace {

QString injectorText()
{
    return number_format::Format(air_fuel::ScalingInjectorSize(mdlPublicVars::EecInjectorSize), QStringLiteral("#0"));
}

} // namespace

frmAirFuelCalculator::frmAirFuelCalculator(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmAirFuelCalculator"));
    setWindowTitle(QStringLiteral("AIR/FUEL CALCULATOR"));
    setFixedSize(Twips(2280, this), Twips(6360, this));

    Label(this, QStringLiteral("Label3"), QStringLiteral("CURRENT A/F"), 480, 240);
    txtCurrentAirFuel_ = TextBox(this, QStringLiteral("txtCurrentAirFuel"), QStringLiteral("14.7"), 480, 480, 975, 375);
    Label(this, QStringLiteral("Label1"), QStringLiteral(":1"), 1515, 540);
    Label(this, QStringLiteral("Label4"), QStringLiteral("DESIRED A/F"), 600, 1080);
    txtDesiredAirFuel_ =
        TextBox(this, QStringLiteral("txtDesiredAirFuel"), QStringLiteral("14.7"), 480, 1320, 975, 375);
    Label(this, QStringLiteral("Label2"), QStringLiteral(":1"), 1515, 1380);
    Label(this, QStringLiteral("Label5"), QStringLiteral("AIR/FUEL CHANGE"), 180, 2280);
    txtPressureChange_ =
        TextBox(this, QStringLiteral("txtPressureChange"), QStringLiteral("0.0"), 360, 2640, 1095, 375);
    Label(this, QStringLiteral("Label6"), QStringLiteral("%"), 1515, 2700);
    txtChangePolarity_ =
        TextBox(this, QStringLiteral("txtChangePolarity"), QStringLiteral("NONE"), 480, 3240, 975, 375);
    Label(this, QStringLiteral("Label7"), QStringLiteral("BASED ON"), 360, 3840);
    txtInjectors_ = TextBox(this, QStringLiteral("txtInjectors"), QStringLiteral("19"), 600, 4080, 615, 375);
    Label(this, QStringLiteral("Label8"), QStringLiteral("[lb/hr]"), 1275, 4140);
    Label(this, QStringLiteral("Label9"), QStringLiteral("INJECTOR CURVE"), 240, 4560);
    QPushButton* calculate =
        Button(this, QStringLiteral("cmdCalculate"), QStringLiteral("CALCULATE"), 360, 5040, 1455, 495);
    QPushButton* quit = Button(this, QStringLiteral("cmdQUIT"), QStringLiteral("QUIT"), 360, 5640, 1455, 495);

    for (QLineEdit* box : {txtPressureChange_, txtChangePolarity_, txtInjectors_}) {
        box->setAlignment(Qt::AlignCenter);
        // Results, and the size comes from the unit: the calculation reads none of them.
        box->setReadOnly(true);
    }
    txtCurrentAirFuel_->setAlignment(Qt::AlignCenter);
    txtDesiredAirFuel_->setAlignment(Qt::AlignCenter);

    connect(calculate, &QPushButton::clicked, this, &frmAirFuelCalculator::cmdCalculate_Click);
    connect(quit, &QPushButton::clicked, this, &frmAirFuelCalculator::cmdQUIT_Click);

    Form_Load();
}

void frmAirFuelCalculator::Form_Load()
{
    txtInjectors_->setText(injectorText());
}

void frmAirFuelCalculator::cmdCalculate_Click()
{
    const double current = number_format::LeadingNumber(txtCurrentAirFuel_->text());
    const double desired = number_format::LeadingNumber(txtDesiredAirFuel_->text());
    Dialogs& dialogs = services::dialogs();
    const QString refusal = air_fuel::EntryError(current, desired);
    if (!refusal.isEmpty()) {
        dialogs.message(MsgIcon::Exclamation, QStringLiteral("Entry Error"), refusal, MsgButtons::Ok);
        return;
    }

    const double percent =
        air_fuel::CorrectionPercent(current, desired, air_fuel::ScalingInjectorSize(mdlPublicVars::EecInjectorSize));
    txtPressureChange_->setText(air_fuel::ChangeText(percent));
    txtInjectors_->setText(injectorText());

    switch (air_fuel::PolarityOf(percent)) {
    case air_fuel::Polarity::Rich:
        txtChangePolarity_->setText(QStringLiteral("RICH"));
        colours::SetTextColour(txtChangePolarity_, QColor(0, 64, 0));
        break;
    case air_fuel::Polarity::Lean:
        txtChangePolarity_->setText(QStringLiteral("LEAN"));
        colours::SetTextColour(txtChangePolarity_, QColor(255, 0, 0));
        break;
    case air_fuel::Polarity::None:
        txtChangePolarity_->setText(QStringLiteral("NONE"));
        colours::SetTextColour(txtChangePolarity_, QColor(0, 0, 0));
        break;
    }

    // The value shown is not clipped; the user is told what the unit can do.
    if (percent > 100.0)
        dialogs.message(MsgIcon::Information, QStringLiteral("Maximum RICH Warning"),
                        QStringLiteral("Maximum RICH correction is 100%."), MsgButtons::Ok);
    else if (percent < -100.0)
        dialogs.message(MsgIcon::Information, QStringLiteral("Maximum LEAN Warning"),
                        QStringLiteral("Maximum LEAN correction is -100%."), MsgButtons::Ok);
}

void frmAirFuelCalculator::cmdQUIT_Click()
{
    mdlMain::UnloadChild(this);
}

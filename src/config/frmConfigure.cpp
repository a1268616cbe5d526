#include "config/frmConfigure.h"

#include "config/TwipsLayout.h"
#include "platform/Colours.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace twips_layout;

namespace {

// Rows of the two tables, in twips.
constexpr int LabelLeft = 240;
constexpr int LabelWidth = 2400;
constexpr int SensorBoxLeft = 2760;
constexpr int SensorBoxWidth = 1095;
constexpr int SensorUnitLeft = 3960;
constexpr int SensorTops[] = {480, 840, 1200, 1560};
constexpr int Bank1Left = 2760;
constexpr int Bank2Left = 4320;
constexpr int InjectorBoxWidth = 615;
constexpr int InjectorUnitOffset = 675;
constexpr int InjectorTops[] = {2640, 3000, 3360, 3720};

QLineEdit* readOnlyBox(QWidget* parent, const QString& name, const QString& designText, int left, int top, int width)
{
    QLineEdit* box = TextBox(parent, name, designText, left, top, width);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

frmConfigure::frmConfigure(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmConfigure"));
    setWindowTitle(QStringLiteral("Power-up Configuration (READ ONLY) "));
    setFixedSize(Twips(6600, this), Twips(4920, this));

    // Labels are numbered as drawn; Label7 and Label14 belong to the indicator.
    int labelNumber = 1;
    const auto nextLabel = [&labelNumber] {
        if (labelNumber == 7 || labelNumber == 14)
            ++labelNumber;
        return QStringLiteral("Label%1").arg(labelNumber++);
    };

    QLabel* sensorHeading = Label(this, nextLabel(), QStringLiteral("SENSOR VALUES"), LabelLeft, 120);
    QFont bold = sensorHeading->font();
    bold.setBold(true);
    sensorHeading->setFont(bold);
    sensorHeading->adjustSize();

    const QString sensorLabels[] = {QStringLiteral("MAF Voltage @ Key On"), QStringLiteral("TPS Voltage @ Key On"),
                                    QStringLiteral("TPS WOT Breakpoint"), QStringLiteral("VentrixTM Config.")};
    for (int row = 0; row < 4; ++row)
        Label(this, nextLabel(), sensorLabels[row], LabelLeft, SensorTops[row] + 45, LabelWidth);
    txtMAFMinimum_ = readOnlyBox(this, QStringLiteral("txtMAFMinimum"), QStringLiteral("0.000"), SensorBoxLeft,
                                 SensorTops[0], SensorBoxWidth);
    txtTPSMinimum_ = readOnlyBox(this, QStringLiteral("txtTPSMinimum"), QStringLiteral("0.000"), SensorBoxLeft,
                                 SensorTops[1], SensorBoxWidth);
    txtWOTBreakpoint_ = readOnlyBox(this, QStringLiteral("txtWOTBreakpoint"), QStringLiteral("0.000"), SensorBoxLeft,
                                    SensorTops[2], SensorBoxWidth);
    txtVentrixConfig_ = readOnlyBox(this, QStringLiteral("txtVentrixConfig"), QStringLiteral("STAGE1(BASE)"),
                                    SensorBoxLeft, SensorTops[3], 1560);
    txtVentrixConfig_->setAlignment(Qt::AlignCenter);
    for (int row = 0; row < 3; ++row)
        Label(this, nextLabel(), QStringLiteral("[v]"), SensorUnitLeft, SensorTops[row] + 45);

    Shape1_ = Indicator(this, QStringLiteral("Shape1"), 5160, 600, 495, 375);
    Label(this, QStringLiteral("Label7"), QStringLiteral("CONFIG"), 5010, 1080, 795)->setAlignment(Qt::AlignCenter);
    Label(this, QStringLiteral("Label14"), QStringLiteral("VALID"), 5010, 1320, 795)->setAlignment(Qt::AlignCenter);

    HorizontalLine(this, QStringLiteral("Line1"), 120, 2040, 6360);

    QLabel* injectorHeading = Label(this, nextLabel(), QStringLiteral("INJECTOR VARIABLES"), LabelLeft, 2220);
    injectorHeading->setFont(bold);
    injectorHeading->adjustSize();
    Label(this, nextLabel(), QStringLiteral("BANK1"), Bank1Left, 2280, InjectorBoxWidth)->setAlignment(Qt::AlignCenter);
    Label(this, nextLabel(), QStringLiteral("BANK2"), Bank2Left, 2280, InjectorBoxWidth)->setAlignment(Qt::AlignCenter);

    const QString injectorLabels[] = {
        QStringLiteral("Installed Injector Size (OL)"), QStringLiteral("EEC Injector Size (OL)"),
        QStringLiteral("Installed Injector Size (CL)"), QStringLiteral("EEC Injector Size (CL)")};
    const QString bank1Names[] = {QStringLiteral("txtInjectorsOL"), QStringLiteral("txtEECInjectorsOL"),
                                  QStringLiteral("txtInjectors"), QStringLiteral("txtEECInjectors")};
    const QString bank2Names[] = {QStringLiteral("txtInjectorsOLBank2"), QStringLiteral("txtEECInjectorsOLBank2"),
                                  QStringLiteral("txtInjectorsBank2"), QStringLiteral("txtEECInjectorsBank2")};
    QLineEdit* bank1[4];
    QLineEdit* bank2[4];
    for (int row = 0; row < 4; ++row) {
        const int top = InjectorTops[row];
        Label(this, nextLabel(), injectorLabels[row], LabelLeft, top + 45, LabelWidth);
        bank1[row] = readOnlyBox(this, bank1Names[row], QStringLiteral("19"), Bank1Left, top, InjectorBoxWidth);
        Label(this, nextLabel(), QStringLiteral("[lb/hr]"), Bank1Left + InjectorUnitOffset, top + 45);
        bank2[row] = readOnlyBox(this, bank2Names[row], QStringLiteral("19"), Bank2Left, top, InjectorBoxWidth);
        Label(this, nextLabel(), QStringLiteral("[lb/hr]"), Bank2Left + InjectorUnitOffset, top + 45);
    }
    txtInjectorsOL_ = bank1[0];
    txtEECInjectorsOL_ = bank1[1];
    txtInjectors_ = bank1[2];
    txtEECInjectors_ = bank1[3];
    txtInjectorsOLBank2_ = bank2[0];
    txtEECInjectorsOLBank2_ = bank2[1];
    txtInjectorsBank2_ = bank2[2];
    txtEECInjectorsBank2_ = bank2[3];

    HorizontalLine(this, QStringLiteral("Line2"), 120, 4140, 6360);

    QPushButton* quit = Button(this, QStringLiteral("Command1"), QStringLiteral("QUIT"), 2640, 4290, 1335, 435);
    connect(quit, &QPushButton::clicked, this, &frmConfigure::Command1_Click);
}

void frmConfigure::SetIndicator(const QColor& colour)
{
    colours::SetBackground(Shape1_, colour);
}

void frmConfigure::Command1_Click()
{
    mdlPublicVars::ConfigLoading = false;
    mdlMain::HideChild(this);
}

void frmConfigure::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Command1_Click();
}

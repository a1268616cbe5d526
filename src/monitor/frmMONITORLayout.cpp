#include "monitor/frmMONITOR.h"

#include "config/TwipsLayout.h"
#include "monitor/VoltageOffset.h"
#include "platform/Colours.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using twips_layout::Label;

namespace {

constexpr int ButtonWidth = 1635;
constexpr int ButtonHeight = 495;
constexpr int Square = 435;
constexpr int ValueWidth = 1335;
constexpr int ValueHeight = 375;

} // namespace

void frmMONITOR::buildLayout()
{
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    const auto value = [&](const char* name, const char* text, int left, int top, int width = ValueWidth) {
        QLabel* label = Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, ValueHeight);
        label->setFont(big);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    const auto caption = [&](const char* name, const char* text, int left, int top, int width = 2300) {
        return Label(this, QString::fromLatin1(name), QString::fromLatin1(text), left, top, width, 285);
    };
    const auto button = [&](const char* name, const char* text, int top) {
        return twips_layout::Button(this, QString::fromLatin1(name), QString::fromLatin1(text), 180, top,
                                    ButtonWidth, ButtonHeight);
    };
    const auto square = [&](const char* name, int left, int top) {
        QLineEdit* box = twips_layout::TextBox(this, QString::fromLatin1(name), QString(), left, top, Square, Square);
        box->setReadOnly(true);
        box->setEnabled(false);
        box->setFocusPolicy(Qt::NoFocus);
        colours::SetButtonFace(box);
        return box;
    };

    // Voltages.
    caption("Label3", "VOLTAGE FROM MAF", 240, 120);
    lblMAFInputVoltage = value("lblMAFInputVoltage", "0.000", 240, 420);
    caption("Label5", "[volts]", 1620, 480, 800);
    caption("Label4", "VOLTAGE TO PCM", 2700, 120);
    lblOutputVoltage = value("lblOutputVoltage", "0.000", 2700, 420);
    caption("Label6", "[volts]", 4080, 480, 800);
    caption("Label12", "VOLTAGE CHANGE", 5460, 120);
    lblDelta = value("lblDelta", "00.0", 5460, 420);
    caption("Label13", "%", 6840, 480, 300);

    // Flows.
    caption("Label18", "MEASURED MASS FLOW", 240, 960);
    lblInputFlow = value("lblInputFlow", "0", 240, 1260);
    caption("Label11", "[kg/hr]", 1620, 1320, 800);
    caption("Label16", "CORRECTED MASS FLOW", 2700, 960);
    lblOutputFlow = value("lblOutputFlow", "0", 2700, 1260);
    caption("Label10", "[kg/hr]", 4080, 1320, 800);
    caption("Label2", "FLOW CHANGE", 5460, 960, 1500);
    lblDelta_F = value("lblDelta_F", "00.0", 5460, 1260);
    caption("Label1", "%", 6840, 1320, 300);
    caption("Label22", "AIR/FUEL", 7200, 720, 1000);
    caption("Label21", "CHANGE", 7200, 960, 1000);
    txtRichOrLean = twips_layout::TextBox(this, QStringLiteral("txtRichOrLean"), QString(), 7200, 1260, 855, 375);
    txtRichOrLean->setReadOnly(true);
    txtRichOrLean->setAlignment(Qt::AlignCenter);
    txtRichOrLean->setFocusPolicy(Qt::NoFocus);
    txtRichOrLean->setEnabled(false);
    colours::SetButtonFace(txtRichOrLean);

    // Controls.
    caption("Label15", "CONTROLS", 420, 2040, 1400);
    cmdRUN = button("cmdRUN", "START", 2340);
    cmdRUN->setEnabled(false);
    cmdSTOP = button("cmdSTOP", "STOP", 2340);
    cmdSTOP->hide();
    cmdSTOP->setEnabled(false);
    cmdQUIT = button("cmdQUIT", "QUIT", 2880);
    cmdADVANCED = button("cmdADVANCED", "ADVANCED >>", 3420);
    cmdBASIC = button("cmdBASIC", "BASIC <<", 3420);
    cmdBASIC->hide();
    cmdBASIC->setEnabled(false);

    // Air/fuel, engine speed, throttle.
    caption("Label27", "AIR/FUEL RATIO", 2160, 2340);
    lblAirFuelRatio = value("lblAirFuelRatio", "XXX", 2160, 2640, 1200);
    lblAirFuelRatio->setAlignment(Qt::AlignCenter);
    colours::SetReadout(lblAirFuelRatio, colours::Red);
    caption("Label25", ":1", 3400, 2700, 300);
    caption("Label20", "(REQUIRES WBO2)", 2160, 3060, 1800);
    caption("Label26", "ENGINE SPEED", 2100, 3300);
    lblEngineSpeed = value("lblEngineSpeed", "0", 2100, 3600);
    caption("Label24", "[rpm]", 3480, 3660, 800);
    caption("Label8", "TPS INPUT VOLTAGE", 4800, 2040);
    lblTPSVoltage = value("lblTPSVoltage", "0.000", 4800, 2340);
    caption("Label9", "[volts]", 6180, 2400, 800);
    caption("Label19", "THROTTLE PLATE ANGLE", 5040, 3060);
    lblTPangle = value("lblTPangle", "00.0", 5040, 3360);
    caption("Label7", "[deg]", 6420, 3420, 700);

    caption("Label23", "LOG", 7380, 2040, 800);
    txtLOG = square("txtLOG", 7380, 2340);
    caption("Label14", "ACTIVITY", 7200, 3180, 1000);
    txtHeartbeat = square("txtHeartbeat", 7380, 3480);

    // Full size only: the MAF offset, the FJO calibration, the raw data.
    caption("Label32", "MAF OFFSET", 1080, 4620, 1150);
    txtVoltageOffset = twips_layout::TextBox(this, QStringLiteral("txtVoltageOffset"), QStringLiteral("0.000"),
                                             2280, 4575, 855, 315);
    txtVoltageOffset->setReadOnly(true);
    // A value shown, not typed: it takes no focus (which STOP hiding itself
    // would otherwise hand it, text selected).
    txtVoltageOffset->setFocusPolicy(Qt::NoFocus);
    caption("Label33", "[volts]", 3180, 4620, 800);
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(Twips(4440, this), Twips(4560, this), Twips(3600, this), Twips(255, this));
    HScroll1->setRange(voltage_offset::SliderMinimum, voltage_offset::SliderMaximum);
    HScroll1->setPageStep(10);
    HScroll1->setSingleStep(1);
    // A change is the value the user lets go of, not every step of a drag.
    HScroll1->setTracking(false);
    caption("Label31", "-0.5V", 4440, 4860, 600);
    caption("Label29", "0.0V", 6000, 4860, 600)->setAlignment(Qt::AlignHCenter);
    caption("Label30", "+0.5V", 7440, 4860, 600)->setAlignment(Qt::AlignRight);

    caption("Label37", "FJO CALIBRATION", 1320, 5460);
    HScrollFJOCAL = new QScrollBar(Qt::Horizontal, this);
    HScrollFJOCAL->setObjectName(QStringLiteral("HScrollFJOCAL"));
    HScrollFJOCAL->setGeometry(Twips(1320, this), Twips(5760, this), Twips(5640, this), Twips(255, this));
    HScrollFJOCAL->setRange(-10, 10);
    HScrollFJOCAL->setPageStep(1);
    HScrollFJOCAL->setTracking(false);
    caption("Label28", "DECREASE", 1320, 6060, 1200);
    caption("Label35", "0", 3840, 6060, 300)->setAlignment(Qt::AlignHCenter);
    caption("Label36", "INCREASE", 5760, 6060, 1200)->setAlignment(Qt::AlignRight);
    caption("Label34", "** ADJUST SLIDER UNTIL MONITOR MATCHES FJO OUTPUT WHEN A/F > 14.7:1", 120, 6360,
            ClientWidth - 240);

    caption("Label17", "RAW DATA STREAM", 300, 6780);
    lblRawDataStream = Label(this, QStringLiteral("lblRawDataStream"), QString(), 300, 7080, 6400, 285);
    lblRawDataStream->setTextFormat(Qt::PlainText);

    // Four status squares without labels of their own: kept up to date on
    // every sample but never shown, since unlabelled they tell the user nothing.
    txtWOT = square("txtWOT", 6960, 6840);
    txtWastedSpark = square("txtWastedSpark", 7440, 6840);
    txtMultiSpark = square("txtMultiSpark", 6960, 7320);
    txtFlipChip = square("txtFlipChip", 7440, 7320);
    for (QWidget* hidden : {txtWOT, txtWastedSpark, txtMultiSpark, txtFlipChip})
        hidden->hide();

    // Shown only while a silent unit's attempts run out, along the bottom of
    // the compact window.
    lblLinkStatus = Label(this, QStringLiteral("lblLinkStatus"), QString(), 180, 3990, ClientWidth - 360, 270);
    lblLinkStatus->setTextFormat(Qt::PlainText);
    lblLinkStatus->setAlignment(Qt::AlignCenter);
    QFont bold = lblLinkStatus->font();
    bold.setBold(true);
    lblLinkStatus->setFont(bold);
    colours::SetReadout(lblLinkStatus, colours::Yellow);
    lblLinkStatus->hide();
}

#include "config/frmIgnitionConfig.h"

#include "config/OptionArray.h"
#include "config/TwipsLayout.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "link/Unit.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace twips_layout;

namespace {

// Every transaction of the update.

const QString UpdateFailedTitle = QStringLiteral("Configuration Update Failure!");
const QString UpdateFailedText = QStringLiteral("Configuration update failed! Please try again.");
const QString ConfirmFailedTitle = QStringLiteral("Configuration Failure!");

void tell(const QString& title, const QString& text)
{
    services::dialogs().message(MsgIcon::Exclamation, title, text, MsgButtons::Ok);
}

} // namespace

frmIgnitionConfig::frmIgnitionConfig(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmIgnitionConfig"));
    setWindowTitle(QStringLiteral("Ignition Configuration"));
    setFixedSize(Twips(6240, this), Twips(4080, this));

    auto* frame1 = new QGroupBox(QStringLiteral("IGNITION TYPE"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(Twips(240, this), Twips(240, this), Twips(3720, this), Twips(2160, this));
    for (int i = 0; i < register_map::IgnitionTypeCount; ++i) {
        QRadioButton* option = Option(frame1, QStringLiteral("optIgnitionType_%1").arg(i),
                                      register_map::IgnitionCaption(i), 240, 360 + i * 340, 3360);
        connect(option, &QRadioButton::clicked, this, [this, i] { optIgnitionType_Click(i); });
        ignitionOptions_.append(option);
    }

    auto* frame2 = new QGroupBox(QStringLiteral("RPM SWITCH CONFIG"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    frame2->setGeometry(Twips(240, this), Twips(2580, this), Twips(3720, this), Twips(1140, this));
    // "&&" shows as one ampersand, as on any button caption.
    for (int i = 0; i < register_map::RpmModeCount; ++i) {
        QRadioButton* option =
            Option(frame2, QStringLiteral("optRPMConfig_%1").arg(i),
                   QString(register_map::RpmModeCaption(i)).replace(QLatin1Char('&'), QStringLiteral("&&")), 240,
                   360 + i * 340, 3360);
        connect(option, &QRadioButton::clicked, this, [this, i] { optRPMConfig_Click(i); });
        rpmOptions_.append(option);
    }

    Shape1_ = Indicator(this, QStringLiteral("Shape1"), 4800, 480, 495, 375);
    Label(this, QStringLiteral("Label7"), QStringLiteral("UPDATE"), 4620, 960, 855)->setAlignment(Qt::AlignCenter);
    Label(this, QStringLiteral("Label14"), QStringLiteral("VALID"), 4620, 1200, 855)->setAlignment(Qt::AlignCenter);

    cmdIgnitionChange_ =
        Button(this, QStringLiteral("cmdIgnitionChange"), QStringLiteral("UPDATE VENTRIX"), 4200, 2640, 1800, 495);
    cmdQUIT_ = Button(this, QStringLiteral("cmdQUIT"), QStringLiteral("QUIT"), 4200, 3240, 1800, 495);
    connect(cmdIgnitionChange_, &QPushButton::clicked, this, &frmIgnitionConfig::cmdIgnitionChange_Click);
    connect(cmdQUIT_, &QPushButton::clicked, this, &frmIgnitionConfig::cmdQUIT_Click);
}

void frmIgnitionConfig::SelectIgnitionType(int index)
{
    option_array::Select(ignitionOptions_, index);
}

void frmIgnitionConfig::SelectRpmConfig(int index)
{
    option_array::Select(rpmOptions_, index);
}

int frmIgnitionConfig::SelectedIgnitionType() const
{
    return option_array::Selected(ignitionOptions_);
}

int frmIgnitionConfig::SelectedRpmConfig() const
{
    return option_array::Selected(rpmOptions_);
}

void frmIgnitionConfig::SetIndicator(const QColor& colour)
{
    colours::SetBackground(Shape1_, colour);
}

void frmIgnitionConfig::showEvent(QShowEvent* event)
{
    for (QRadioButton* option : rpmOptions_)
        option->setEnabled(mdlPublicVars::IsPlusStage);
    QWidget::showEvent(event);
    mdlPublicVars::ConfigLoading = false;
}

void frmIgnitionConfig::warnUntilUpdated()
{
    if (!mdlPublicVars::ConfigLoading)
        tell(QStringLiteral("Warning!"), QStringLiteral("Changes will NOT take effect until you UPDATE VENTRIX!"));
}

void frmIgnitionConfig::optIgnitionType_Click(int)
{
    warnUntilUpdated();
}

void frmIgnitionConfig::optRPMConfig_Click(int)
{
    warnUntilUpdated();
}

bool frmIgnitionConfig::writeRegister(int reg, int value)
{
    mdlMain::SetBusyPointer(true);
    const bool written = unit::WriteRegister(unit::Use::IgnitionUpdate, reg, value);
    mdlMain::SetBusyPointer(false);
    // A unit that answered with another echo is not taken at its word either
    // way: the read-back that follows shows what it holds, and reports the
    // change as failed when it is not the one written.
    const bool answered = written || !unit::LastReply().isEmpty();
    if (!answered)
        tell(UpdateFailedTitle, UpdateFailedText);
    return answered;
}

std::optional<int> frmIgnitionConfig::readBack(int reg, const QString& failureText)
{
    mdlMain::SetBusyPointer(true);
    const std::optional<int> read = unit::ReadRegister(unit::Use::IgnitionUpdate, reg);
    mdlMain::SetBusyPointer(false);
    if (!read)
        confirmationFailed(failureText);
    return read;
}

void frmIgnitionConfig::confirmationFailed(const QString& text)
{
    tell(ConfirmFailedTitle, text);
    SetIndicator(colours::Red);
}

void frmIgnitionConfig::cmdIgnitionChange_Click()
{
    if (!mdlMain::ConnectionGuard())
        return;

    // Without a selection there is no code to write; nothing is sent rather
    // than a guessed code, and the user is told what is missing.
    const bool plus = mdlPublicVars::IsPlusStage;
    const int ignitionCode = register_map::IgnitionCodeOf(SelectedIgnitionType());
    if (ignitionCode < 0) {
        tell(UpdateFailedTitle, QStringLiteral("No ignition type is selected. Please select one and try again."));
        return;
    }
    const int rpmMode = register_map::RpmModeOf(SelectedRpmConfig());
    if (plus && rpmMode < 0) {
        tell(UpdateFailedTitle, QStringLiteral("No RPM switch mode is selected. Please select one and try again."));
        return;
    }

    const QString ignitionNotChanged = QStringLiteral("Failed to change ignition mode. Please try again.");
    if (!writeRegister(cmd::IgnitionType, ignitionCode))
        return;
    const std::optional<int> ignitionRead = readBack(cmd::IgnitionType, ignitionNotChanged);
    if (!ignitionRead)
        return;
    SelectIgnitionType(register_map::IgnitionIndexOf(*ignitionRead));
    // The unit answered, but with another setting than the one written: the
    // change was not confirmed, and saying it succeeded would be wrong.
    if (*ignitionRead != ignitionCode) {
        confirmationFailed(ignitionNotChanged);
        return;
    }

    if (plus) {
        const QString rpmNotChanged = QStringLiteral("Failed to change RPM Switch mode. Please try again.");
        if (!writeRegister(cmd::RpmSwitchMode, rpmMode))
            return;
        const std::optional<int> rpmRead = readBack(cmd::RpmSwitchMode, rpmNotChanged);
        if (!rpmRead)
            return;
        SelectRpmConfig(register_map::RpmModeIndexOf(*rpmRead));
        if (*rpmRead != rpmMode) {
            confirmationFailed(rpmNotChanged);
            return;
        }
    }

    // Both settings were read back as written.
    SetIndicator(colours::Green);
    tell(QStringLiteral("Configuration Update Successful!"), QStringLiteral("Ventrix Update Successful!"));
}

void frmIgnitionConfig::cmdQUIT_Click()
{
    mdlPublicVars::ConfigLoading = false;
    mdlMain::HideChild(this);
}

void frmIgnitionConfig::closeEvent(QCloseEvent* event)
{
    event->ignore();
    cmdQUIT_Click();
}

#include "config/frmWidebandConfig.h"

#include "config/OptionArray.h"
#include "config/TwipsLayout.h"
#include "link/SettingsStore.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

using namespace twips_layout;

frmWidebandConfig::frmWidebandConfig(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmWidebandConfig"));
    setWindowTitle(QStringLiteral("WBO2 Configuration Menu"));
    setFixedSize(Twips(5640, this), Twips(4080, this));

    auto* frame = new QGroupBox(QStringLiteral("SELECT WBO2 MODEL"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(Twips(240, this), Twips(240, this), Twips(3480, this), Twips(3600, this));
    const QString captions[ModelCount] = {QStringLiteral("FJO WBO2"),        QStringLiteral("BAILEY AFM-1"),
                                          QStringLiteral("TECHEDGE DIY-WB"), QStringLiteral("EFI (BOSCH) WIDEBAND"),
                                          QStringLiteral("PLX WIDEBAND"),    QStringLiteral("ZEITRONIX ZT-2"),
                                          QStringLiteral("AEM UEGO"),        QStringLiteral("UEGO1000/2000"),
                                          QStringLiteral("INNOVATE LM-1")};
    for (int i = 0; i < ModelCount; ++i) {
        QRadioButton* option =
            Option(frame, QStringLiteral("optWBO2Select_%1").arg(i), captions[i], 240, 360 + i * 350, 3000);
        connect(option, &QRadioButton::clicked, this, [this, i] { optWBO2Select_Click(i); });
        options_.append(option);
    }

    cmdWBO2Update_ = Button(this, QStringLiteral("cmdWBO2Update"), QStringLiteral("UPDATE"), 3960, 1080, 1440, 495);
    cmdWBO2Quit_ = Button(this, QStringLiteral("cmdWBO2Quit"), QStringLiteral("QUIT"), 3960, 1800, 1440, 495);
    connect(cmdWBO2Update_, &QPushButton::clicked, this, &frmWidebandConfig::cmdWBO2Update_Click);
    connect(cmdWBO2Quit_, &QPushButton::clicked, this, &frmWidebandConfig::cmdWBO2Quit_Click);

    Form_Load();
}

void frmWidebandConfig::Form_Load()
{
    loading_ = true;
    const int model = mdlPublicVars::WidebandModel;
    option_array::Select(options_, model >= 0 && model < ModelCount ? model : 0);
    loading_ = false;
}

void frmWidebandConfig::optWBO2Select_Click(int)
{
    if (!loading_)
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Warning!"),
                                    QStringLiteral("Changes will NOT take effect until you click UPDATE"),
                                    MsgButtons::Ok);
}

void frmWidebandConfig::cmdWBO2Update_Click()
{
    const int selected = option_array::Selected(options_);
    if (selected >= 0)
        mdlPublicVars::WidebandModel = selected;
    startup_settings::Write(startup_settings::WidebandModel, QString::number(mdlPublicVars::WidebandModel));
    services::dialogs().message(MsgIcon::Information, QStringLiteral("Notification"),
                                QStringLiteral("UPDATE Successful"), MsgButtons::Ok);
}

void frmWidebandConfig::cmdWBO2Quit_Click()
{
    mdlMain::UnloadChild(this);
}

#include "app/AboutBox.h"

#include "app/Version.h"
#include "link/ConfigurationRead.h"
#include "link/SerialPort.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

namespace about_box {

namespace {

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(kestrel::version::Major)
        .arg(kestrel::version::Minor)
        .arg(kestrel::version::Revision);
}

} // namespace

QString Text()
{
    using namespace mdlPublicVars;
    QString firmware = QStringLiteral("Firmware Revision: Not detected.");
    if (Connected) {
        services::port().setRts(true);
        mdlMain::SetBusyPointer(true);
        const std::optional<QString> revision = ReadFirmwareRevision();
        mdlMain::SetBusyPointer(false);
        if (revision)
            firmware = QStringLiteral("Firmware Revision: ") + *revision;
    }
    return QStringLiteral("KESTREL for Windows Version ") + versionText() + QLatin1Char('\n') + firmware;
}

void Show()
{
    services::dialogs().message(MsgIcon::Information, QStringLiteral("KESTREL - VentrixTM Communications Software"),
                                Text());
}

} // namespace about_box

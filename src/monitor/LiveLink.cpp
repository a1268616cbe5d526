#include "monitor/LiveLink.h"

#include "link/SerialPort.h"
#include "monitor/mdlMonitor.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"

namespace live_link {

void ReportLost()
{
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Connection Error!"),
                                mdlMonitor::LostConnectionText);
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    mdlMain::ShowNotConnected();
}

} // namespace live_link

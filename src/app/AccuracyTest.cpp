#include "app/AccuracyTest.h"

#include "app/mdlMain.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/Unit.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QStringList>

namespace {

const QStringList HeldDuringTest = {QStringLiteral("cmdDisconnect"),   QStringLiteral("mnuMemory"),
                                    QStringLiteral("mnuDiagnostics"),  QStringLiteral("mnuVentrix"),
                                    QStringLiteral("mnuHelp"),         QStringLiteral("cmdGraphicalTune"),
                                    QStringLiteral("cmdMemoryModify"), QStringLiteral("cmdAccuracyTest"),
                                    QStringLiteral("cmdVentrixRun"),   QStringLiteral("cmdAbout")};

// Unlike the windows' guard this leaves the indicator and the Connect and
// Disconnect buttons as they are.
bool refusedWithoutConnection()
{
    if (mdlPublicVars::Connected)
        return false;
    mdlMain::SetCaption(QStringLiteral("Not Connected"));
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Connection Error"),
                                QStringLiteral("Not connected to Ventrix. Please connect and try again."),
                                MsgButtons::Ok);
    return true;
}

void prepareLink()
{
    SerialPort& port = services::port();
    if (port.isOpen())
        port.setRts(true);
}

void reportSelfTest(const std::optional<QString>& reply)
{
    const QString verdict = cmd::Text(reply.value_or(QString()), cmd::reply::SelfTestResult);
    Dialogs& dialogs = services::dialogs();
    if (verdict == QLatin1String("tp"))
        dialogs.message(MsgIcon::Information, QStringLiteral("VentrixTM Accuracy Test - PASS"),
                        QStringLiteral("Accuracy Test Passed."), MsgButtons::Ok);
    else if (verdict == QLatin1String("tf"))
        dialogs.message(MsgIcon::Exclamation, QStringLiteral("VentrixTM Accuracy Test - FAIL"),
                        QStringLiteral("Accuracy Test Failed! Do not use on vehicle!"), MsgButtons::Ok);
    else if (!reply)
        dialogs.message(MsgIcon::Exclamation, QStringLiteral("VentrixTM Accuracy Test - TIMEOUT"),
                        QStringLiteral("Accuracy Test Time-out Error. Try Again."), MsgButtons::Ok);
    // Any other answer from the unit ends the test without a word.
}

} // namespace

void RunAccuracyTest()
{
    if (refusedWithoutConnection())
        return;
    prepareLink();

    mdlMain::SetControlsEnabled(HeldDuringTest, false);
    const MsgAnswer answer = services::dialogs().message(
        MsgIcon::Exclamation, QStringLiteral("WARNING!"),
        QStringLiteral("Do not run this test with engine running!\r\nHit OK to continue or Cancel to exit this test."),
        MsgButtons::OkCancel);
    if (answer != MsgAnswer::Cancel) {
        prepareLink();
        mdlMain::SetBusyPointer(true);
        // The self-test takes its time: each attempt may wait close to a minute.
        const std::optional<QString> reply = unit::SelfTest(unit::Use::SelfTest);
        mdlMain::SetBusyPointer(false);
        reportSelfTest(reply);
    }

    QStringList restored = HeldDuringTest;
    restored.removeOne(QStringLiteral("cmdDisconnect"));
    mdlMain::SetControlsEnabled(restored, true);
    if (mdlPublicVars::Connected)
        mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
}

void RunSoftReset()
{
    if (refusedWithoutConnection())
        return;

    mdlMain::SetBusyPointer(true);
    prepareLink();
    if (unit::SoftReset(unit::Use::SoftReset)) {
        mdlMain::SetBusyPointer(false);
        return;
    }

    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Reset Error"),
                                QStringLiteral("Soft Reset Failed!\r\nPlease cycle power to VentrixTM."),
                                MsgButtons::Ok);
    mdlMain::SetBusyPointer(false);
    // The unit may be anywhere in its restart: let go of the port and show the
    // program as disconnected, as Disconnect would, so that no later command
    // is sent on a closed port and Connect can find the unit again.
    SerialPort& port = services::port();
    if (port.isOpen()) {
        port.setRts(false);
        port.close();
    }
    mdlPublicVars::Connected = false;
    mdlMain::ShowNotConnected();
}

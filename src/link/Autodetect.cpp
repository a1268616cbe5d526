#include "link/Autodetect.h"

#include "link/Commands.h"
#include "link/PortDiagnosis.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "link/Unit.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace mdlPublicVars;

constexpr int ReadyStatus = 3;
constexpr int AskAgainStatus = 2;
constexpr int NoneFoundStatus = 255;
constexpr int FirstScannedPort = 1;
constexpr int LastScannedPort = 6;

bool searching = false;

// How a probe ended.
enum class Probe {
    Found,          // the unit answered ready
    NoAnswer,       // the first probe got no reply
    NotReady,       // it answered something other than 2 or 3
    SecondNoAnswer, // it asked to be asked again, then did not answer
    SecondNotReady, // asked again, it answered but not ready
    PortUnusable,   // no such port, or it could not be opened
    PortBusy,       // already open: leave it so
    SearchEnds,     // an error the search cannot go past
};

// A probe step that failed with a port error, and what the search does then.
class ProbeAbort {
public:
    explicit ProbeAbort(Probe outcome) : outcome(outcome) { }
    Probe outcome;
};

class PortProbe {
public:
    PortProbe(SerialPort& port, const ConnectionView& view) : port_(port), view_(view) { }

    Probe run(int portNumber)
    {
        try {
            return probe(portNumber);
        } catch (const ProbeAbort& abort) {
            return abort.outcome;
        }
    }

private:
    Probe probe(int portNumber)
    {
        port_.setPortNumber(portNumber);
        step(port_.setRts(true));
        step(port_.open());
        discardInput();
        int result = ask();
        closePort();
        if (result != 1)
            return Probe::NoAnswer;
        ProbeStatus = ProbeStatusOf(LastReplyData());
        if (ProbeStatus == ReadyStatus)
            return Probe::Found;
        if (ProbeStatus != AskAgainStatus)
            return Probe::NotReady;

        // Asked to be asked again: give the unit time to settle, then probe once more.
        step(port_.setRts(true));
        wait(1000);
        step(port_.open());
        wait(2000);
        result = ask();
        closePort();
        if (result != 1)
            return Probe::SecondNoAnswer;
        ProbeStatus = ProbeStatusOf(LastReplyData());
        return ProbeStatus == ReadyStatus ? Probe::Found : Probe::SecondNotReady;
    }

    int ask()
    {
        const int result = unit::Probe(unit::Use::StartupProbe) ? 1 : 0;
        if (const PortError error = LastSendFramePortError(); error != PortError::None)
            step(error);
        return result;
    }

    void discardInput()
    {
        QByteArray junk;
        step(port_.readAll(junk));
    }

    void closePort()
    {
        if (port_.isOpen())
            port_.close();
    }

    // The user may leave the program while the windows run: the probe
    // then stops before anything more goes out.
    void wait(int ms)
    {
        services::clock().waitProcessingEvents(ms);
        if (view_.searchAbandoned())
            throw ProbeAbort(Probe::SearchEnds);
    }

    // Reacts to a port error as the search does: some are mended and the
    // probe goes on, the others end this probe (or the whole search).
    void step(PortError error)
    {
        switch (error) {
        case PortError::None:
            return;
        case PortError::PortNotOpen:
            port_.open();
            wait(2000);
            return;
        case PortError::ReceiveOverflow: {
            QByteArray junk;
            port_.readAll(junk);
            return;
        }
        case PortError::PortAlreadyOpen:
            throw ProbeAbort(Probe::PortBusy);
        case PortError::InvalidPortNumber:
        case PortError::HardwareNotAvailable:
        case PortError::DeviceNotOpen:
            throw ProbeAbort(Probe::PortUnusable);
        case PortError::Other:
            break;
        }
        throw ProbeAbort(Probe::SearchEnds);
    }

    SerialPort& port_;
    const ConnectionView& view_;
};

// The view learns when the search starts and ends, however it ends.
class SearchScope {
public:
    explicit SearchScope(ConnectionView& view) : view_(view)
    {
        searching = true;
        view_.searchStarted();
    }
    ~SearchScope()
    {
        searching = false;
        view_.searchEnded();
    }
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;

private:
    ConnectionView& view_;
};

// The stored last port, or 0 when what is stored is not a port number.
int storedPortNumber()
{
    const QString stored = startup_settings::Read(startup_settings::LastActiveCommPort, QStringLiteral("1")).trimmed();
    bool ok = false;
    const int number = stored.toInt(&ok);
    return ok ? number : 0;
}

int storedWidebandModel()
{
    return WidebandModelFromSetting(startup_settings::Read(startup_settings::WidebandModel, QStringLiteral("1")));
}

void saveLastPort()
{
    startup_settings::Write(startup_settings::LastActiveCommPort, QString::number(CommPortNumber));
}

void succeed(ConnectionView& view, bool autodetectShown)
{
    SerialPort& port = services::port();
    CommPortNumber = static_cast<qint16>(PortCandidate);
    saveLastPort();
    port.setPortNumber(PortCandidate);
    port.setRts(true);
    if (!port.isOpen())
        port.open();
    view.setBusyPointer(false);
    view.showConnectedIndicator(CommPortNumber);
    Connected = true;
    if (autodetectShown)
        view.unloadAutodetectWindow();
}

void notFound(ConnectionView& view, bool autodetectShown, const QStringList& permissionRefused,
              const QList<port_diagnosis::PortReport>& busy)
{
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Not Connected"),
                                QStringLiteral("VentrixTM not located on any active comm port.\n"
                                               "Check power to VentrixTM and serial cable connectivity."));
    // A port the user may not open, or one another program holds, looks like
    // no unit at all; say which and why.
    if (!permissionRefused.isEmpty())
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Not Connected"),
                                    port_diagnosis::PermissionHint(permissionRefused));
    if (!busy.isEmpty())
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Not Connected"),
                                    port_diagnosis::BusyHint(busy));
    view.showSearchFailed();
    view.setBusyPointer(false);
    Connected = false;
    ProbeStatus = NoneFoundStatus;
    if (autodetectShown)
        view.unloadAutodetectWindow();
}

// An error the search cannot go past ends it at once; the window and the
// pointer are cleared so the program is left usable.
void endSearch(ConnectionView& view, bool autodetectShown)
{
    // Left by the user: whatever a probe opened is closed again.
    SerialPort& port = services::port();
    if (view.searchAbandoned() && port.isOpen())
        port.close();
    view.setBusyPointer(false);
    if (autodetectShown)
        view.unloadAutodetectWindow();
}

} // namespace

int WidebandModelFromSetting(const QString& stored)
{
    bool ok = false;
    const double number = stored.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return DefaultWidebandModel;
    // A number that names no model is kept as one: the live displays then
    // show the sensor's voltage rather than convert it by a wrong curve.
    if (number != std::trunc(number) || std::abs(number) > 1e9)
        return NoWidebandModel;
    return static_cast<int>(number);
}

int ProbeStatusOf(const QString& replyData)
{
    int status = 0;
    for (const QChar c : replyData.left(2)) {
        if (!c.isDigit() || c.unicode() > 127)
            break;
        status = status * 10 + c.digitValue();
    }
    return status;
}

bool SearchRunning()
{
    return searching;
}

void AutodetectPort(ConnectionView& view)
{
    if (Connected || searching || view.searchAbandoned())
        return;
    const SearchScope scope(view);
    view.setBusyPointer(true);
    SerialPort& port = services::port();
    PortProbe probe(port, view);
    QStringList permissionRefused;
    QList<port_diagnosis::PortReport> busy;
    const auto noteRefusal = [&](Probe outcome) {
        const QString device = port.permissionRefusedDevice();
        if (!device.isEmpty() && !permissionRefused.contains(device))
            permissionRefused << device;
        const bool known = std::any_of(busy.begin(), busy.end(), [&](const port_diagnosis::PortReport& r) {
            return r.number == port.portNumber();
        });
        if (outcome == Probe::PortBusy && device.isEmpty() && !known) {
            port_diagnosis::PortReport report;
            report.number = port.portNumber();
            report.device = port.deviceName();
            report.access = port_diagnosis::Access::Busy;
            report.holder = port.busyHolder();
            busy << report;
        }
    };

    // A stored value that is no port number would otherwise stop every
    // search; it counts as no stored port, and the scan replaces it.
    const int lastPort = storedPortNumber();
    CommPortNumber = static_cast<qint16>(lastPort > 0 ? lastPort : 1);
    WidebandModel = storedWidebandModel();

    if (lastPort != 0) {
        const Probe outcome = probe.run(lastPort);
        noteRefusal(outcome);
        if (outcome == Probe::Found) {
            PortCandidate = port.portNumber();
            succeed(view, false);
            return;
        }
        if (outcome == Probe::SearchEnds) {
            endSearch(view, false);
            return;
        }
    }

    view.showAutodetectWindow();
    for (PortCandidate = FirstScannedPort; PortCandidate <= LastScannedPort; ++PortCandidate) {
        view.showCandidatePort(PortCandidate);
        services::clock().waitProcessingEvents(1000);
        if (view.searchAbandoned()) {
            endSearch(view, true);
            return;
        }
        const Probe outcome = probe.run(PortCandidate);
        noteRefusal(outcome);
        switch (outcome) {
        case Probe::Found:
            succeed(view, true);
            return;
        case Probe::SecondNoAnswer:
            notFound(view, true, permissionRefused, busy);
            return;
        case Probe::SearchEnds:
            endSearch(view, true);
            return;
        case Probe::PortBusy:
            continue; // someone else's port: leave it open
        default:
            if (port.isOpen())
                port.close();
            continue;
        }
    }
    notFound(view, true, permissionRefused, busy);
}

void ShowConnectedState(ConnectionView& view)
{
    if (ProbeStatus == ReadyStatus)
        view.showConnectedTitle();
}

void ConnectToUnit(ConnectionView& view)
{
    // Inside a running search (its waits let the windows run) a second one
    // would pull the port from under the first.
    if (searching)
        return;
    // A port left open by a lost link would answer "already open" to every
    // probe; release it so the search can find the unit again.
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    Connected = false;
    AutodetectPort(view);
    ShowConnectedState(view);
}

void DisconnectFromUnit(ConnectionView& view)
{
    SerialPort& port = services::port();
    port.setRts(false);
    if (port.isOpen())
        port.close();
    saveLastPort();
    view.showDisconnected();
    Connected = false;
}

void CloseLinkForExit()
{
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
    saveLastPort();
}

#include "link/Reconnect.h"

#include "link/Autodetect.h"
#include "link/SerialPort.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "link/Unit.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

namespace reconnect {

namespace {

constexpr int ReadyStatus = 3;
constexpr int FirstSearchedPort = 1;
constexpr int LastSearchedPort = 6;

// The port cannot be opened because its device is not there.
bool deviceGone(PortError error)
{
    return error == PortError::InvalidPortNumber || error == PortError::HardwareNotAvailable
        || error == PortError::DeviceNotOpen;
}

void closePort()
{
    SerialPort& port = services::port();
    if (port.isOpen())
        port.close();
}

} // namespace

Reconnector::Reconnector(int portNumber) : portNumber_(portNumber)
{ }

Reconnector::Probe Reconnector::probe(int number)
{
    SerialPort& port = services::port();
    closePort();
    port.setPortNumber(number);
    port.setRts(true);
    const PortError opened = port.open();
    if (opened != PortError::None)
        return deviceGone(opened) ? Probe::Elsewhere : Probe::NotHere;
    QByteArray stale;
    port.readAll(stale);
    const std::optional<QString> reply = unit::Probe(unit::Use::ReconnectProbe);
    if (reply && ProbeStatusOf(*reply) == ReadyStatus) {
        mdlPublicVars::ProbeStatus = ReadyStatus;
        return Probe::Ready;
    }
    const bool gone = deviceGone(LastSendFramePortError());
    closePort();
    return gone ? Probe::Elsewhere : Probe::NotHere;
}

bool Reconnector::tryOnce()
{
    const auto found = [this](int number) {
        portNumber_ = number;
        mdlPublicVars::CommPortNumber = static_cast<qint16>(number);
        mdlPublicVars::PortCandidate = number;
        mdlPublicVars::Connected = true;
        startup_settings::Write(startup_settings::LastActiveCommPort, QString::number(number));
        return true;
    };
    mdlPublicVars::Connected = false;
    const Probe here = probe(portNumber_);
    if (here == Probe::Ready)
        return found(portNumber_);
    if (here == Probe::NotHere)
        return false; // the device is there: the unit may be off, or another device sits on it
    for (int number = FirstSearchedPort; number <= LastSearchedPort; ++number) {
        if (number != portNumber_ && probe(number) == Probe::Ready)
            return found(number);
    }
    return false;
}

bool Run(Reconnector& reconnector, const std::function<bool()>& keepTrying)
{
    // A second before each try, so that a unit that answers the probe but
    // not what the caller asks never has it spin.
    for (;;) {
        if (!keepTrying())
            return false;
        services::clock().waitProcessingEvents(RetryIntervalMs);
        if (reconnector.tryOnce())
            return true;
    }
}

} // namespace reconnect

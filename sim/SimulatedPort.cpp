#include "sim/SimulatedPort.h"

#include "platform/Clock.h"

#include <algorithm>

SimulatedPort::SimulatedPort(VentrixDevice& device, Clock& clock) : device_(device), clock_(clock) {}

bool SimulatedPort::unitGoneWithError() const
{
    return openNumber_ == unitPort_ && device_.vanished() && device_.faults().vanishPortError;
}

bool SimulatedPort::dataDue() const
{
    return !inFlight_.isEmpty() && inFlight_.first().dueMs <= clock_.nowMs();
}

PortError SimulatedPort::open()
{
    if (open_)
        return PortError::PortAlreadyOpen;
    if (!existing_.contains(number_))
        return PortError::InvalidPortNumber;
    if (claimed_.contains(number_))
        return PortError::PortAlreadyOpen;
    if (number_ == unitPort_ && device_.vanished() && device_.faults().vanishPortError)
        return PortError::HardwareNotAvailable;
    open_ = true;
    openNumber_ = number_;
    ++opens_[number_];
    return PortError::None;
}

void SimulatedPort::close()
{
    // Whatever was still on its way is lost with the port's buffers.
    open_ = false;
    inFlight_.clear();
}

PortError SimulatedPort::setRts(bool on)
{
    rts_ = on;
    return PortError::None;
}

PortError SimulatedPort::write(const QByteArray& bytes)
{
    if (!open_)
        return PortError::PortNotOpen;
    if (unitGoneWithError())
        return PortError::HardwareNotAvailable;
    written_[openNumber_] += bytes;
    if (!onUnit())
        return PortError::None;
    inFlight_ += device_.receive(bytes, clock_.nowMs());
    // Replies are serialised by the unit, but keep the order safe anyway.
    std::stable_sort(inFlight_.begin(), inFlight_.end(),
                     [](const SimChunk& a, const SimChunk& b) { return a.dueMs < b.dueMs; });
    return PortError::None;
}

PortError SimulatedPort::readAll(QByteArray& received)
{
    received.clear();
    if (!open_)
        return PortError::PortNotOpen;
    if (unitGoneWithError()) {
        inFlight_.clear();
        return PortError::HardwareNotAvailable;
    }
    while (dataDue())
        received += inFlight_.takeFirst().bytes;
    return PortError::None;
}

bool SimulatedPort::waitForData(int ms)
{
    if (!open_ || dataDue())
        return dataDue();
    qint64 wait = std::max(ms, 0);
    if (!inFlight_.isEmpty())
        wait = std::min(wait, inFlight_.first().dueMs - clock_.nowMs());
    clock_.sleepBlocking(static_cast<int>(wait));
    return dataDue();
}

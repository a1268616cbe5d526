#include "sim/SimulatedPort.h"

#include "platform/Clock.h"

#include <algorithm>

SimulatedPort::SimulatedPort(VentrixDevice& device, Clock& clock) : device_(device), clock_(clock)
{ }

bool SimulatedPort::unitGoneWithError() const
{
    if (deadHandle_)
        return true;
    return openNumber_ == unitPort_ && device_.vanished() && device_.faults().vanishPortError;
}

void SimulatedPort::followUnplug()
{
    SimFaults& faults = device_.faults();
    if (!unplugged() && faults.unplugAfter >= 0 && device_.requestsHeard() >= faults.unplugAfter) {
        faults.unplugAfter = -1;
        unpluggedUntilMs_ = clock_.nowMs() + faults.unplugMs;
        existing_.removeAll(unitPort_);
        // A handle open on the pulled device stays dead, even once it is back.
        deadHandle_ = open_ && openNumber_ == unitPort_;
    }
    if (unplugged() && clock_.nowMs() >= unpluggedUntilMs_) {
        unpluggedUntilMs_ = -1;
        // An adapter may come back under another name; the old one is gone.
        if (faults.replugPort > 0)
            unitPort_ = faults.replugPort;
        if (!existing_.contains(unitPort_))
            existing_.append(unitPort_);
    }
}

bool SimulatedPort::dataDue() const
{
    return !inFlight_.isEmpty() && inFlight_.first().dueMs <= clock_.nowMs();
}

PortError SimulatedPort::open()
{
    followUnplug();
    if (open_)
        return PortError::PortAlreadyOpen;
    permissionRefused_.clear();
    if (!existing_.contains(number_))
        return PortError::InvalidPortNumber;
    if (claimed_.contains(number_))
        return PortError::PortAlreadyOpen;
    if (denied_.contains(number_)) {
        permissionRefused_ = DeviceNameOf(number_);
        return PortError::PortAlreadyOpen;
    }
    if (number_ == unitPort_ && device_.vanished() && device_.faults().vanishPortError)
        return PortError::HardwareNotAvailable;
    open_ = true;
    deadHandle_ = false;
    openNumber_ = number_;
    lowLatencyGranted_ = grantsLowLatency_;
    heldUntilMs_ = -1;
    ++opens_[number_];
    return PortError::None;
}

void SimulatedPort::close()
{
    // Whatever was still on its way is lost with the port's buffers.
    open_ = false;
    deadHandle_ = false;
    inFlight_.clear();
}

PortError SimulatedPort::setRts(bool on)
{
    rts_ = on;
    return PortError::None;
}

PortError SimulatedPort::write(const QByteArray& bytes)
{
    followUnplug();
    if (!open_)
        return PortError::PortNotOpen;
    if (unitGoneWithError())
        return PortError::HardwareNotAvailable;
    written_[openNumber_] += bytes;
    if (!onUnit())
        return PortError::None;
    QList<SimChunk> replies = device_.receive(bytes, clock_.nowMs());
    holdForLatencyTimer(replies);
    inFlight_ += replies;
    // Replies are serialised by the unit, but keep the order safe anyway.
    std::stable_sort(inFlight_.begin(), inFlight_.end(),
                     [](const SimChunk& a, const SimChunk& b) { return a.dueMs < b.dueMs; });
    return PortError::None;
}

int SimulatedPort::effectiveLatencyMs() const
{
    if (latencyTimerMs_ == 0)
        return 0;
    return lowLatencyGranted_ ? std::min(latencyTimerMs_, LowLatencyTimerMs) : latencyTimerMs_;
}

void SimulatedPort::holdForLatencyTimer(QList<SimChunk>& chunks)
{
    const int latency = effectiveLatencyMs();
    if (latency == 0)
        return;
    // The timer starts with the first byte the adapter holds; everything that
    // arrives before it runs out goes on with it.
    for (SimChunk& chunk : chunks) {
        if (chunk.dueMs >= heldUntilMs_)
            heldUntilMs_ = chunk.dueMs + latency;
        chunk.dueUs += (heldUntilMs_ - chunk.dueMs) * 1000;
        chunk.dueMs = heldUntilMs_;
    }
}

PortError SimulatedPort::readAll(QByteArray& received)
{
    received.clear();
    followUnplug();
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

#pragma once

#include "link/SerialPort.h"
#include "sim/VentrixDevice.h"

#include <QList>
#include <QMap>

#include <algorithm>

class Clock;

// Numbered serial ports in-process, one of which has the simulated unit on
// it: the link of "kestrel --simulate" and of the tests. Replies become
// readable when the clock reaches their due time; waiting sleeps on the clock
// (a ManualClock jumps, a SystemClock really sleeps).
class SimulatedPort final : public SerialPort {
public:
    SimulatedPort(VentrixDevice& device, Clock& clock);

    // The port number the unit is attached to (1 by default).
    void setUnitPort(int number) { unitPort_ = number; }
    int unitPort() const { return unitPort_; }
    // The port numbers that exist (1 to 6 by default); others cannot be opened.
    void setExistingPorts(QList<int> numbers) { existing_ = std::move(numbers); }
    // Existing ports claimed by another program: opening them is refused.
    void setClaimedPorts(QList<int> numbers) { claimed_ = std::move(numbers); }
    // Existing ports the user may not open, as a device outside the dialout
    // group: refused like a claimed port, with the permission told apart.
    void setPermissionDeniedPorts(QList<int> numbers) { denied_ = std::move(numbers); }
    QString permissionRefusedDevice() const override { return permissionRefused_; }
    static QString DeviceNameOf(int number) { return QStringLiteral("simulated port %1").arg(number); }
    QString deviceName() const override { return existing_.contains(number_) ? DeviceNameOf(number_) : QString(); }

    // A USB-serial adapter's latency timer: received bytes are held until it
    // runs out, counted from the first byte held (0: passed on at once). The
    // program asks for low latency on every open; an adapter that grants it
    // holds bytes for at most LowLatencyTimerMs instead.
    static constexpr int LowLatencyTimerMs = 1;
    void setLatencyTimerMs(int ms) { latencyTimerMs_ = std::max(ms, 0); }
    void setGrantsLowLatency(bool grants) { grantsLowLatency_ = grants; }
    // The latency timer in force since the port was last opened.
    int effectiveLatencyMs() const;

    void setPortNumber(int number) override { number_ = number; }
    int portNumber() const override { return number_; }

    PortError open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    PortError setRts(bool on) override;
    PortError write(const QByteArray& bytes) override;
    PortError readAll(QByteArray& received) override;
    bool waitForData(int ms) override;

    bool rts() const { return rts_; }
    // The unit's port is pulled out (the "unplug" fault) and not yet back.
    bool unplugged() const { return unpluggedUntilMs_ >= 0; }
    VentrixDevice& device() { return device_; }
    // Requests the unit heard, by command ("Z", "RT", ...), and their payloads.
    int requestCount(const QString& command) const { return device_.requestCount(command); }
    const QList<QByteArray>& payloadLog() const { return device_.payloadLog(); }
    // Everything written while the given port number was open.
    QByteArray writtenTo(int number) const { return written_.value(number); }
    // How often each port number was opened successfully.
    int opensOf(int number) const { return opens_.value(number); }

private:
    bool onUnit() const { return open_ && openNumber_ == unitPort_; }
    bool unitGoneWithError() const;
    // Pulls the unit's port out, or plugs it back in, as the "unplug" fault says.
    void followUnplug();
    bool dataDue() const;
    void holdForLatencyTimer(QList<SimChunk>& chunks);

    VentrixDevice& device_;
    Clock& clock_;
    int unitPort_ = 1;
    QList<int> existing_{1, 2, 3, 4, 5, 6};
    QList<int> claimed_;
    QList<int> denied_;
    QString permissionRefused_;
    int number_ = 1;
    int openNumber_ = 0;
    bool open_ = false;
    bool rts_ = false;
    int latencyTimerMs_ = 0;
    bool grantsLowLatency_ = true;
    bool lowLatencyGranted_ = false;
    qint64 heldUntilMs_ = -1;
    qint64 unpluggedUntilMs_ = -1;
    bool deadHandle_ = false;  // when the adapter passes on what it holds
    QList<SimChunk> inFlight_; // in due order
    QMap<int, QByteArray> written_;
    QMap<int, int> opens_;
};

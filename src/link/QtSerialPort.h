#pragma once

#include "link/PortNames.h"
#include "link/SerialPort.h"

#include <QSerialPort>

#include <functional>

// A real serial port through Qt, at the unit's fixed line settings.
class QtSerialPort final : public SerialPort {
public:
    // Asks the driver behind a freshly opened port's handle for low latency;
    // returns whether it was granted. Tests put a recording stand-in here.
    using LowLatencyRequest = std::function<bool(qintptr handle)>;

    explicit QtSerialPort(port_names::Assignments explicitAssignments = {}, LowLatencyRequest requestLowLatency = {});

    void setPortNumber(int number) override { number_ = number; }
    int portNumber() const override { return number_; }

    PortError open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    PortError setRts(bool on) override;
    PortError write(const QByteArray& bytes) override;
    PortError readAll(QByteArray& received) override;
    bool waitForData(int ms) override;
    QString permissionRefusedDevice() const override { return permissionRefused_; }
    QString busyHolder() const override { return busyHolder_; }

    // The device the current port number stands for (empty when none).
    QString deviceName() const override;

    // Whether the driver agreed to pass received bytes on at once when the
    // port was last opened.
    bool lowLatencyGranted() const { return lowLatencyGranted_; }

private:
    PortError takeRuntimeError();

    port_names::Assignments assignments_;
    QSerialPort port_;
    int number_ = 1;
    bool rts_ = false;
    LowLatencyRequest requestLowLatency_;
    bool lowLatencyGranted_ = false;
    QString permissionRefused_;
    QString busyHolder_;
};

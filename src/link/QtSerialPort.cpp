#include "link/QtSerialPort.h"

#include "link/LowLatency.h"
#include "link/PortDiagnosis.h"

QtSerialPort::QtSerialPort(port_names::Assignments explicitAssignments, LowLatencyRequest requestLowLatency)
    : assignments_(std::move(explicitAssignments)),
      requestLowLatency_(requestLowLatency ? std::move(requestLowLatency) : LowLatencyRequest(low_latency::Request))
{ }

QString QtSerialPort::deviceName() const
{
    return port_names::DeviceFor(number_, assignments_);
}

PortError QtSerialPort::open()
{
    if (port_.isOpen())
        return PortError::PortAlreadyOpen;
    permissionRefused_.clear();
    busyHolder_.clear();
    const QString device = deviceName();
    if (device.isEmpty())
        return PortError::InvalidPortNumber;

    port_.setPortName(device);
    port_.setBaudRate(QSerialPort::Baud57600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        port_.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortError::InvalidPortNumber;
        case QSerialPort::PermissionError: {
            // Qt says the same of a port in use and of one the user may not
            // open; only the second is the user's to mend.
            const port_diagnosis::DeviceInspector& system = port_diagnosis::SystemInspector();
            if (system.access(device) == port_diagnosis::Access::PermissionDenied)
                permissionRefused_ = system.location(device);
            else
                busyHolder_ = system.holder(device);
            return PortError::PortAlreadyOpen;
        }
        default:
            return PortError::DeviceNotOpen;
        }
    }
    // RTS chosen while closed takes effect now; a pseudo-terminal has no RTS
    // line, and that is no reason to refuse the port.
    port_.setRequestToSend(rts_);
    port_.clearError();
    // Every exchange is a short request and a short reply, so an adapter that
    // holds replies for its latency timer would slow each one by that long.
    lowLatencyGranted_ = requestLowLatency_(port_.handle());
    return PortError::None;
}

void QtSerialPort::close()
{
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

PortError QtSerialPort::setRts(bool on)
{
    rts_ = on;
    if (port_.isOpen()) {
        port_.setRequestToSend(on);
        port_.clearError();
    }
    return PortError::None;
}

PortError QtSerialPort::takeRuntimeError()
{
    const QSerialPort::SerialPortError error = port_.error();
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError
        || error == QSerialPort::UnsupportedOperationError) {
        port_.clearError();
        return PortError::None;
    }
    port_.clearError();
    if (error == QSerialPort::ResourceError) {
        // The device went away (an adapter unplugged); nothing more will pass.
        port_.close();
        return PortError::HardwareNotAvailable;
    }
    return PortError::Other;
}

PortError QtSerialPort::write(const QByteArray& bytes)
{
    if (!port_.isOpen())
        return PortError::PortNotOpen;
    if (port_.write(bytes) != bytes.size())
        return takeRuntimeError() == PortError::None ? PortError::Other : PortError::HardwareNotAvailable;
    port_.flush();
    return takeRuntimeError();
}

PortError QtSerialPort::readAll(QByteArray& received)
{
    if (!port_.isOpen())
        return PortError::PortNotOpen;
    // Pull in whatever the system holds for us without waiting.
    port_.waitForReadyRead(0);
    received = port_.readAll();
    return takeRuntimeError();
}

bool QtSerialPort::waitForData(int ms)
{
    if (!port_.isOpen())
        return false;
    if (port_.bytesAvailable() > 0)
        return true;
    const bool arrived = port_.waitForReadyRead(ms);
    takeRuntimeError();
    return arrived || port_.bytesAvailable() > 0;
}
